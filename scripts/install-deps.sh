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

# The commands the build, the tests and the scripts run, from the packages above.
tools=(cmake ninja g++ pkg-config clang++ valgrind gpasm srec_cat xvfb-run dpkg-shlibdeps)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null 2>&1 || {
      echo "install-deps: installing ${missing[*]} needs root, and sudo is not installed" >&2
      exit 1
    }
    sudo="sudo"
  fi
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
"$(dirname "$0")/require-tools.sh" install-deps "${tools[@]}"
