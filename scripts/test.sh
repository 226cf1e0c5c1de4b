#!/usr/bin/env bash
# Installs, builds and runs every test (widgets run on Qt's offscreen platform), then runs
# each fuzz target briefly (FUZZ_SECONDS, default 10 s each).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/deps.sh
./scripts/build.sh "$@"
(cd build && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2 --timeout 300)
# Every parser of outside data under libFuzzer for a short, bounded time.
./scripts/fuzz.sh "${FUZZ_SECONDS:-10}"
