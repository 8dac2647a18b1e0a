#!/usr/bin/env bash
# Installs the Debian packages the Windows cross build and its tests under Wine need, when any is missing.
set -euo pipefail

packages=(
  cmake ninja-build
  g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev binutils-mingw-w64-x86-64
  googletest
  wine wine64
  xvfb xauth python3
)

# The commands scripts/test-windows.sh runs, from the packages above.
tools=(cmake ninja x86_64-w64-mingw32-g++-posix "wine64|wine" wineserver xvfb-run python3)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null 2>&1 || {
      echo "install-windows-deps: installing ${missing[*]} needs root, and sudo is not installed" >&2
      exit 1
    }
    sudo="sudo"
  fi
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
"$(dirname "$0")/require-tools.sh" install-windows-deps "${tools[@]}"
