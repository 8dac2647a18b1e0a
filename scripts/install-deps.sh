#!/usr/bin/env bash
# Installs the Debian or Ubuntu packages the build and the tests need, when any is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libgl-dev fontconfig fonts-dejavu-core
  libgtest-dev libgmock-dev
  libbenchmark-dev
  clang libclang-rt-dev valgrind
  gputils srecord
  xvfb xauth
  dpkg-dev desktop-file-utils  # cpack -G DEB (dpkg-shlibdeps), the desktop entry's check
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
