#!/usr/bin/env bash
# What an operator gets. tree: `cmake --install` into a temporary prefix; deb: the package cpack
# makes of the build. Usage: check_install.sh tree|deb BUILD SOURCE HAS_CLI. Exit 77: no tool.
set -u
mode="$1" build="$2" source="$3" has_cli="$4" tmp=$(mktemp -d) failed=0
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*"; failed=1; }
for tool in cmake $([ "$mode" = deb ] && echo cpack dpkg-deb); do
  command -v "$tool" >/dev/null || { echo "SKIP: no $tool"; exit 77; }
done
files=(bin/tablo bin/tablo-board-sim share/applications/tablo.desktop)
[ "$has_cli" = 1 ] && files+=(bin/tablo-cli)
[ -f "$source/packaging/tablo-watch.service" ] && files+=(lib/systemd/user/tablo-watch.service)
[ -f "$source/packaging/tablo-mqtt@.service" ] && files+=("lib/systemd/user/tablo-mqtt@.service")
for n in 16 32 48 64 128 256; do files+=("share/icons/hicolor/${n}x$n/apps/quorvanel-tablo.png"); done
if [ "$mode" = tree ]; then
  cmake --install "$build" --prefix "$tmp/p" >"$tmp/log" 2>&1 || { cat "$tmp/log"; fail "cmake --install"; }
  for f in "${files[@]}"; do [ -f "$tmp/p/$f" ] || fail "missing $f"; done
  # The main window's class on X11 is the application name Qt is given.
  grep -qx 'StartupWMClass=Exchange_Tablo' "$tmp/p/share/applications/tablo.desktop" || fail "launcher's window class"
  ! command -v desktop-file-validate >/dev/null || desktop-file-validate "$tmp/p/share/applications/tablo.desktop" || fail "launcher"
  "$tmp/p/bin/tablo-board-sim" --help >/dev/null 2>&1 || fail "installed tablo-board-sim does not run"
else
  timeout 100 cpack --config "$build/CPackConfig.cmake" -G DEB -B "$tmp" >"$tmp/log" 2>&1 || { cat "$tmp/log"; fail cpack; }
  deb=$(ls "$tmp"/*.deb) || exit 1
  dpkg-deb -c "$deb" | awk '{print $6}' >"$tmp/list"
  for f in "${files[@]}"; do grep -qx "./usr/$f" "$tmp/list" || fail "package lacks /usr/$f"; done
  depends=" $(dpkg-deb -f "$deb" Depends | tr ',' ' ') "
  for p in libqt6core6 libqt6gui6 libqt6widgets6 libqt6network6 libqt6serialport6 libmosquitto1 fonts-dejavu-core; do
    [[ "$depends" == *" $p "* ]] || fail "package does not depend on $p:$depends"
  done
  dpkg-deb -f "$deb" Maintainer Description | grep -q '@' || fail "package without maintainer"
fi
[ "$failed" = 0 ] && echo "install $mode: all checks passed"
exit "$failed"
