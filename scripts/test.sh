#!/usr/bin/env bash
# Installs what is missing, configures, builds and runs the whole test suite.
# Environment: BUILD_DIR (default build), BUILD_TYPE (default RelWithDebInfo),
# CMAKE_ARGS (extra configure arguments).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

scripts/deps.sh

build_dir="${BUILD_DIR:-build}"
generator=()
command -v ninja >/dev/null 2>&1 && generator=(-G Ninja)
# Rebuilds in several checkouts share compiled objects when ccache is there.
if command -v ccache >/dev/null 2>&1; then
  generator+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$(dirname "$root")}"
fi
# shellcheck disable=SC2086
cmake -S . -B "$build_dir" "${generator[@]}" -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" ${CMAKE_ARGS:-}
cmake --build "$build_dir" --parallel "$(nproc)"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build_dir" --output-on-failure --parallel "$(nproc)"
