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

"$(dirname "$0")/install-packages.sh" install-windows-deps "${packages[@]}"
"$(dirname "$0")/require-tools.sh" install-windows-deps "${tools[@]}"
