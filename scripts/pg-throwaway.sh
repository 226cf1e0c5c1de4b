#!/usr/bin/env bash
# A throwaway PostgreSQL cluster for the tests and benchmarks: a data directory of its own, a
# free local port, trust authentication, a role and a database "rfmod".
#   scripts/pg-throwaway.sh start DIR   prints postgresql://rfmod@127.0.0.1:PORT/rfmod (also in DIR/url)
#   scripts/pg-throwaway.sh stop DIR    stops it and removes DIR
#   scripts/pg-throwaway.sh pause DIR / resume DIR   stops and starts the server, data kept
# As root the server runs as the postgres user, as PostgreSQL requires. fsync is off unless
# PG_FSYNC=on (the benchmark measures with it on).
set -euo pipefail
cmd=${1:?start, stop, pause or resume}
dir=${2:?directory}
bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -1)
[ -x "$bin/initdb" ] || { echo "pg-throwaway: PostgreSQL is not installed (apt-get install postgresql)" >&2; exit 1; }
as_owner() {
  if [ "$(id -u)" -eq 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}
ctl() { as_owner "$bin/pg_ctl" -D "$dir/data" -l "$dir/log" -w -t 30 "$@" >/dev/null; }
case "$cmd" in
  start)
    # what an interrupted run left behind goes first
    [ -d "$dir/data" ] && { ctl stop -m immediate || true; }
    rm -rf "$dir"
    mkdir -p "$dir"
    [ "$(id -u)" -eq 0 ] && chown postgres "$dir"
    as_owner "$bin/initdb" -D "$dir/data" -U postgres --auth=trust -E UTF8 >/dev/null
    port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
    echo "$port" > "$dir/port"
    [ "$(id -u)" -eq 0 ] && chown postgres "$dir/port"
    ctl -o "-p $port -k $dir -c listen_addresses=127.0.0.1 -c fsync=${PG_FSYNC:-off}" start
    as_owner "$bin/psql" -h 127.0.0.1 -p "$port" -U postgres -q -c "CREATE ROLE rfmod LOGIN" -c "CREATE DATABASE rfmod OWNER rfmod" postgres
    echo "postgresql://rfmod@127.0.0.1:$port/rfmod" | tee "$dir/url"
    ;;
  pause) ctl stop -m fast ;;
  resume)
    port=$(cat "$dir/port")
    ctl -o "-p $port -k $dir -c listen_addresses=127.0.0.1 -c fsync=${PG_FSYNC:-off}" start
    ;;
  stop)
    [ -d "$dir/data" ] && ctl stop -m immediate || true
    rm -rf "$dir"
    ;;
  *) echo "pg-throwaway: start, stop, pause or resume" >&2; exit 2 ;;
esac
