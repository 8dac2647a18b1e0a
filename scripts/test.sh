#!/usr/bin/env bash
# Builds everything and runs every test: the sanitizer build, the fuzz smoke runs, the Windows
# build under Wine, then CTest.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
scripts/test-sanitizers.sh
scripts/test-fuzz-smoke.sh
scripts/test-windows.sh
ctest --test-dir build --output-on-failure -j2
