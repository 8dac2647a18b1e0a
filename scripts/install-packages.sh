#!/usr/bin/env bash
# Installs those of the given Debian packages that are missing, with apt-get (through sudo when
# not root). The first argument names the calling script in messages.
#
#   scripts/install-packages.sh NAME PACKAGE...
set -euo pipefail
name=$1
shift

missing=()
for p in "$@"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null 2>&1 || {
    echo "$name: installing ${missing[*]} needs root, and sudo is not installed" >&2
    exit 1
  }
  sudo="sudo"
fi
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
