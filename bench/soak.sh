#!/usr/bin/env bash
# Long run of two pair-test stations (rfmodctl pair, each in its own process): two rfmod-emu modules joined over the UDP air link with a fault
# rate, main-receive on one, timed main-send every 100 ms on the other. CPU and memory of both
# stations are sampled every minute; at the end every frame and byte must be accounted for.
# Blocks closer together than the frame gap reach a station as one frame, so the stations'
# counters are checked in bytes, the air link's in frames:
#   bytes main-send sent     = bytes main-receive received + bytes the air link lost
#   bytes main-receive sent  = bytes main-send received    + bytes the air link lost
#   frames a module sent     = frames the other module delivered + frames dropped
#
#   bench/soak.sh [minutes=30] [faults="drop=0.02,truncate=0.02,truncate-bytes=3,corrupt=0.01,seed=7"]
set -euo pipefail
cd "$(dirname "$0")/.."
minutes=${1:-30}
faults=${2:-drop=0.02,truncate=0.02,truncate-bytes=3,corrupt=0.01,seed=7}
secs=$((minutes * 60))
build=$(pwd)/build
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true' EXIT
portA=$((47700 + RANDOM % 100 * 2)); portB=$((portA + 1))
settings="baud=38400,parity=none,air=19200,channel=7,$faults"

"$build/rfmod-emu" "$settings" --air-listen $portA --air-peer $portB > "$work/ptyA" 2> "$work/emuA.err" & emuA=$!
"$build/rfmod-emu" "$settings" --air-listen $portB --air-peer $portA > "$work/ptyB" 2> "$work/emuB.err" & emuB=$!
sleep 1
for s in A B; do
  mkdir -p "$work/$s"
  # the factory test edition repairs no truncated frame, so received bytes are what arrived
  printf '[Ports]\r\nCOM1=%s\r\n[COM]\r\nRate=6\r\n[Ver]\r\ntype=VORDAL\r\n' "$(head -1 "$work/pty$s")" > "$work/$s/Config.ini"
done
(cd "$work/B" && exec "$build/rfmodctl" --gap 60 pair --role receive --seconds $((secs + 6))) > "$work/B.out" 2> "$work/B.err" & rx=$!
sleep 2
(cd "$work/A" && exec "$build/rfmodctl" --gap 60 pair --role send --timed 100 --seconds "$secs" \
  --data "SOAK-0123456789-ABCDEFGHIJ") > "$work/A.out" 2> "$work/A.err" & tx=$!
# CPU (% of one core over the last minute) and resident memory of both stations, every minute.
sample() { # pid name
  local t=0 last=0 now ticks
  ticks=$(getconf CLK_TCK)
  while kill -0 "$1" 2>/dev/null; do
    sleep 60; t=$((t + 60))
    now=$(awk '{print $14 + $15}' "/proc/$1/stat" 2>/dev/null) || break
    echo "sample t=$t cpu=$(awk -v d=$((now - last)) -v k="$ticks" 'BEGIN { printf "%.2f", 100 * d / k / 60 }') rss=$(awk '/VmRSS/ {print $2}' "/proc/$1/status")" >> "$work/$2.samples"
    last=$now
  done
}
touch "$work/A.samples" "$work/B.samples"
sample $tx A & sample $rx B &
wait $tx $rx
kill -TERM $emuA $emuB; wait $emuA $emuB 2>/dev/null || true

echo "main-send samples (t s, CPU % of a core, RSS KiB):"; sed 's/^/  /' "$work/A.samples"
echo "main-receive samples:"; sed 's/^/  /' "$work/B.samples"
grep counters "$work/A.out" | sed 's/^/main-send    /'
grep counters "$work/B.out" | sed 's/^/main-receive /'
grep '^air' "$work/emuA.err" | sed 's/^/module A /'
grep '^air' "$work/emuB.err" | sed 's/^/module B /'

val() { grep "$1" "$2" | tail -1 | tr ' ' '\n' | grep "^$3=" | cut -d= -f2; }
S_tx=$(val counters "$work/A.out" tx); S_rx=$(val counters "$work/A.out" rx)
R_tx=$(val counters "$work/B.out" tx); R_rx=$(val counters "$work/B.out" rx)
A_sent=$(val '^air' "$work/emuA.err" sent); A_drop=$(val '^air' "$work/emuA.err" dropped); A_lost=$(val '^air' "$work/emuA.err" lostbytes)
B_sent=$(val '^air' "$work/emuB.err" sent); B_drop=$(val '^air' "$work/emuB.err" dropped); B_lost=$(val '^air' "$work/emuB.err" lostbytes)
A_dlv=$(val '^air' "$work/emuA.err" delivered); B_dlv=$(val '^air' "$work/emuB.err" delivered)
rss_first=$(head -1 "$work/A.samples" | sed 's/.*rss=//'); rss_last=$(tail -1 "$work/A.samples" | sed 's/.*rss=//')
ok=1
if [ "$S_tx" -ne $((R_rx + A_lost)) ]; then echo "FAIL: $S_tx bytes sent != $R_rx received + $A_lost lost"; ok=0; fi
if [ "$R_tx" -ne $((S_rx + B_lost)) ]; then echo "FAIL: $R_tx bytes echoed != $S_rx received + $B_lost lost"; ok=0; fi
if [ "$A_sent" -ne $((B_dlv + A_drop)) ]; then echo "FAIL: $A_sent frames != $B_dlv delivered + $A_drop dropped"; ok=0; fi
if [ "$B_sent" -ne $((A_dlv + B_drop)) ]; then echo "FAIL: $B_sent frames != $A_dlv delivered + $B_drop dropped"; ok=0; fi
if [ -n "$rss_first" ] && [ $((rss_last - rss_first)) -gt 4096 ]; then echo "FAIL: memory grew from $rss_first to $rss_last KiB"; ok=0; fi
[ $ok = 1 ] && echo "soak OK: every frame accounted for, memory $rss_first -> $rss_last KiB"
[ $ok = 1 ]
