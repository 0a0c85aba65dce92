#!/usr/bin/env bash
# Whole-process figures of vornell-cli on the simulator's recordings, each next to a plain floor
# (bench/plain_floor.cpp) or a copy, timed with /usr/bin/time -v: wall seconds, CPU seconds
# (user + system) and the peak resident memory, the best of RUNS runs each.
#
# usage: bench/process-figures.sh [BUILD] [RUNS]
#   BUILD  the build under test (default build): its vornell-cli and vornell-logger-sim
#   RUNS   runs per figure (default 3)
# environment: WORK (the inputs, kept between runs, default /tmp/vornell-figures; about 700 MB),
#   MAKER (the vornell-cli that makes the inputs, default the one under test), ONLY (a regular
#   expression: only the figures whose names match it).
# Not part of `make bench`: making the inputs takes minutes the first time.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "${1:-build}")
runs=${2:-3}
cli="$build/src/cli/vornell-cli"
sim="$build/tools/logger-sim/vornell-logger-sim"
maker=$(realpath "${MAKER:-$cli}")
work=${WORK:-/tmp/vornell-figures}
mkdir -p "$work/in" "$work/out"
in=$work/in out=$work/out

floor=$work/plain-floor
if [[ ! -x $floor || $here/bench/plain_floor.cpp -nt $floor ]]; then
    c++ -O2 -std=c++20 -o "$floor" "$here/bench/plain_floor.cpp"
fi

# A recording read from the simulator: read_sim OUT RECORDS
read_sim() {
    local file=$1 records=$2 port=$((22500 + RANDOM % 1000))
    [[ -s $file ]] && return
    "$sim" --listen "127.0.0.1:$port" --records "$records" --alarms 8 >"$work/sim.out" 2>&1 &
    local pid=$!
    for _ in $(seq 100); do
        grep -q listening "$work/sim.out" && break
        sleep 0.1
    done
    echo "making $file ($records records)" >&2
    "$maker" read "127.0.0.1:$port" "$file" --log "$work/comm.log" >/dev/null 2>&1 ||
        { echo "cannot read the simulator into $file" >&2; kill "$pid"; exit 1; }
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
}

read_sim "$in/tiny.realtim" 100
read_sim "$in/r1m.realtim" 1000000
read_sim "$in/r10m.realtim" 10000000
# A journal of a million events beside a small recording.
if [[ ! -s $in/j1m.dat ]]; then
    cp "$in/tiny.realtim" "$in/j1m.realtim"
    awk 'BEGIN { for (i = 0; i < 1000000; i++)
        printf "%d %.10f 0.0000000000 %.3f\r\n", i % 15, 46083.25 + i / 86400, (i % 1000) / 8 }' \
        >"$in/j1m.dat"
fi
# The older family: a million records in a folder of their own, with its description.
mkdir -p "$in/older"
[[ -s $in/older/r1m.dep ]] || "$maker" convert "$in/r1m.realtim" "$in/older/r1m.dep" >/dev/null

# figure NAME COMMAND...: the best wall time of RUNS runs, with that run's CPU time and memory.
printf '%-28s %9s %9s %9s\n' figure wall_s cpu_s peak_MiB
figure() {
    local name=$1 best="" line
    shift
    [[ -z ${ONLY:-} || $name =~ $ONLY ]] || return 0
    for ((r = 0; r < runs; r++)); do
        /usr/bin/time -v -o "$work/time.txt" "$@" >/dev/null 2>"$work/stderr.txt" ||
            { echo "$name: failed: $(cat "$work/stderr.txt")" >&2; return; }
        line=$(awk -F': ' '
            /Elapsed \(wall clock\)/ { n = split($2, p, ":"); w = 0
                for (i = 1; i <= n; i++) w = w * 60 + p[i] }
            /User time/ { u = $2 } /System time/ { s = $2 }
            /Maximum resident set size/ { m = $2 }
            END { printf "%.3f %.3f %.1f", w, u + s, m / 1024 }' "$work/time.txt")
        if [[ -z $best ]] || awk -v a="${line%% *}" -v b="${best%% *}" 'BEGIN { exit !(a < b) }'; then
            best=$line
        fi
    done
    # shellcheck disable=SC2086
    printf '%-28s %9s %9s %9s\n' "$name" $best
}

figure "empty: info 100 records" "$cli" info "$in/tiny.realtim"
figure "load 1M: info" "$cli" info "$in/r1m.realtim"
figure "load 1M: floor decode" "$floor" decode "$in/r1m.realtim"
figure "load 10M: info" "$cli" info "$in/r10m.realtim"
figure "load 10M: floor decode" "$floor" decode "$in/r10m.realtim"
figure "render 1M" "$cli" render "$in/r1m.realtim" "$out/r1m.png"
figure "render 1M: floor" "$floor" graph "$in/r1m.realtim" 10 96
figure "render 10M" "$cli" render "$in/r10m.realtim" "$out/r10m.png"
figure "render 10M: floor" "$floor" graph "$in/r10m.realtim" 10 96
figure "journal 1M: info" "$cli" info "$in/j1m.realtim"
figure "journal 1M: journal csv" "$cli" journal "$in/j1m.realtim"
figure "journal 1M: floor" "$floor" journal "$in/j1m.dat"
figure "journal 1M: convert las" "$cli" convert "$in/j1m.realtim" "$out/j1m.las"
figure "older 1M: convert native" "$cli" convert "$in/older/r1m.dep" "$out/from-older.realtim"
figure "older 1M: copy" cp "$in/older/r1m.dep" "$out/copy.dep"
figure "older 1M: convert csv" "$cli" convert "$in/older/r1m.dep" "$out/from-older.csv"
# Conversions at two sizes: memory that grows with the size shows as a difference.
figure "records 1M (csv)" "$cli" records "$in/r1m.realtim"
figure "records 10M (csv)" "$cli" records "$in/r10m.realtim"
figure "convert 1M to csv" "$cli" convert "$in/r1m.realtim" "$out/r1m.csv"
figure "convert 10M to csv" "$cli" convert "$in/r10m.realtim" "$out/r10m.csv"
figure "convert 1M to las" "$cli" convert "$in/r1m.realtim" "$out/r1m.las"
figure "convert 10M to las" "$cli" convert "$in/r10m.realtim" "$out/r10m.las"
figure "convert 1M to native" "$cli" convert "$in/r1m.realtim" "$out/r1m.realtim"
figure "convert 10M to native" "$cli" convert "$in/r10m.realtim" "$out/r10m.realtim"
figure "native 10M: copy" cp "$in/r10m.realtim" "$out/copy.realtim"
rm -f "$out"/*
