#!/usr/bin/env bash
# Configures and builds into build/ (Release with debug info unless BUILD_TYPE says otherwise).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" >/dev/null
ninja -C build "$@"
