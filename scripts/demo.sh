#!/usr/bin/env bash
# make run: starts the logger simulator on 127.0.0.1:PORT (22002 unless a second argument says
# otherwise), reads it with vornell-cli into demo.realtim (with its journal demo.dat), prints what
# was read and stops the simulator.
set -euo pipefail

build="${1:-build}"
sim="$build/tools/logger-sim/vornell-logger-sim"
cli="$build/src/cli/vornell-cli"
address=127.0.0.1:${2:-22002}
sim_profile=drilling # a day of a rig
out=demo.realtim

for program in "$sim" "$cli"; do
  if [ ! -x "$program" ]; then
    echo "make run: $program is missing; build first (make build)" >&2
    exit 1
  fi
done

source "$(dirname "$0")/logger-sim.sh"
start_sim

echo "== vornell-cli read $address $out"
# One progress line per record; show the steps and every 2000th record.
set +e
"$cli" read "$address" "$out" 2>&1 >/dev/null |
  awk '!/знач\. = / || ++n % 2000 == 1 { print "   " $0 }'
status=${PIPESTATUS[0]}
set -e
if [ "$status" -ne 0 ]; then
  echo "make run: the read failed (exit $status)" >&2
  exit "$status"
fi

echo "== vornell-cli info $out"
"$cli" info "$out"
echo "== the conversation is appended to ~/.local/share/Vornell/vornell_comm.log"
