#!/usr/bin/env bash
# Installs what is missing, builds the library in Release, installs it into a
# local prefix, builds the GNSS Monitor example against that installation and
# runs it.  Arguments are passed to the monitor (see gnss-monitor --help).
# Without a display the monitor renders its plots to PNG files in demo-output/.
# Environment: BUILD_DIR (default build-release).
set -euo pipefail
# File arguments (--replay FILE, --render DIR) are taken from where the script
# is called, like any command's.
caller="$PWD"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

scripts/deps.sh

build_dir="${BUILD_DIR:-build-release}"
case "$build_dir" in /*) ;; *) build_dir="$root/$build_dir" ;; esac
prefix="$build_dir/prefix"
jobs="$(nproc)"
generator=()
command -v ninja >/dev/null 2>&1 && generator=(-G Ninja)

cmake -S . -B "$build_dir" "${generator[@]}" -DCMAKE_BUILD_TYPE=Release \
  -DZEBPLOT_BUILD_TESTS=OFF -DZEBPLOT_BUILD_EXAMPLES=OFF
cmake --build "$build_dir" --parallel "$jobs"
cmake --install "$build_dir" --prefix "$prefix" >/dev/null

cmake -S examples/gnss-monitor -B "$build_dir/gnss-monitor" "${generator[@]}" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_PREFIX_PATH="$prefix"
cmake --build "$build_dir/gnss-monitor" --parallel "$jobs"
monitor="$build_dir/gnss-monitor/gnss-monitor"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
  if [ $# -eq 0 ]; then
    set -- --render demo-output
  fi
fi
echo "Running: $monitor $*"
cd "$caller"
exec "$monitor" "$@"
