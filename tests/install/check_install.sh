#!/usr/bin/env bash
# Checks what an operator gets:
#   tree: `cmake --install` into a temporary prefix holds the programs, the launcher, the icons in
#         every size and the watch service (when the source has one), and an installed program runs;
#   deb:  the Debian package that cpack makes from the build holds the same under /usr and names
#         its dependencies and maintainer.
# Usage: check_install.sh tree|deb BUILD_DIR SOURCE_DIR HAS_CLI(0|1). Exit 77: a tool is missing.
set -u
mode="$1" build="$2" source="$3" has_cli="${4:-0}"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
need() { command -v "$1" >/dev/null || { echo "SKIP: $1 is not installed"; exit 77; }; }

# The files an installed tree must hold, relative to its prefix.
expected=(bin/tablo bin/tablo-board-sim share/applications/tablo.desktop)
[ "$has_cli" = 1 ] && expected+=(bin/tablo-cli)
for size in 16 32 48 64 128 256; do expected+=("share/icons/hicolor/${size}x${size}/apps/quorvanel-tablo.png"); done
[ -f "$source/packaging/tablo-watch.service" ] && expected+=(lib/systemd/user/tablo-watch.service)

case "$mode" in
tree)
  need cmake
  cmake --install "$build" --prefix "$tmp/prefix" >"$tmp/install.log" 2>&1 || { cat "$tmp/install.log"; fail "cmake --install"; }
  for f in "${expected[@]}"; do [ -f "$tmp/prefix/$f" ] || fail "missing $f"; done
  for f in tablo tablo-board-sim; do [ -x "$tmp/prefix/bin/$f" ] || fail "bin/$f cannot be run"; done
  # Each icon is drawn at the size its folder names (PNG width and height at bytes 16..23).
  for size in 16 32 48 64 128 256; do
    png="$tmp/prefix/share/icons/hicolor/${size}x${size}/apps/quorvanel-tablo.png"
    [ -f "$png" ] || continue
    dims=$(od -An -tu1 -j16 -N8 "$png" | awk '{print $3*256+$4 "x" $7*256+$8}')
    [ "$dims" = "${size}x${size}" ] || fail "icon ${size}x${size} is $dims"
  done
  desktop="$tmp/prefix/share/applications/tablo.desktop"
  if [ -f "$desktop" ]; then
    # The launcher's window class is the one Qt gives the main window: the application name.
    grep -qx 'StartupWMClass=Exchange_Tablo' "$desktop" || fail "launcher without StartupWMClass=Exchange_Tablo"
    grep -qx 'Icon=quorvanel-tablo' "$desktop" || fail "launcher names another icon"
    grep -qx 'Exec=tablo' "$desktop" || fail "launcher starts another program"
    if command -v desktop-file-validate >/dev/null; then
      desktop-file-validate "$desktop" || fail "desktop-file-validate"
    fi
  fi
  # An installed program finds its libraries from where it was put.
  "$tmp/prefix/bin/tablo-board-sim" --help >/dev/null 2>&1 || fail "installed tablo-board-sim --help"
  ;;
deb)
  need cpack
  need dpkg-deb
  timeout 100 cpack --config "$build/CPackConfig.cmake" -G DEB -B "$tmp/out" >"$tmp/cpack.log" 2>&1 || { cat "$tmp/cpack.log"; fail "cpack"; }
  deb=$(ls "$tmp"/out/*.deb 2>/dev/null | head -n1)
  if [ -z "$deb" ]; then
    fail "no .deb made"
  else
    dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./||' >"$tmp/contents"
    for f in "${expected[@]}"; do grep -qx "usr/$f" "$tmp/contents" || fail "package lacks /usr/$f"; done
    info=$(dpkg-deb -I "$deb")
    depends=$(printf '%s\n' "$info" | sed -n 's/^ Depends: //p')
    for p in libqt6core6 libqt6gui6 libqt6widgets6 libqt6network6 libqt6serialport6 fonts-dejavu-core; do
      [[ ",$depends," =~ [,\ ]$p[\ ,] ]] || fail "package does not depend on $p ($depends)"
    done
    printf '%s\n' "$info" | grep -q '^ Maintainer: .*@' || fail "package names no maintainer"
    printf '%s\n' "$info" | grep -q '^ Description: ' || fail "package has no description"
  fi
  ;;
*) echo "usage: $0 tree|deb BUILD_DIR SOURCE_DIR HAS_CLI"; exit 2 ;;
esac
[ "$failures" -eq 0 ] && echo "install $mode: all checks passed"
exit $((failures > 0))
