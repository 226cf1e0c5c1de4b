#!/usr/bin/env bash
# Installs what the build and the tests need on Debian 12, skipping what is already there.
set -euo pipefail
packages=(build-essential cmake pkg-config ccache clang libclang-rt-14-dev
          qt6-base-dev qt6-serialport-dev qt6-charts-dev qt6-qpa-plugins qt6-translations-l10n libsimpleini-dev
          fonts-wqy-microhei fonts-liberation)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq "${missing[@]}"
fi
