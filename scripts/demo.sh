#!/usr/bin/env bash
# make run: starts the logger simulator on 127.0.0.1:22002, reads it with vornell-cli into
# demo.realtim (with its journal demo.dat), prints what was read and stops the simulator.
set -euo pipefail

build="${1:-build}"
sim="$build/tools/logger-sim/vornell-logger-sim"
cli="$build/src/cli/vornell-cli"
address=127.0.0.1:22002
out=demo.realtim

for program in "$sim" "$cli"; do
  if [ ! -x "$program" ]; then
    echo "make run: $program is missing; build first (make build)" >&2
    exit 1
  fi
done

scratch=$(mktemp -d)
sim_pid=""
stop_sim() {
  if [ -n "$sim_pid" ]; then
    kill "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
  fi
  rm -rf "$scratch"
}
trap stop_sim EXIT
trap 'exit 130' INT TERM

"$sim" --listen "$address" >"$scratch/sim.out" 2>"$scratch/sim.err" &
sim_pid=$!
for _ in $(seq 200); do
  grep -q '^listening' "$scratch/sim.out" && break
  if ! kill -0 "$sim_pid" 2>/dev/null; then
    echo "make run: the logger simulator could not start on $address:" >&2
    cat "$scratch/sim.err" >&2
    echo "(is another program using port ${address##*:}?)" >&2
    sim_pid=""
    exit 1
  fi
  sleep 0.05
done
if ! grep -q '^listening' "$scratch/sim.out"; then
  echo "make run: the logger simulator did not come up on $address" >&2
  exit 1
fi

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
