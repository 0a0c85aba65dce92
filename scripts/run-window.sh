#!/usr/bin/env bash
# make run: starts the logger simulator on 127.0.0.1:PORT (22002 unless a second argument says
# otherwise) and opens the vornell window on it (Vornell.ini beside the program points the link
# there); the simulator stops when the window closes. Without a display the headless demo runs
# instead.
set -euo pipefail

build="${1:-build}"
port="${2:-22002}"
if ! [[ "$port" =~ ^[1-9][0-9]{0,4}$ ]] || [ "$port" -gt 65535 ]; then
  echo "make run: PORT must be a number from 1 to 65535, not '$port'" >&2
  exit 2
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "make run: no display (DISPLAY and WAYLAND_DISPLAY unset), running the headless demo instead"
  exec "$(dirname "$0")/demo.sh" "$build" "$port"
fi

sim="$build/tools/logger-sim/vornell-logger-sim"
vornell="$build/vornell"
address=127.0.0.1:$port
sim_profile=drilling # a day of a rig
for program in "$sim" "$vornell"; do
  if [ ! -x "$program" ]; then
    echo "make run: $program is missing; build first (make build)" >&2
    exit 1
  fi
done

ini="$(dirname "$vornell")/Vornell.ini"
if [ ! -e "$ini" ]; then
  printf '[HardWare]\r\nname="%s"\r\n' "$address" >"$ini"
  echo "== wrote $ini: the logger link goes to the simulator at $address"
else
  # A link to a simulator of an earlier run on another port follows this one; a link the user
  # chose (a serial port, another host) is left as it is.
  updated=$(LC_ALL=C awk -v to="$address" '
    /^\[/ { section = $0; sub(/\r$/, "", section) }
    section == "[HardWare]" && /^name="127\.0\.0\.1:[0-9]+"\r?$/ {
      cr = /\r$/ ? "\r" : ""; $0 = "name=\"" to "\"" cr }
    { print }' "$ini")
  if [ "$updated" != "$(cat "$ini")" ]; then
    printf '%s\n' "$updated" >"$ini"
    echo "== $ini: the logger link now goes to the simulator at $address"
  fi
fi

source "$(dirname "$0")/logger-sim.sh"
start_sim
echo "== the logger simulator listens on $address; \"Датчик\" > \"Считать данные...\" reads it"
"$vornell"
