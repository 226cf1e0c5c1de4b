#!/usr/bin/env bash
# The fuzz targets for longer than the quick run: every target for N seconds (default 600).
#   bench/fuzz_long.sh [seconds-per-target] [target...]
# Inputs found are kept in build-fuzz/fuzz-work/<target>/corpus and reused by later runs.
set -euo pipefail
cd "$(dirname "$0")/.."
secs=${1:-600}
shift || true
exec ./scripts/fuzz.sh "$secs" "$@"
