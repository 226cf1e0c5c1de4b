#!/usr/bin/env bash
# Installs what the build and the tests need on Debian 12, skipping what is already there.
# PostgreSQL is installed for the throwaway clusters the tests and benchmarks start themselves
# (scripts/pg-throwaway.sh): the package's own server is not started.
set -euo pipefail
packages=(build-essential cmake pkg-config ccache clang libclang-rt-14-dev python3
          qt6-base-dev qt6-serialport-dev qt6-charts-dev qt6-qpa-plugins qt6-translations-l10n libsimpleini-dev
          libqt6sql6-sqlite libqt6sql6-psql postgresql
          fonts-wqy-microhei fonts-liberation)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  # Debian's postgresql starts a server on 5432 when installed; nothing here uses it, so the
  # install is told not to start services (unless the machine already has such a policy).
  policy=/usr/sbin/policy-rc.d
  if [ ! -e "$policy" ]; then
    printf '#!/bin/sh\nexit 101\n' | $sudo_cmd tee "$policy" >/dev/null
    $sudo_cmd chmod 755 "$policy"
    trap '$sudo_cmd rm -f "$policy"' EXIT
  fi
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq "${missing[@]}"
fi
