#!/usr/bin/env bash
# The production record's benchmark: measures how long one module takes on the emulator jig
# (a short bench/program_bench.py run, one port), starts a throwaway PostgreSQL with fsync on,
# runs db_bench on SQLite and PostgreSQL with 1, 4 and 16 allocators, and stops the server.
#   bench/db_bench.sh [BUILD_DIR] [db_bench options, e.g. --seconds 5]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
shift || true
work=$(mktemp -d /tmp/rfmod-dbbench.XXXXXX)
chmod 755 "$work"
trap 'scripts/pg-throwaway.sh stop "$work/pg" >/dev/null 2>&1 || true; rm -rf "$work"' EXIT

rate=$(python3 bench/program_bench.py --build "$build" --ports 1 --modules 3 |
       sed -n 's/^ports=1 modules_per_minute=\([0-9.]*\).*/\1/p')
[ -n "$rate" ] || { echo "db_bench.sh: program_bench.py gave no rate" >&2; exit 1; }
module_ms=$(python3 -c "print(round(60000 / $rate))")
echo "one module on the jig: $module_ms ms ($rate a minute on one port)"

url=$(PG_FSYNC=on scripts/pg-throwaway.sh start "$work/pg")
# PostgreSQL's notices (tables that exist already) are no news here
"$build/bench/db_bench" --pg "$url" --module-ms "$module_ms" "$@" 2> >(grep -v '^NOTICE:' >&2)
