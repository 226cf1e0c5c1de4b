#!/usr/bin/env bash
# Idle CPU of the running tool, on a real pseudo-terminal port served by rfmod-emu and on the
# built-in simulated module: the scheduler's nanoseconds over all its threads. Reception waits
# for the port's notification, so an idle tool should hardly wake at all; answer_latency_bench
# sets this against a 20 ms polling baseline in the same run.
#   bench/idle_cpu.sh [seconds]
set -euo pipefail
cd "$(dirname "$0")/.."
secs=${1:-30}
work=$(mktemp -d)
tool=$(pwd)/build/rfmodtool
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT

# "thread nanoseconds" for every thread of a process
thread_ns() { for t in /proc/"$1"/task/*; do echo "${t##*/} $(cut -d' ' -f1 "$t"/schedstat)"; done; }
# What the threads alive at the end used since the first count (a thread that ended in between
# takes its count with it and must not make the total go down).
ns_since() { awk 'NR == FNR { b[$1] = $2; next } { n += $2 - b[$1] } END { printf "%d", n }' "$1" "$2"; }

measure() { # label, directory
  (cd "$2" && exec env QT_QPA_PLATFORM=offscreen "$tool" >/dev/null 2>&1) &
  local pid=$!
  sleep 3
  local ns rss
  thread_ns "$pid" > "$work/before"
  sleep "$secs"
  thread_ns "$pid" > "$work/after"
  ns=$(ns_since "$work/before" "$work/after")
  rss=$(awk '/VmRSS/ {print $2}' /proc/"$pid"/status)
  kill "$pid"; wait "$pid" 2>/dev/null || true
  awk -v ns="$ns" -v secs="$secs" -v l="$1" -v rss="$rss" \
    'BEGIN { printf "%-22s %.4f %% of a core (%.1f ms CPU over %d s), RSS %d KiB\n", l, ns / 1e7 / secs, ns / 1e6, secs, rss }'
}

build/rfmod-emu baud=2400,parity=none > "$work/pty" 2>/dev/null &
sleep 1
mkdir -p "$work/pty-run" "$work/sim-run"
printf '[Ports]\r\nCOM1=%s\r\n' "$(head -1 "$work/pty")" > "$work/pty-run/Config.ini"
printf '[Ports]\r\nCOM1=sim\r\n' > "$work/sim-run/Config.ini"
measure "pseudo-terminal port" "$work/pty-run"
measure "simulated module" "$work/sim-run"
