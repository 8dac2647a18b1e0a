#!/usr/bin/env bash
# The fuzz targets' smoke run for the test command: each target for a short time (10 s, or
# SECONDS), from its seed corpus. Any finding fails.
#
#   scripts/test-fuzz-smoke.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
exec scripts/fuzz.sh "${1:-10}"
