#!/usr/bin/env bash
# Idle CPU of the running tool with its 20 ms reception poll, on a real pseudo-terminal port
# served by rfmod-emu and on the built-in simulated module.
#   bench/idle_cpu.sh [seconds]
set -euo pipefail
cd "$(dirname "$0")/.."
secs=${1:-30}
tick=$(getconf CLK_TCK)
work=$(mktemp -d)
tool=$(pwd)/build/rfmodtool
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT

measure() { # label, directory
  (cd "$2" && exec env QT_QPA_PLATFORM=offscreen "$tool" >/dev/null 2>&1) &
  local pid=$!
  sleep 3
  local t0 s0 t1 s1
  read -r t0 s0 < <(awk '{print $14, $15}' /proc/"$pid"/stat)
  sleep "$secs"
  read -r t1 s1 < <(awk '{print $14, $15}' /proc/"$pid"/stat)
  local rss
  rss=$(awk '/VmRSS/ {print $2}' /proc/"$pid"/status)
  kill "$pid"; wait "$pid" 2>/dev/null || true
  awk -v u=$((t1 - t0)) -v s=$((s1 - s0)) -v hz="$tick" -v secs="$secs" -v l="$1" -v rss="$rss" \
    'BEGIN { printf "%-22s %.2f %% of a core (user+system over %d s), RSS %d KiB\n", l, 100 * (u + s) / hz / secs, secs, rss }'
}

build/rfmod-emu baud=2400,parity=none > "$work/pty" &
sleep 1
mkdir -p "$work/pty-run" "$work/sim-run"
printf '[Ports]\r\nCOM1=%s\r\n' "$(head -1 "$work/pty")" > "$work/pty-run/Config.ini"
printf '[Ports]\r\nCOM1=sim\r\n' > "$work/sim-run/Config.ini"
measure "pseudo-terminal port" "$work/pty-run"
measure "simulated module" "$work/sim-run"
