#!/bin/sh
# Builds the benchmarks in a Release tree (build-bench) and runs them.
# Extra arguments go to the Google Benchmark programs, e.g.
# --benchmark_filter=Search; BENCH_CANVAS_ARGS to the canvas bench, e.g.
# "--quick" or "--only=full1M".
set -e
cd "$(dirname "$0")/.."
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DZEBPLOT_BUILD_BENCH=ON -DZEBPLOT_BUILD_TESTS=OFF -DZEBPLOT_BUILD_EXAMPLES=OFF
cmake --build build-bench -j2 --target bench_arrays bench_looks bench_canvas bench_legend bench_export
echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | sed 's/.*: //')"
QT_QPA_PLATFORM=offscreen build-bench/bench/bench_arrays --benchmark_min_time=0.5 "$@"
QT_QPA_PLATFORM=offscreen build-bench/bench/bench_looks --benchmark_min_time=0.5 "$@"
# Legends with many entries (BENCH_LEGEND_ARGS, e.g. --max=1000).
QT_QPA_PLATFORM=offscreen build-bench/bench/bench_legend $BENCH_LEGEND_ARGS
# Canvas drawing against the peer plotting widget (if it was found at build time).
QT_QPA_PLATFORM=offscreen build-bench/bench/bench_canvas $BENCH_CANVAS_ARGS
# Export of a dense plot to PNG, PDF and SVG (and the peer's own PDF export).
QT_QPA_PLATFORM=offscreen build-bench/bench/bench_export
