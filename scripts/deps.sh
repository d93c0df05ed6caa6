#!/usr/bin/env bash
# Installs the Debian packages that the named purposes need, only those that are missing.
#
#   scripts/deps.sh build run            ./run.sh: build the programs, start the window
#   scripts/deps.sh build run test       ./test.sh: the above and every test's servers and tools
#   scripts/deps.sh build package        scripts/package.sh: the Debian package
#
# Each package is named in one group only; the -dev packages pull in their run-time libraries.
set -euo pipefail

# The build of every program (tablo, tablo-cli, tablo-board-sim, tablo-centre) and its manual pages.
# qt6-charts-dev (the History window's chart) needs libqt6opengl6-dev, and qt6-httpserver-dev (the
# centre) needs qt6-websockets-dev, for their CMake packages; Debian's packages do not say so.
build=(g++ cmake make pkg-config help2man
       qt6-base-dev qt6-serialport-dev qt6-charts-dev libqt6opengl6-dev
       qt6-httpserver-dev qt6-websockets-dev libmosquitto-dev)
# Running the window: the font of the Georgian texts, Qt's SQLite driver (the journal), a virtual
# screen where there is no display, and the desktop's choice of a text editor.
run=(fonts-dejavu-core libqt6sql6-sqlite xvfb xauth xdg-utils)
# What the tests add: a real broker, a throw-away PostgreSQL cluster and Qt's driver for it, a
# headless browser driven by Selenium, the checks of the installed tree and of the package.
test=(mosquitto mosquitto-clients postgresql libqt6sql6-psql chromium chromium-driver python3-selenium
      x11-utils desktop-file-utils lintian systemd man-db)
# What the package build adds: dpkg-shlibdeps and file, from which CPack finds the libraries.
package=(dpkg-dev file)

[ $# -gt 0 ] || set -- build run test package
pkgs=()
for group in "$@"; do
  case "$group" in
  build) pkgs+=("${build[@]}") ;;
  run) pkgs+=("${run[@]}") ;;
  test) pkgs+=("${test[@]}") ;;
  package) pkgs+=("${package[@]}") ;;
  *) echo "usage: scripts/deps.sh [build] [run] [test] [package]" >&2; exit 64 ;;
  esac
done
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
