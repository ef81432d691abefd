#!/bin/sh
# Source-to-plot benchmark of the GNSS Monitor with receiver data:
#  1. a 24-hour 1 Hz dual-frequency NMEA recording (the ZED-F9P log of the
#     tests, its 29 epochs repeated with shifted times: 72 C/N0 curves),
#     replayed with --speed 0 and rendered: epochs per second, peak memory;
#  2. the monitor in its window (offscreen) following a 10 Hz NMEA stream of
#     40 satellites on two signals (80 curves) in real time: CPU time per
#     epoch for parsing, appending and drawing the new points of every plot,
#     measured from the process's CPU clock between 15 s and 75 s of the run,
#     after start-up.  The window needs a display: an X server in memory
#     (xvfb-run, Debian's xvfb, installed by scripts/deps.sh when missing).
#   bench/monitor-nmea.sh
set -e
cd "$(dirname "$0")/.."
scripts/deps.sh xvfb xauth bc
launcher=$(command -v ccache >/dev/null && echo -DCMAKE_CXX_COMPILER_LAUNCHER=ccache || true)
cmake -S . -B build-soak -G Ninja -DCMAKE_BUILD_TYPE=Release $launcher \
      -DZEBPLOT_BUILD_TESTS=OFF -DZEBPLOT_BUILD_BENCH=OFF -DZEBPLOT_BUILD_EXAMPLES=ON >/dev/null
cmake --build build-soak -j2 --target gnss-monitor
monitor=build-soak/examples/gnss-monitor/gnss-monitor
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME="$work/config"
ticks=$(getconf CLK_TCK)

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | sed 's/.*: //'), $(date -u '+%Y-%m-%d %H:%M UTC')"

python3 bench/nmea-load.py day examples/gnss-monitor/tests/data/ublox-zed-f9p-nmea.log > "$work/day.nmea"
echo "24 h recording: $(wc -l < "$work/day.nmea") lines, $(($(stat -c %s "$work/day.nmea") / 1048576)) MB"
/usr/bin/time -v -o "$work/time" "$monitor" --replay "$work/day.nmea" --speed 0 --duration 86400 \
    --render "$work/day" > "$work/out" 2>&1
wall=$(sed -n 's/.*Elapsed (wall clock) time.*: //p' "$work/time")
user=$(sed -n 's/.*User time (seconds): //p' "$work/time")
system=$(sed -n 's/.*System time (seconds): //p' "$work/time")
rss=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$work/time")
cpu=$(echo "$user + $system" | bc)
sed -n 's/^source: /    /p; s/^plotted: \([0-9]* epochs.*\)/    \1/p' "$work/out"
echo "| 24 h at 1 Hz, 72 curves, --speed 0, rendered | wall $wall | CPU $cpu s | $(echo "scale=0; 86400 / $cpu" | bc) epochs per CPU second | max RSS $(echo "scale=1; $rss / 1024" | bc) MB |"

python3 bench/nmea-load.py rate 10 120 > "$work/rate.nmea"
env -u QT_QPA_PLATFORM xvfb-run -a -s "-screen 0 1920x1200x24" "$monitor" --replay "$work/rate.nmea" --speed 1 \
    > "$work/live" 2>&1 &
sleep 5
pid=$(pgrep -n -f "gnss-monitor --replay $work/rate.nmea")
cputime() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
sleep 10
first=$(cputime)
sleep 60
last=$(cputime)
kill "$pid"
wait 2>/dev/null || true
ms=$(echo "scale=3; ($last - $first) * 1000 / $ticks / 600" | bc)
echo "| 10 Hz, 40 satellites on two signals (80 curves), window following in real time | 600 epochs in 60 s | CPU $(echo "scale=2; ($last - $first) / $ticks" | bc) s | $ms ms per epoch | load $(cut -d' ' -f1 /proc/loadavg) |"
