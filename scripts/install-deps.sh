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

"$(dirname "$0")/install-packages.sh" install-deps "${packages[@]}"
"$(dirname "$0")/require-tools.sh" install-deps "${tools[@]}"
