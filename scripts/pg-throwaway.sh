#!/usr/bin/env bash
# A throwaway PostgreSQL cluster for the tests and benchmarks: a data directory of its own, a
# free local port, trust authentication, a role and a database "rfmod".
#   scripts/pg-throwaway.sh start DIR   prints postgresql://rfmod@127.0.0.1:PORT/rfmod (also in DIR/url)
#   scripts/pg-throwaway.sh stop DIR    stops it and removes it
#   scripts/pg-throwaway.sh pause DIR / resume DIR   stops and starts the server, data kept
# DIR keeps the URL, the port and where the cluster lives. As root the server runs as the
# postgres user, as PostgreSQL requires, in a directory under /tmp that user can reach (DIR
# may be in a home directory it cannot enter). fsync is off unless PG_FSYNC=on (the benchmark
# measures with it on).
set -euo pipefail
cmd=${1:?start, stop, pause or resume}
dir=${2:?directory}
bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -1)
[ -x "$bin/initdb" ] || { echo "pg-throwaway: PostgreSQL is not installed (apt-get install postgresql)" >&2; exit 1; }
as_owner() {
  if [ "$(id -u)" -eq 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}
home() { cat "$dir/cluster" 2>/dev/null || true; }
ctl() {
  local c; c=$(home)
  as_owner "$bin/pg_ctl" -D "$c/data" -l "$c/log" -w -t 30 "$@" >/dev/null
}
run_server() {
  local c; c=$(home)
  ctl -o "-p $(cat "$dir/port") -k $c -c listen_addresses=127.0.0.1 -c fsync=${PG_FSYNC:-off}" start
}
stop_all() {
  local c; c=$(home)
  if [ -n "$c" ] && [ -d "$c/data" ]; then ctl stop -m immediate || true; fi
  [ -n "$c" ] && rm -rf "$c"
  rm -rf "$dir"
}
case "$cmd" in
  start)
    stop_all # what an interrupted run left behind goes first
    mkdir -p "$dir"
    cluster=$(mktemp -d /tmp/rfmod-pg.XXXXXX)
    [ "$(id -u)" -eq 0 ] && chown postgres "$cluster"
    echo "$cluster" > "$dir/cluster"
    as_owner "$bin/initdb" -D "$cluster/data" -U postgres --auth=trust -E UTF8 >/dev/null
    python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])' > "$dir/port"
    run_server
    as_owner "$bin/psql" -h 127.0.0.1 -p "$(cat "$dir/port")" -U postgres -q \
      -c "CREATE ROLE rfmod LOGIN" -c "CREATE DATABASE rfmod OWNER rfmod" postgres
    echo "postgresql://rfmod@127.0.0.1:$(cat "$dir/port")/rfmod" | tee "$dir/url"
    ;;
  pause) ctl stop -m fast ;;
  resume) run_server ;;
  stop) stop_all ;;
  *) echo "pg-throwaway: start, stop, pause or resume" >&2; exit 2 ;;
esac
