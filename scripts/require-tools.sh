#!/usr/bin/env bash
# Checks that the tools a script needs are there once its packages are installed, and names each
# one that is not, so that a script never ends without saying why.
#
#   scripts/require-tools.sh NAME TOOL[|OTHER]...    e.g. scripts/require-tools.sh test-windows wine64|wine
set -euo pipefail
name=$1
shift
missing=()
for tool in "$@"; do
  found=0
  IFS='|' read -ra choices <<<"$tool"
  for t in "${choices[@]}"; do
    if command -v "$t" >/dev/null 2>&1; then found=1; break; fi
  done
  [ "$found" -eq 1 ] || missing+=("${tool//|/ or }")
done
[ ${#missing[@]} -eq 0 ] && exit 0
for m in "${missing[@]}"; do
  echo "$name: $m is still missing after the install step" >&2
done
echo "$name: install the packages that provide it (see the messages above) and run again" >&2
exit 1
