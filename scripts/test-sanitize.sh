#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer in build-asan/ and
# runs the whole test suite there. Extra arguments go to cmake's configure step.
# Leak checking stays on: every test frees what it made, Qt included, so a leak report is
# ours to mend.
set -euo pipefail
cd "$(dirname "$0")/.."
# The test run starts a throwaway PostgreSQL in build-asan/pg and stops it; a run cut short stops it here.
trap './scripts/pg-throwaway.sh stop build-asan/pg >/dev/null 2>&1 || true' EXIT
./scripts/deps.sh
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B build-asan -DRFMOD_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" "$@" >/dev/null
cmake --build build-asan -j2
cd build-asan
export ASAN_OPTIONS=detect_leaks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2 --timeout 600
