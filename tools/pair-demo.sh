#!/usr/bin/env bash
# Two emulated modules on pseudo-terminals, joined by the UDP air link on 127.0.0.1, and one
# copy of the tool on each, so a person can run a pair test (main-send against main-receive)
# or two data terminals on one desktop; the windows are titled station A and station B.
#
#   tools/pair-demo.sh [--baud N] [--faults SETTINGS] [--dir DIR] [--headless]
#
#   --baud N      serial and air rate of both modules, and the tool's port rate (default 9600;
#                 one of 600 1200 2400 4800 9600 19200 38400)
#   --faults S    extra emulator settings for both modules, e.g. truncate=0.2,truncate-bytes=3
#   --dir DIR     working directories go under DIR (default: a new temporary directory)
#   --headless    start everything offscreen, save a picture of each window, stop (a check
#                 that the set-up works without a display)
# Environment: BUILD_DIR (default build), AIR_PORT_A / AIR_PORT_B (default 47461 / 47462).
set -euo pipefail

ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD_DIR="${BUILD_DIR:-$ROOT/build}"
BAUD=9600
FAULTS=""
DIR=""
HEADLESS=0
while [ $# -gt 0 ]; do
  case "$1" in
    --baud) BAUD="$2"; shift 2 ;;
    --faults) FAULTS="$2"; shift 2 ;;
    --dir) DIR="$2"; shift 2 ;;
    --headless) HEADLESS=1; shift ;;
    -h|--help) sed -n '2,16p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "unknown argument: $1" >&2; exit 2 ;;
  esac
done

# Position of the rate in the port dialog's list, as Config.ini stores it.
RATES=(600 1200 2400 4800 9600 19200 38400)
RATE_INDEX=-1
for i in "${!RATES[@]}"; do
  [ "${RATES[$i]}" = "$BAUD" ] && RATE_INDEX=$i
done
if [ "$RATE_INDEX" -lt 0 ]; then
  echo "baud rate $BAUD is not in the port dialog's list: ${RATES[*]}" >&2
  exit 2
fi

if [ ! -x "$BUILD_DIR/rfmod-emu" ] || [ ! -x "$BUILD_DIR/rfmodtool" ]; then
  cmake -S "$ROOT" -B "$BUILD_DIR" >/dev/null
  cmake --build "$BUILD_DIR" -j2 --target rfmod-emu rfmodtool
fi

[ -n "$DIR" ] || DIR="$(mktemp -d /tmp/pair-demo.XXXXXX)"
mkdir -p "$DIR/a" "$DIR/b"
PORT_A="${AIR_PORT_A:-47461}"
PORT_B="${AIR_PORT_B:-47462}"
SETTINGS="model=35,band=433,baud=$BAUD,air=$BAUD,parity=none,channel=1"
[ -n "$FAULTS" ] && SETTINGS="$SETTINGS,$FAULTS"

PIDS=()
cleanup() {
  for pid in "${PIDS[@]}"; do
    kill "$pid" 2>/dev/null || true
  done
  wait 2>/dev/null || true
}
trap cleanup EXIT INT TERM

rm -f "$DIR/a/ttyEMU" "$DIR/b/ttyEMU"
"$BUILD_DIR/rfmod-emu" "$SETTINGS" --link "$DIR/a/ttyEMU" --air-listen "$PORT_A" --air-peer "$PORT_B" \
  >"$DIR/a/emu.out" 2>"$DIR/a/emu.err" &
PIDS+=($!)
"$BUILD_DIR/rfmod-emu" "$SETTINGS" --link "$DIR/b/ttyEMU" --air-listen "$PORT_B" --air-peer "$PORT_A" \
  >"$DIR/b/emu.out" 2>"$DIR/b/emu.err" &
PIDS+=($!)
for side in a b; do
  for _ in $(seq 50); do
    [ -e "$DIR/$side/ttyEMU" ] && break
    sleep 0.1
  done
  if [ ! -e "$DIR/$side/ttyEMU" ]; then
    echo "emulator $side did not start:" >&2
    cat "$DIR/$side/emu.err" >&2
    exit 1
  fi
done

for side in a b; do
  # COM1 of each tool is its own emulator, opened at the emulators' rate, no parity.
  printf '[COM]\r\nPort=0\r\nRate=%d\r\nVerify=2\r\n[Ports]\r\nCOM1=%s\r\n' \
    "$RATE_INDEX" "$DIR/$side/ttyEMU" >"$DIR/$side/Config.ini"
done

echo "modules: $SETTINGS"
echo "side A: $DIR/a (COM1 = $(readlink "$DIR/a/ttyEMU")), side B: $DIR/b (COM1 = $(readlink "$DIR/b/ttyEMU"))"

if [ "$HEADLESS" = 1 ]; then
  for side in a b; do
    (cd "$DIR/$side" && RFMOD_SCREENSHOT="$DIR/$side/window.png" RFMOD_SCREENSHOT_PAGE=1 \
      QT_QPA_PLATFORM=offscreen timeout 20 "$BUILD_DIR/rfmodtool" --station "${side^^}" >"$DIR/$side/tool.log" 2>&1) || true
    if [ -s "$DIR/$side/window.png" ]; then
      echo "side $side: window saved in $DIR/$side/window.png"
    else
      echo "side $side: the tool did not come up, see $DIR/$side/tool.log" >&2
      exit 1
    fi
  done
  exit 0
fi

echo "On side A choose 主发 and press 发送; on side B choose 主收 and press 接收 (both on page 对传测试)."
(cd "$DIR/a" && "$BUILD_DIR/rfmodtool" --station A) &
TOOL_A=$!
(cd "$DIR/b" && "$BUILD_DIR/rfmodtool" --station B) &
TOOL_B=$!
# The emulators serve until both windows are closed.
wait "$TOOL_A" "$TOOL_B" || true
