#!/usr/bin/env bash
# Installs, builds and starts the tool in run/, whose Config.ini points COM1 at the built-in
# simulated module (a 433 MHz KTX525 at 2400 baud, no parity), so everything can be tried
# without hardware, with the operator's manual for Help. Edit run/Config.ini to use a real port,
# e.g. COM1=/dev/ttyUSB0.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/deps.sh
./scripts/build.sh
mkdir -p run
# Help opens readme.doc from the working directory: the operator's manual.
cp docs/manual/readme.doc run/readme.doc
if [ ! -f run/Config.ini ]; then
  printf '[Ports]\r\nCOM1=sim:model=35,band=433,baud=2400,parity=none\r\n' > run/Config.ini
fi
cd run
exec ../build/rfmodtool "$@"
