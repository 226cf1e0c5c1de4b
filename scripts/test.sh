#!/usr/bin/env bash
# Installs, builds and runs every test (widgets run on Qt's offscreen platform).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/deps.sh
./scripts/build.sh "$@"
cd build
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2 --timeout 300
