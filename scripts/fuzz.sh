#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ in build-fuzz/ (clang) and runs each for a bounded time,
# SECONDS each (default 60), starting from its committed seed corpus in fuzz/corpus/<target>/.
# Inputs that find new paths go to build-fuzz/corpus/<target>/, which is not committed. A crash,
# a failed check, a leak or an input running over 10 s fails the run; the input that did it is
# kept in build-fuzz/findings/<target>/. Prints each target's executions and rate at the end.
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then targets=(fuzz_hex_file fuzz_replies fuzz_hex_edit); fi
jobs=${JOBS:-2}
scripts/install-deps.sh

# libFuzzer comes with clang's runtime libraries; try a tiny target first.
probe() {
  command -v clang++ >/dev/null || return 1
  local dir
  dir=$(mktemp -d)
  echo 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }' \
    >"$dir/probe.cpp"
  clang++ -fsanitize=fuzzer,address,undefined "$dir/probe.cpp" -o "$dir/probe" 2>/dev/null
  local ok=$?
  rm -rf "$dir"
  return $ok
}
if ! probe; then
  sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
  echo "fuzz: installing clang and its runtime libraries"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends clang
  major=$( (clang++ --version 2>/dev/null || true) | sed -n 's/.*clang version \([0-9]*\).*/\1/p' | head -1)
  if ! probe && [ -n "$major" ]; then
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
      "libclang-rt-$major-dev"
  fi
  probe || { echo "fuzz: clang cannot build libFuzzer targets here" >&2; exit 1; }
fi

clangxx=$(command -v clang++)
if [ -f build-fuzz/CMakeCache.txt ] && ! grep -q "CMAKE_CXX_COMPILER:[A-Z]*=$clangxx\$" build-fuzz/CMakeCache.txt; then
  rm -rf build-fuzz
fi
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER="$clangxx" \
  -DZBK_BUILD_QT=OFF -DZBK_BUILD_TESTS=OFF -DZBK_FUZZ=ON >/dev/null
ninja -C build-fuzz -j"$jobs" "${targets[@]}"

failed=0
report=()
for t in "${targets[@]}"; do
  mkdir -p "build-fuzz/corpus/$t" "build-fuzz/findings/$t"
  log="build-fuzz/$t.log"
  echo "fuzz: $t for ${seconds}s"
  status=0
  ASAN_OPTIONS="detect_leaks=1" UBSAN_OPTIONS="print_stacktrace=1" \
    "build-fuzz/fuzz/$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -max_len=4096 -print_final_stats=1 -artifact_prefix="build-fuzz/findings/$t/" \
    "build-fuzz/corpus/$t" "fuzz/corpus/$t" >"$log" 2>&1 || status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  if [ "$status" -ne 0 ]; then
    failed=1
    report+=("$t: FAILED after ${runs:-?} executions (see $log and build-fuzz/findings/$t/)")
    grep -E "ERROR|SUMMARY|fuzz_[a-z_]*: |artifact_prefix|Test unit written" "$log" | head -20 >&2 || true
  else
    report+=("$t: ${runs:-?} executions in ${seconds}s, ${rate:-?} per second, no finding")
  fi
done

echo "fuzz: summary"
for line in "${report[@]}"; do echo "  $line"; done
exit $failed
