#!/usr/bin/env bash
# Builds the benchmarks in Release into build-bench/ and prints one table: the median of
# repeated runs of each figure, with its target. Extra arguments go to the benchmark program
# (e.g. --benchmark_filter=Exchange). The raw results are left in build-bench/bench.json.
# Timings are only as quiet as the machine: the table names the load average it ran under.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DZBK_BUILD_BENCH=ON \
  -DZBK_BUILD_TESTS=OFF >/dev/null
jobs=()
if [ -n "${NINJA_JOBS:-}" ]; then jobs=(-j "$NINJA_JOBS"); fi
if ! ninja -C build-bench "${jobs[@]}" zbk_bench >build-bench/build.log 2>&1; then
  cat build-bench/build.log
  exit 1
fi
exec build-bench/bench/zbk_bench --benchmark_repetitions="${REPETITIONS:-10}" \
  --benchmark_report_aggregates_only=true --benchmark_out=build-bench/bench.json \
  --benchmark_out_format=json "$@"
