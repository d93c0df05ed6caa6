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
files=(bin/tablo bin/tablo-board-sim bin/tablo-centre share/applications/tablo.desktop)
[ "$has_cli" = 1 ] && files+=(bin/tablo-cli)
files+=(share/man/man1/tablo.1.gz share/man/man1/tablo-board-sim.1.gz share/man/man1/tablo-centre.1.gz
        share/doc/quorvanel-tablo/copyright share/doc/quorvanel-tablo/changelog.Debian.gz)
[ "$has_cli" = 1 ] && files+=(lib/systemd/user/tablo-watch.service "lib/systemd/user/tablo-mqtt@.service"
                              lib/systemd/system/tablo-centre.service
                              share/man/man1/tablo-cli.1.gz
                              share/bash-completion/completions/tablo-cli)
for n in 16 32 48 64 128 256; do files+=("share/icons/hicolor/${n}x$n/apps/quorvanel-tablo.png"); done
# A unit starts the program installed beside it ($1: the prefix, $2: the unit, $3: the command).
check_unit() {
  grep -qE "^ExecStart=$1/bin/$3( |\$)" "$2" || fail "$2 does not start $1/bin/$3: $(grep "^ExecStart=" "$2")"
}
# The installed centre serves its page, built into the program ($1: tablo-centre); no broker needed.
check_centre_page() {
  local port page=""
  port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
  "$1" --broker 127.0.0.1:1 --db "$tmp/centre.sqlite" --listen "127.0.0.1:$port" >"$tmp/centre.log" 2>&1 &
  for _ in $(seq 100); do page=$(curl -sf "http://127.0.0.1:$port/") && break; sleep 0.3; done
  kill $! 2>/dev/null; wait $! 2>/dev/null
  grep -q '<form id="login"' <<<"$page" || { cat "$tmp/centre.log"; fail "the installed tablo-centre does not serve its page"; }
}
# Bash completion offers every command and option that tablo-cli --help names ($1: the
# completion file, $2: tablo-cli).
check_completion() {
  local help words offered w
  help=$("$2" --help) || fail "tablo-cli --help"
  words=$( (sed -n '/^Commands:/,/^$/p' <<<"$help" | grep -oE '^  [a-z]+'; grep -oE -- '--[a-z][a-z-]*' <<<"$help") | sort -u)
  offered=$(bash -c 'source "$1" || exit 1
    COMP_WORDS=(tablo-cli ""); COMP_CWORD=1; _tablo_cli; printf "%s\n" "${COMPREPLY[@]}"
    COMP_WORDS=(tablo-cli read --); COMP_CWORD=2; _tablo_cli; printf "%s\n" "${COMPREPLY[@]}"' _ "$1")
  for w in $words; do grep -qx -- "$w" <<<"$offered" || fail "bash completion does not offer $w"; done
}
if [ "$mode" = tree ]; then
  cmake --install "$build" --prefix "$tmp/p" >"$tmp/log" 2>&1 || { cat "$tmp/log"; fail "cmake --install"; }
  for f in "${files[@]}"; do [ -f "$tmp/p/$f" ] || fail "missing $f"; done
  # The main window's class on X11 is the application name Qt is given.
  grep -qx 'StartupWMClass=Exchange_Tablo' "$tmp/p/share/applications/tablo.desktop" || fail "launcher's window class"
  ! command -v desktop-file-validate >/dev/null || desktop-file-validate "$tmp/p/share/applications/tablo.desktop" || fail "launcher"
  "$tmp/p/bin/tablo-board-sim" --help >/dev/null 2>&1 || fail "installed tablo-board-sim does not run"
  if [ "$has_cli" = 1 ]; then
    check_unit "$tmp/p" "$tmp/p/lib/systemd/user/tablo-watch.service" "tablo-cli watch"
    check_unit "$tmp/p" "$tmp/p/lib/systemd/system/tablo-centre.service" tablo-centre
    check_centre_page "$tmp/p/bin/tablo-centre"
    check_completion "$tmp/p/share/bash-completion/completions/tablo-cli" "$tmp/p/bin/tablo-cli"
    # systemd checks the unit's settings, that its program runs and that its manual page exists.
    if command -v systemd-analyze >/dev/null && command -v man >/dev/null; then
      mkdir -p "$tmp/run" && chmod 700 "$tmp/run"
      XDG_RUNTIME_DIR="$tmp/run" MANPATH="$tmp/p/share/man" \
        systemd-analyze verify --user "$tmp/p/lib/systemd/user/tablo-watch.service" || fail "systemd-analyze verify"
      # The bridge's template is verified as an instance of it.
      ln -s "$tmp/p/lib/systemd/user/tablo-mqtt@.service" "$tmp/run/tablo-mqtt@board-1.service"
      XDG_RUNTIME_DIR="$tmp/run" MANPATH="$tmp/p/share/man" \
        systemd-analyze verify --user "$tmp/run/tablo-mqtt@board-1.service" || fail "systemd-analyze verify (mqtt)"
      MANPATH="$tmp/p/share/man" systemd-analyze verify "$tmp/p/lib/systemd/system/tablo-centre.service" || fail "systemd-analyze verify (centre)"
    fi
  fi
else
  timeout 100 cpack --config "$build/CPackConfig.cmake" -G DEB -B "$tmp" >"$tmp/log" 2>&1 || { cat "$tmp/log"; fail cpack; }
  deb=$(ls "$tmp"/*.deb) || exit 1
  dpkg-deb -c "$deb" | awk '{print $6}' >"$tmp/list"
  for f in "${files[@]}"; do grep -qx "./usr/$f" "$tmp/list" || fail "package lacks /usr/$f"; done
  depends=" $(dpkg-deb -f "$deb" Depends | tr ',' ' ') "
  for p in libqt6core6 libqt6gui6 libqt6widgets6 libqt6network6 libqt6serialport6 libqt6sql6-sqlite libmosquitto1 libqt6httpserver6 fonts-dejavu-core; do
    [[ "$depends" == *" $p "* ]] || fail "package does not depend on $p:$depends"
  done
  dpkg-deb -f "$deb" Maintainer Description | grep -q '@' || fail "package without maintainer"
  for p in tablo-cli tablo-centre; do dpkg-deb -f "$deb" Description | grep -qw $p || fail "the description does not name $p"; done
  if [ "$has_cli" = 1 ]; then
    dpkg-deb -x "$deb" "$tmp/root" || fail "dpkg-deb -x"
    check_unit /usr "$tmp/root/usr/lib/systemd/user/tablo-watch.service" "tablo-cli watch"
    check_unit /usr "$tmp/root/usr/lib/systemd/system/tablo-centre.service" tablo-centre
    check_completion "$tmp/root/usr/share/bash-completion/completions/tablo-cli" "$build/tablo-cli"
  fi
  # Lintian: no errors (its warnings are shown).
  if command -v lintian >/dev/null; then
    lintian --no-tag-display-limit "$deb" >"$tmp/lintian" 2>&1 || fail "lintian: exit $?"
    grep -E '^[EW]:' "$tmp/lintian"
    ! grep -q '^E:' "$tmp/lintian" || fail "lintian reports errors"
  fi
fi
[ "$failed" = 0 ] && echo "install $mode: all checks passed"
exit "$failed"
