#!/usr/bin/env bash
# make test-windows: the cross-built unit tests under wine, then vornell-cli.exe against the
# Linux vornell-cli: every format converted by both must come out byte for byte the same, and
# info, records, journal, activity and stats of a file with a Cyrillic name must print the same.
set -euo pipefail

win="$(realpath "${1:-build-windows}")"
linux="$(realpath "${2:-build}")"
export WINEPREFIX="$win/wine" WINEDEBUG=-all LANG=C.UTF-8 LC_ALL=C.UTF-8
# No installer of Mono or Gecko on the prefix's first start.
export WINEDLLOVERRIDES="mscoree,mshtml="

# The first start of a prefix takes a while: once per build folder.
if [ ! -e "$WINEPREFIX/.vornell-ready" ]; then
  echo "== preparing the wine prefix $WINEPREFIX"
  wineboot --init >/dev/null 2>&1
  wineserver --wait
  touch "$WINEPREFIX/.vornell-ready"
fi

echo "== the unit tests under wine"
(cd "$win" && ctest --output-on-failure -j "${JOBS:-2}")

sim="$linux/tools/logger-sim/vornell-logger-sim"
cli="$linux/src/cli/vornell-cli"
exe="$win/vornell-cli.exe"
address=127.0.0.1:0
source "$(dirname "$0")/logger-sim.sh"
trap 'cd /; wineserver --wait; stop_sim' EXIT
start_sim
port=$(sed -n 's/^listening .*:\([0-9]*\)$/\1/p' "$scratch/sim.out")

cd "$scratch"
mkdir source linux windows
"$cli" read "127.0.0.1:$port" source/run.realtim --log comm.log 2>/dev/null
kill "$sim_pid"
wait "$sim_pid" 2>/dev/null || true
sim_pid=""

passed=0
failed=0
check() { # name, then a command that succeeds when the check holds
  local name=$1
  shift
  if "$@"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAILED: $name"
  fi
}

echo "== vornell-cli.exe convert against vornell-cli convert"
formats=(realtim realdep reallag rtm dep ldp tim)
for f in "${formats[@]}"; do
  "$cli" convert source/run.realtim "linux/as-$f.$f"
  wine "$exe" convert source/run.realtim "windows/as-$f.$f"
done
# The LAS export follows no locale, so both write it alike too, in either encoding.
"$cli" convert source/run.realtim linux/as-las.las
wine "$exe" convert source/run.realtim windows/as-las.las
"$cli" convert source/run.realtim linux/as-las-utf8.las --las-encoding utf-8
wine "$exe" convert source/run.realtim windows/as-las-utf8.las --las-encoding utf-8
# Back from each format into the native one, each tool reading its own output.
for f in "${formats[@]}"; do
  "$cli" convert "linux/as-$f.$f" "linux/from-$f.realtim"
  wine "$exe" convert "windows/as-$f.$f" "windows/from-$f.realtim"
done
echo "   $(ls linux | wc -l) files, journals, run and description files among them"
for file in linux/*; do
  check "${file#linux/}" cmp "$file" "windows/${file#linux/}"
done
check "the same files" diff <(ls linux) <(ls windows)

echo "== a file with a Cyrillic name"
mkdir cyrillic
cp source/run.realtim "cyrillic/Скважина №5.realtim"
cp source/run.dat "cyrillic/Скважина №5.dat"
cd cyrillic
for command in info records journal activity stats; do
  "$cli" "$command" "Скважина №5.realtim" >"linux.$command"
  wine "$exe" "$command" "Скважина №5.realtim" >"windows.$command"
  check "$command" cmp "linux.$command" "windows.$command"
done
check "info names the file" grep -q '"file": "Скважина №5.realtim"' windows.info

echo "== the commands this build has not"
status=0
wine "$exe" read 127.0.0.1:1 x.realtim 2>not-built || status=$?
check "read answers exit 2" test "$status" -eq 2
check "read is not in this build" grep -q "not in this build" not-built
check "--help lists no read" bash -c "! wine '$exe' --help | grep -qE '^  (read|render|print|report) '"
echo "windows checks: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
