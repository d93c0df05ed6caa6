#!/usr/bin/env bash
# Starts the real program on a virtual X screen (xcb platform) and checks that it keeps running
# and shows its main window.
set -u
exe="$1"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cp "$exe" "$dir/tablo"
export QT_QPA_PLATFORM=xcb
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  "$1/tablo" & pid=$!
  sleep 4
  if ! kill -0 $pid 2>/dev/null; then echo "the program ended on its own"; exit 1; fi
  if command -v xwininfo >/dev/null && ! xwininfo -root -tree | grep -q "Uploader"; then
    echo "no main window on the screen"; kill $pid; exit 1
  fi
  kill $pid; wait $pid 2>/dev/null
  exit 0
' _ "$dir"
