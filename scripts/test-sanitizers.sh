#!/usr/bin/env bash
# Builds the core and its tests with AddressSanitizer and UndefinedBehaviorSanitizer in build-asan/
# and runs them there: any finding (memory error, undefined behaviour, leak) fails the run. Then
# runs each Qt test program of build/tests/qt/ once under valgrind: a leak or a memory error of the
# program's own code fails the run. The Qt run is skipped, saying so, when none is built.
#
#   scripts/test-sanitizers.sh          JOBS=1 scripts/test-sanitizers.sh
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=${JOBS:-2}

need=()
command -v cmake >/dev/null || need+=(cmake)
command -v ninja >/dev/null || need+=(ninja-build)
command -v clang++ >/dev/null || command -v g++ >/dev/null || need+=(clang)
command -v valgrind >/dev/null || need+=(valgrind)
if [ ${#need[@]} -gt 0 ]; then
  sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
  echo "test-sanitizers: installing ${need[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${need[@]}"
fi
scripts/require-tools.sh test-sanitizers cmake ninja "clang++|g++" valgrind

if command -v clang++ >/dev/null; then
  cxx=$(command -v clang++)
else
  cxx=$(command -v g++)
fi

# ---- The core and its tests under ASan and UBSan ------------------------------------------------
# A tree configured with another compiler cannot be switched over: start it afresh.
if [ -f build-asan/CMakeCache.txt ] && ! grep -q "CMAKE_CXX_COMPILER:[A-Z]*=$cxx\$" build-asan/CMakeCache.txt; then
  rm -rf build-asan
fi
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER="$cxx" \
  -DZBK_BUILD_QT=OFF -DZBK_SANITIZE=ON >/dev/null
ninja -C build-asan -j"$jobs" core_tests

echo "test-sanitizers: core_tests under AddressSanitizer and UndefinedBehaviorSanitizer ($cxx)"
ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:detect_stack_use_after_return=1:strict_string_checks=1:check_initialization_order=1" \
UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
  ./build-asan/tests/core_tests --gtest_brief=1

# ---- The Qt tests once under valgrind ------------------------------------------------------------
mapfile -t qt_tests < <(find build/tests/qt -maxdepth 1 -type f -executable -name 'qt_*' 2>/dev/null | sort)
if [ ${#qt_tests[@]} -eq 0 ]; then
  echo "test-sanitizers: build/tests/qt has no Qt tests built (scripts/build.sh builds them); the Qt leak run is skipped"
  exit 0
fi

# A finding (a memory error, or a block definitely or indirectly lost) is the program's own when
# the first frame of its stack with a known place, past the allocator and the C and C++ runtime
# (malloc, strdup, the standard containers), lies in this source tree. What a library such as Qt,
# or code it generates at run time, does on its own is only counted.
own_findings() {
  awk -v root="$root/" '
    /^==[0-9]+== [^ ]/ { header = $0; open = 1; decided = 0; next }
    /^==[0-9]+== +(at|by) 0x[0-9A-Fa-f]+:/ {
      if (!open || decided) next
      if ($0 ~ /: \?\?\?|vg_replace_malloc|vgpreload_memcheck|libc\.so|libstdc\+\+|\/usr\/include\/|\((string|malloc|stdlib|libio|misc)\//) next
      decided = 1
      if (index($0, "(" root) > 0) { print header; print $0 }
      next
    }
    { open = 0 }
  ' "$1"
}

failed=0
for bin in "${qt_tests[@]}"; do
  name=$(basename "$bin")
  log=build-asan/$name.valgrind.txt
  echo "test-sanitizers: $bin under valgrind (log: $log)"
  status=0
  QT_QPA_PLATFORM=offscreen valgrind --leak-check=full --show-leak-kinds=definite,indirect \
    --fullpath-after= --num-callers=40 --log-file="$log" "$bin" \
    >"build-asan/$name.out.txt" 2>&1 || status=$?
  if [ "$status" -ne 0 ]; then
    echo "test-sanitizers: $name failed under valgrind (exit $status):" >&2
    tail -20 "build-asan/$name.out.txt" >&2
    failed=1
    continue
  fi
  own=$(own_findings "$log")
  summary=$(grep -E "definitely lost:|indirectly lost:|ERROR SUMMARY:" "$log" | sed 's/^==[0-9]*== *//' | tr '\n' ' ')
  if [ -n "$own" ]; then
    echo "test-sanitizers: valgrind finds faults of our own code in $name:" >&2
    echo "$own" >&2
    failed=1
  else
    echo "test-sanitizers: $name under valgrind: nothing of our own code; ${summary}"
  fi
done
exit $failed
