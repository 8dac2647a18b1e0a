#!/usr/bin/env bash
# Builds the utility and starts it on the simulated board. On a machine without a display it
# runs a short batch session on the simulated board instead and prints what the window would
# have shown: the log lines on standard output, the message boxes on standard error.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh zbk-utility

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec ./build/qt/zbk-utility --simulate "$@"
fi

root="$PWD"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
# A real PIC program for the QD5500, assembled with gputils.
(cd "$work" && gpasm -o counter.hex "$root/tests/data/pic/counter_16f877a.asm" >/dev/null)

echo "No display: a batch session on the simulated board instead of the window."
echo
./build/qt/zbk-utility --simulate "$@" --batch \
  "connect; status; program-zbk; cut-forward; program-pic $work/counter.hex; read-pic 0; read-pic"
