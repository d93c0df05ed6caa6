#!/usr/bin/env bash
# Installs the Debian packages the build, the tool and the tests need, only those that are missing.
set -euo pipefail
# qt6-charts-dev: the History window's chart; its CMake package also needs libqt6opengl6-dev.
pkgs=(g++ cmake make qt6-base-dev qt6-serialport-dev libqt6serialport6 fonts-dejavu-core xvfb xauth trayer xdg-utils x11-utils desktop-file-utils
      help2man lintian systemd man-db pkg-config libmosquitto-dev mosquitto mosquitto-clients
      libqt6sql6-sqlite qt6-charts-dev libqt6charts6 libqt6opengl6-dev
      qt6-httpserver-dev libqt6httpserver6 libqt6sql6-psql postgresql chromium chromium-driver python3-selenium)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq || true
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
