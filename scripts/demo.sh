#!/usr/bin/env bash
# Installs what is missing, builds the library and its examples in Release, and
# runs the example: it renders its plots to PNG files in demo-output/.
# Arguments are passed to the example program.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

scripts/deps.sh

build_dir="${BUILD_DIR:-build-release}"
generator=()
command -v ninja >/dev/null 2>&1 && generator=(-G Ninja)
cmake -S . -B "$build_dir" "${generator[@]}" -DCMAKE_BUILD_TYPE=Release -DZEBPLOT_BUILD_TESTS=OFF
cmake --build "$build_dir" --parallel "$(nproc)"

mkdir -p demo-output
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  export QT_QPA_PLATFORM=offscreen
fi
"$build_dir/examples/canvasgallery/canvasgallery" demo-output/canvasgallery.png "$@"
"$build_dir/examples/plotgallery/plotgallery" demo-output
echo "Open demo-output/canvasgallery.png and demo-output/plot_*.png to see the results."
