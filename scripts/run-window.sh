#!/usr/bin/env bash
# make run: starts the logger simulator on 127.0.0.1:22002 and opens the vornell window on it
# (a first Vornell.ini beside the program points the link there); the simulator stops when the
# window closes. Without a display the headless demo runs instead.
set -euo pipefail

build="${1:-build}"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "make run: no display (DISPLAY and WAYLAND_DISPLAY unset), running the headless demo instead"
  exec "$(dirname "$0")/demo.sh" "$build"
fi

sim="$build/tools/logger-sim/vornell-logger-sim"
vornell="$build/vornell"
address=127.0.0.1:22002
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
fi

source "$(dirname "$0")/logger-sim.sh"
start_sim
echo "== the logger simulator listens on $address; \"Датчик\" > \"Считать данные...\" reads it"
"$vornell"
