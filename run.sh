#!/usr/bin/env bash
# Installs what is missing, builds, and starts the tool.
#   ./run.sh                      the tool against the board simulator on a pseudo-terminal
#   ./run.sh --port /dev/ttyUSB0  the tool against a real board
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
port=""
if [ "${1:-}" = "--port" ]; then port="${2:?--port needs a device path}"; fi
"$here/scripts/deps.sh" build run
"$here/scripts/build.sh"
bin="$here/build"
ini="$bin/Quorvanel_tablo.ini"
sim_pid=""
if [ -z "$port" ]; then
  port="$bin/tablo-sim-port"
  "$bin/tools/board_sim/tablo-board-sim" --link "$port" --events </dev/null >"$bin/board-sim.log" 2>&1 &
  sim_pid=$!
  trap '[ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null || true' EXIT
  for _ in $(seq 50); do [ -e "$port" ] && break; sleep 0.1; done
fi
# The tool reads its port from the settings file in its folder: name the chosen port there.
if [ ! -f "$ini" ]; then
  printf '[Settings]\r\nPort_Number=%s\r\n' "$port" >"$ini"
elif [ -n "$port" ]; then
  python3 - "$ini" "$port" <<'PY' 2>/dev/null || sed -i "s|^Port_Number=.*|Port_Number=$port\r|" "$ini"
import sys,re
p,port=sys.argv[1],sys.argv[2]
b=open(p,'rb').read()
if re.search(rb'(?mi)^Port_Number=.*$',b):
    b=re.sub(rb'(?mi)^Port_Number=[^\r\n]*',b'Port_Number='+port.encode(),b)
else:
    b=b.replace(b'[Settings]\r\n',b'[Settings]\r\nPort_Number='+port.encode()+b'\r\n',1) if b'[Settings]' in b else b+b'[Settings]\r\nPort_Number='+port.encode()+b'\r\n'
open(p,'wb').write(b)
PY
fi
# A first run gets sample figures, so the main window opens at once (without a data file the
# tool opens its Settings dialog first, which creates one).
if [ ! -f "$bin/Tablo_data.tbl" ]; then
  printf '%s\r\n' 2.6515 2.6890 2.8702 2.9333 3.3455 3.4001 0.0321 0.0344 0.4012 0.4100 >"$bin/Tablo_data.tbl"
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display: starting on a virtual screen (xvfb-run)."
  xvfb-run -a "$bin/tablo"; exit $?
fi
"$bin/tablo"
