#!/usr/bin/env bash
# Installs the Debian packages the build needs, when they are missing and we are root:
# the toolchain, Qt, Qt Serial Port for the GNSS Monitor's serial source, and gpsd with its
# clients and Python library, which the monitor's tests start (gpsfake) to serve a recording.
# Usage: scripts/deps.sh [extra packages...]
set -euo pipefail

# qt6-svg-dev: SVG export; poppler-utils: the PDF export tests read the files back.
packages=(cmake g++ ninja-build qt6-base-dev qt6-base-dev-tools qt6-svg-dev libgl-dev qt6-serialport-dev
          gpsd gpsd-clients python3-gps poppler-utils "$@")
missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
if [ "$(id -u)" -ne 0 ]; then
  echo "Missing packages: ${missing[*]} (run as root, or install them yourself)" >&2
  exit 1
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
