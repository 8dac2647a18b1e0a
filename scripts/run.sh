#!/usr/bin/env bash
# Builds the utility and starts it on the simulated board.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh zbk-utility
exec ./build/qt/zbk-utility --simulate "$@"
