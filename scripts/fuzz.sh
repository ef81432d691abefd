#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang and runs each for a while on
# a copy of its seed corpus.  Exits non-zero when a target crashes, hangs (an
# input running longer than 10 s), leaks, runs out of memory or breaks one of
# its checks, and prints the reproducer: the input in hex and base64 and the
# fuzzer's and sanitizer's report.
#
# Usage: scripts/fuzz.sh [seconds-per-target] [target...]
#   seconds-per-target  default 60
#   target              default all: fuzz_nmea fuzz_gpsd fuzz_csvreplay fuzz_settings fuzz_dataplot
# Environment: BUILD_DIR (default build-fuzz).
#
# Reproduce one finding:  build-fuzz/fuzz/<target> <input file>
# (fuzz_dataplot prints the operations it decodes with FUZZ_DATAPLOT_TRACE=1).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

seconds="${1:-60}"
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(fuzz_nmea fuzz_gpsd fuzz_csvreplay fuzz_settings fuzz_dataplot)
fi

# clang brings libFuzzer and the sanitizer runtimes with libclang-rt; llvm the
# symbolizer that turns the reports' addresses into functions and lines.
scripts/deps.sh clang libclang-rt-14-dev llvm

compiler=clang++
command -v clang++-14 >/dev/null 2>&1 && compiler=clang++-14
build_dir="${BUILD_DIR:-build-fuzz}"
generator=()
command -v ninja >/dev/null 2>&1 && generator=(-G Ninja)
if command -v ccache >/dev/null 2>&1; then
  generator+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$(dirname "$root")}"
fi
# A debug build keeps Qt's own bounds assertions in the instrumented code.
cmake -S . -B "$build_dir" "${generator[@]}" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER="$compiler" \
  -DZEBPLOT_BUILD_FUZZERS=ON -DZEBPLOT_BUILD_TESTS=OFF -DZEBPLOT_BUILD_EXAMPLES=OFF >/dev/null
cmake --build "$build_dir" --target fuzzers --parallel "$(nproc)"

symbolizer="$(command -v llvm-symbolizer || command -v llvm-symbolizer-14 || true)"
[ -n "$symbolizer" ] && export ASAN_SYMBOLIZER_PATH="$symbolizer"
export QT_QPA_PLATFORM=offscreen
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1}"
export LSAN_OPTIONS="suppressions=$root/fuzz/lsan.supp:print_suppressions=0"

failed=()
for target in "${targets[@]}"; do
  work="$build_dir/fuzz-runs/$target"
  rm -rf "$work"
  mkdir -p "$work/corpus" "$work/artifacts"
  cp fuzz/corpus/"$target"/* "$work/corpus/"
  args=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
        -artifact_prefix="$work/artifacts/")
  [ -f "fuzz/$target.dict" ] && args+=(-dict="fuzz/$target.dict")
  echo "-- $target: ${seconds} s"
  status=0
  "$build_dir/fuzz/$target" "${args[@]}" "$work/corpus" >"$work/log" 2>&1 || status=$?
  grep -E '^stat::(number_of_executed_units|average_exec_per_sec|new_units_added|peak_rss_mb)' "$work/log" \
    | sed 's/^stat::/   /' || true
  artifacts=("$work"/artifacts/*)
  if [ "$status" -eq 0 ] && [ ! -e "${artifacts[0]}" ]; then
    continue
  fi
  failed+=("$target")
  echo "!! $target failed (exit $status); report (progress lines left out), full log in $work/log:"
  grep -vE '^#[0-9]+[[:space:]]+(NEW|REDUCE|pulse|RELOAD)|^[[:space:]]+NEW_FUNC' "$work/log" | tail -n 120
  for artifact in "${artifacts[@]}"; do
    [ -e "$artifact" ] || continue
    echo "!! reproducer $artifact ($(stat -c %s "$artifact") bytes)"
    echo "   hex:    $(od -An -v -tx1 "$artifact" | tr -d ' \n' | head -c 8192)"
    echo "   base64: $(base64 -w0 "$artifact" | head -c 8192)"
    echo "   run:    $build_dir/fuzz/$target $artifact"
  done
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzzing failed: ${failed[*]}"
  exit 1
fi
echo "fuzzing passed: ${targets[*]}"
