#!/usr/bin/env bash
# Builds the Debian package into build/ (installing the build's packages first, through apt-get,
# only those missing); with --install also installs it. Runs as root or as a user with sudo.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
case "${1:-}" in
"" | --install) ;;
*) echo "usage: scripts/package.sh [--install]" >&2; exit 64 ;;
esac
"$here/scripts/deps.sh" build package
"$here/scripts/build.sh"
rm -f "$here"/build/quorvanel-tablo_*.deb
(cd "$here/build" && cpack -G DEB >/dev/null)
deb=$(ls "$here"/build/quorvanel-tablo_*.deb)
echo "Built $deb"
if [ "${1:-}" = --install ]; then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y "$deb"
fi
