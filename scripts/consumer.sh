#!/usr/bin/env bash
# Builds the small consumer project of tests/consumer against the package, once
# from an install prefix and once from the build tree, and runs it; then builds
# the GNSS Monitor example against the install prefix and runs it headless.
# Usage: scripts/consumer.sh [build dir of the library, default build]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
build_dir="$(cd "${1:-build}" && pwd)"
prefix="$build_dir/consumer-prefix"
generator=()
command -v ninja >/dev/null 2>&1 && generator=(-G Ninja)

rm -rf "$prefix" "$build_dir/consumer-installed" "$build_dir/consumer-buildtree" "$build_dir/monitor-installed"
cmake --install "$build_dir" --prefix "$prefix" >/dev/null

cmake -S tests/consumer -B "$build_dir/consumer-installed" "${generator[@]}" -DCMAKE_PREFIX_PATH="$prefix"
cmake --build "$build_dir/consumer-installed"
QT_QPA_PLATFORM=offscreen "$build_dir/consumer-installed/zebplot_consumer"

cmake -S tests/consumer -B "$build_dir/consumer-buildtree" "${generator[@]}" -DZebPlot_DIR="$build_dir"
cmake --build "$build_dir/consumer-buildtree"
QT_QPA_PLATFORM=offscreen "$build_dir/consumer-buildtree/zebplot_consumer"

monitor_dir="$build_dir/monitor-installed"
cmake -S examples/gnss-monitor -B "$monitor_dir" "${generator[@]}" -DCMAKE_PREFIX_PATH="$prefix"
cmake --build "$monitor_dir"
output="$(QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME="$monitor_dir/config" \
  "$monitor_dir/gnss-monitor" --render "$monitor_dir/output" --duration 60)"
echo "$output"
written="$(grep -c '^wrote ' <<<"$output" || true)"
if [ "$written" -ne 8 ]; then
  echo "consumer: the monitor wrote $written images instead of 8" >&2
  exit 1
fi
echo "consumer: OK (install prefix and build tree, GNSS Monitor against the install prefix)"
