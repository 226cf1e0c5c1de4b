#!/usr/bin/env bash
# Installs, builds and runs every test (widgets run on Qt's offscreen platform), then runs
# each fuzz target briefly (FUZZ_SECONDS, default 10 s each).
set -euo pipefail
cd "$(dirname "$0")/.."
# The test run starts a throwaway PostgreSQL in build/pg and stops it; a run cut short stops it here.
trap './scripts/pg-throwaway.sh stop build/pg >/dev/null 2>&1 || true' EXIT
./scripts/deps.sh
./scripts/build.sh "$@"
(cd build && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2 --timeout 300)
# Every parser of outside data under libFuzzer for a short, bounded time.
./scripts/fuzz.sh "${FUZZ_SECONDS:-10}"
