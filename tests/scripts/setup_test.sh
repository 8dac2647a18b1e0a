#!/usr/bin/env bash
# Every script installs what it needs before it looks for it, and names what is still missing.
# Each script runs with a scratch PATH holding only the shell's basic tools, a package query that
# reports every package missing, and an apt-get that records what it is asked and installs
# nothing: the script must ask to install its packages, then stop with a message naming a missing
# tool, never end silently and never get past its set-up.
#
#   setup_test.sh SOURCE_DIR WORK_DIR
set -uo pipefail
source=$1 work=$2

passed=0 failed=0
check() {
  local what=$1
  shift
  if "$@"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAILED: $what"
  fi
}

rm -rf "${work:?}/setup"
bin=$work/setup/bin
mkdir -p "$bin"
# The basic tools, and nothing that any script installs.
for t in bash sh env dirname basename id grep sed awk mktemp rm cat tr head tail sort find ls \
  mkdir chmod cp mv sleep timeout uname od wc cut; do
  p=$(command -v "$t") && ln -s "$p" "$bin/$t"
done
cat >"$bin/dpkg-query" <<'FAKE'
#!/bin/bash
echo "dpkg-query: no packages found matching ${*: -1}" >&2
exit 1
FAKE
cat >"$bin/apt-get" <<'FAKE'
#!/bin/bash
echo "apt-get $*" >>"$SETUP_LOG"
FAKE
cat >"$bin/sudo" <<'FAKE'
#!/bin/bash
exec "$@"
FAKE
chmod +x "$bin/dpkg-query" "$bin/apt-get" "$bin/sudo"

# script, a package it must ask for, a tool its message must name
cases=(
  "install-deps.sh cmake cmake"
  "install-windows-deps.sh wine wine64"
  "build.sh cmake cmake"
  "run.sh qt6-base-dev cmake"
  "bench.sh libbenchmark-dev cmake"
  "fuzz.sh clang clang++"
  "test-fuzz-smoke.sh clang clang++"
  "test-sanitizers.sh valgrind valgrind"
  "test-windows.sh g++-mingw-w64-x86-64-posix x86_64-w64-mingw32-g++-posix"
  "test.sh cmake cmake"
)
for c in "${cases[@]}"; do
  read -r script package tool <<<"$c"
  log=$work/setup/$script.apt
  out=$work/setup/$script.out
  : >"$log"
  status=0
  (cd "$work/setup" && SETUP_LOG=$log PATH=$bin WINE_DIR=$work/setup/no-wine timeout 60 bash "$source/scripts/$script" \
    >"$out" 2>&1) || status=$?
  before=$failed
  check "$script ends with a failure" [ "$status" -ne 0 ]
  check "$script is not stopped by the time limit" [ "$status" -ne 124 ]
  check "$script asks to install $package" awk -v p="$package" \
    '$1 == "apt-get" && $2 == "install" { for (i = 3; i <= NF; i++) if ($i == p) found = 1 }
     END { exit !found }' "$log"
  check "$script names $tool as missing" grep -q "$tool.* is still missing after the install step" "$out"
  if [ "$failed" -gt "$before" ]; then sed "s/^/  $script: /" "$out"; fi
done

echo "setup: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
