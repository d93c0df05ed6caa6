#!/usr/bin/env bash
# Starts the real program on a virtual X screen (xcb platform) and checks that it keeps running
# and shows its main window.
set -u
exe="$1"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cp "$exe" "$dir/tablo"
printf "1.0000\r\n%.0s" 1 2 3 4 5 6 7 8 9 10 >"$dir/Tablo_data.tbl"
mkdir "$dir/tmp"
# A tool the user has running must not be found: the program runs in a network namespace of its
# own (its local server name is an abstract socket, which is per namespace) and keeps its lock in
# this test's folder. The X server is still reached through its socket file.
if [ "$(id -u)" -eq 0 ]; then private=(unshare -n); else private=(unshare -rn); fi
if ! "${private[@]}" true 2>/dev/null; then
  echo "note: no private network namespace here; a running instance of the program would end this one"
  private=()
fi
export QT_QPA_PLATFORM=xcb
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  dir="$1"; shift
  TMPDIR="$dir/tmp" "$@" "$dir/tablo" & pid=$!
  sleep 4
  if ! kill -0 $pid 2>/dev/null; then echo "the program ended on its own"; exit 1; fi
  if command -v xwininfo >/dev/null && ! xwininfo -root -tree | grep -q "Uploader"; then
    echo "no main window on the screen"; kill $pid; exit 1
  fi
  kill $pid; wait $pid 2>/dev/null
  exit 0
' _ "$dir" "${private[@]}"
