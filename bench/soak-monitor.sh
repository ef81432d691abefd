#!/bin/sh
# Soak run of the GNSS Monitor: 1 hour and 24 hours of 100 Hz data with the
# default limits (--max-points 20000), from the simulator and through the
# streamed replay (a pipe from the simulator written as a recording), each
# rendered headless at the end.  Prints wall time, CPU time and maximum
# resident memory per run (/usr/bin/time -v).  Takes about half an hour.
#   bench/soak-monitor.sh [HOURS ...]      (default: 1 24)
set -e
cd "$(dirname "$0")/.."
launcher=$(command -v ccache >/dev/null && echo -DCMAKE_CXX_COMPILER_LAUNCHER=ccache || true)
cmake -S . -B build-soak -G Ninja -DCMAKE_BUILD_TYPE=Release $launcher \
      -DZEBPLOT_BUILD_TESTS=OFF -DZEBPLOT_BUILD_BENCH=OFF -DZEBPLOT_BUILD_EXAMPLES=ON >/dev/null
cmake --build build-soak -j2 --target gnss-monitor gnss-monitor-simcsv
monitor=build-soak/examples/gnss-monitor/gnss-monitor
generator=build-soak/examples/gnss-monitor/gnss-monitor-simcsv
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME="$work/config"

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | sed 's/.*: //'), $(date -u '+%Y-%m-%d %H:%M UTC')"
echo "| run | data | wall time | CPU time (user + system) | max RSS | load average after |"
echo "|---|---|---|---|---|---|"
report() {
    wall=$(sed -n 's/.*Elapsed (wall clock) time.*: //p' "$work/time")
    user=$(sed -n 's/.*User time (seconds): //p' "$work/time")
    system=$(sed -n 's/.*System time (seconds): //p' "$work/time")
    rss=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$work/time")
    load=$(cut -d' ' -f1 /proc/loadavg)
    echo "| $1 | $2 h | $wall | $(echo "$user + $system" | bc) s | $(echo "scale=1; $rss / 1024" | bc) MB | $load |"
}
for hours in ${*:-1 24}; do
    seconds=$((hours * 3600))
    /usr/bin/time -v -o "$work/time" "$monitor" --rate 100 --duration "$seconds" --render "$work/sim" >/dev/null 2>&1
    report "simulator, --rate 100" "$hours"
    "$generator" 100 "$seconds" | /usr/bin/time -v -o "$work/time" "$monitor" --replay /dev/stdin \
        --duration "$seconds" --render "$work/replay" >"$work/out" 2>&1
    grep -q "^source: .* epochs" "$work/out" || { cat "$work/out"; exit 1; }
    report "streamed replay from a pipe" "$hours"
    sed -n "s/^source: /    /p" "$work/out"
done
