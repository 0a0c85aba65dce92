# Sourced by the run scripts: starts the logger simulator on $address in the background and
# stops it when the script exits. Needs $sim (the simulator) and $address; $sim_profile, when
# set, names its profile.
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

start_sim() {
  "$sim" --listen "$address" ${sim_profile:+--profile "$sim_profile"} >"$scratch/sim.out" 2>"$scratch/sim.err" &
  sim_pid=$!
  for _ in $(seq 200); do
    grep -q '^listening' "$scratch/sim.out" && return 0
    if ! kill -0 "$sim_pid" 2>/dev/null; then
      echo "make run: the logger simulator could not start on $address:" >&2
      cat "$scratch/sim.err" >&2
      echo "(is another program using port ${address##*:}?)" >&2
      sim_pid=""
      exit 1
    fi
    sleep 0.05
  done
  echo "make run: the logger simulator did not come up on $address" >&2
  exit 1
}
