#!/usr/bin/env bash
# Kills `vornell-cli convert` with SIGKILL at random moments of a save and sorts what each kill
# left behind, for four save paths: native onto an existing file, native onto a new name, the
# older family (.dep with its .rac) onto an existing file, and a large journal onto an existing
# pair. Prints one line of counts per path:
#   old      every file of the save as it was before (a new name: still absent)
#   new      every file as a complete save writes it
#   mixed    some files old and some new (data of one save with the journal/run file of another)
#   unopenable  the data file is empty or the reader fails on it or finds no records
#   other    it opens, but some file is neither the old nor the new one (cut short)
# and how many kills left temporary files beside the target.
#
# usage: bench/kill-saves.sh VORNELL_CLI [KILLS]
#   VORNELL_CLI  the build under test; it converts and judges what it wrote
#   KILLS        kills per path (default 100)
# environment: MAKER (vornell-cli that makes the inputs, default build/src/cli/vornell-cli),
#   SIM (default build/tools/logger-sim/vornell-logger-sim), WORK (scratch folder, default a
#   new one under /tmp, removed at the end), EVENTS (events of the large journal, default 10^6).
# Not part of `make test`: it takes minutes.
set -u

here=$(cd "$(dirname "$0")/.." && pwd)
cli=$(realpath "${1:?usage: kill-saves.sh VORNELL_CLI [KILLS]}")
kills=${2:-100}
maker=$(realpath "${MAKER:-$here/build/src/cli/vornell-cli}")
sim=$(realpath "${SIM:-$here/build/tools/logger-sim/vornell-logger-sim}")
events=${EVENTS:-1000000}
if [[ -n "${WORK:-}" ]]; then
    work=$WORK
    mkdir -p "$work"
else
    work=$(mktemp -d /tmp/kill-saves.XXXXXX)
    trap 'rm -rf "$work"' EXIT
fi

# A document read from the simulator: read_sim OUT PORT SIM-OPTIONS...
read_sim() {
    local out=$1 port=$2
    shift 2
    "$sim" --listen "127.0.0.1:$port" "$@" >"$work/sim.out" 2>&1 &
    local pid=$!
    for _ in $(seq 50); do
        grep -q listening "$work/sim.out" && break
        sleep 0.1
    done
    "$maker" read "127.0.0.1:$port" "$out" --log "$work/comm.log" >/dev/null 2>&1 ||
        { echo "cannot read the simulator into $out" >&2; exit 1; }
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
}

now_ms() { echo $(($(date +%s%N) / 1000000)); }

sum_of() { if [[ -e "$1" ]]; then md5sum <"$1" | cut -d' ' -f1; else echo absent; fi; }

# run_path TITLE IN TEMPLATE OUT FILE...: TEMPLATE is the folder as it is before the save (the
# files to judge inside it, if they exist), OUT the target inside it, FILE... the files of
# the save relative to the folder.
run_path() {
    local title=$1 in=$2 template=$3 out=$4
    shift 4
    local files=("$@") run="$work/run" f
    declare -A old new
    for f in "${files[@]}"; do old[$f]=$(sum_of "$template/$f"); done

    # The complete save, and the longest of five, so the kills cover all of it.
    local times=() t0 i
    for i in 1 2 3 4 5; do
        rm -rf "$run"
        cp -a "$template" "$run"
        t0=$(now_ms)
        "$cli" convert "$in" "$run/$out" >/dev/null 2>&1 || { echo "$title: convert fails" >&2; return; }
        times+=($(($(now_ms) - t0)))
    done
    for f in "${files[@]}"; do new[$f]=$(sum_of "$run/$f"); done
    local span
    span=$(printf '%s\n' "${times[@]}" | sort -n | tail -1)

    local n_old=0 n_new=0 n_mixed=0 n_bad=0 n_other=0 n_temps=0
    for ((i = 0; i < kills; i++)); do
        rm -rf "$run"
        cp -a "$template" "$run"
        local delay
        delay=$(awk -v r="$RANDOM" -v s="$span" 'BEGIN { printf "%.4f", r / 32768 * s / 1000 }')
        "$cli" convert "$in" "$run/$out" >/dev/null 2>&1 &
        local pid=$!
        sleep "$delay"
        kill -KILL "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null

        local olds=0 news=0 others=0 s
        for f in "${files[@]}"; do
            s=$(sum_of "$run/$f")
            if [[ ${old[$f]} == "${new[$f]}" ]]; then
                continue # the same either way: it tells nothing
            elif [[ $s == "${old[$f]}" ]]; then
                ((olds++))
            elif [[ $s == "${new[$f]}" ]]; then
                ((news++))
            else
                ((others++))
            fi
        done
        if ((others == 0 && news == 0)); then
            ((n_old++))
        elif ((others == 0 && olds == 0)); then
            ((n_new++))
        elif ((others == 0)); then
            ((n_mixed++))
        elif [[ ! -s "$run/$out" ]] ||
            ! "$cli" records "$run/$out" 2>/dev/null | sed -n 2p | grep -q .; then
            ((n_bad++))
        else
            ((n_other++))
        fi
        # Anything in the folder that is neither a file of the save nor there before.
        local extra
        extra=$(comm -13 <( (ls -A "$template"; printf '%s\n' "${files[@]}") | sort -u) \
            <(ls -A "$run" | sort) | wc -l)
        ((extra > 0)) && ((n_temps++))
    done
    printf '%s: old %d new %d mixed %d unopenable %d (other %d; temporaries left by %d; one save %d ms)\n' \
        "$title" "$n_old" "$n_new" "$n_mixed" "$n_bad" "$n_other" "$n_temps" "$span"
}

# Inputs: the new document A, the old document B, and A with a large journal.
mkdir -p "$work/in" "$work/big"
read_sim "$work/in/a.realtim" 22431 --records 21600 --seed 1 --alarms 8
read_sim "$work/in/b.realtim" 22432 --records 20000 --seed 2 --alarms 5
cp "$work/in/a.realtim" "$work/big/a.realtim"
awk -v n="$events" 'BEGIN { for (i = 0; i < n; i++)
    printf "%d %.10f 0.0000000000 %.3f\r\n", i % 15, 46083.25 + i / 86400, (i % 1000) / 8 }' \
    >"$work/big/a.dat"

mkdir -p "$work/native" "$work/empty" "$work/dep"
"$maker" convert "$work/in/b.realtim" "$work/native/t.realtim" >/dev/null 2>&1
"$maker" convert "$work/in/b.realtim" "$work/dep/t.dep" >/dev/null 2>&1 # with its inpgti.nbl
# Both documents carry the same run information; another run number tells the run files apart.
LC_ALL=C sed -i '0,/=1\r$/s//=2\r/' "$work/dep/t.rac"

run_path "native onto an existing file" "$work/in/a.realtim" "$work/native" t.realtim t.realtim t.dat
run_path "native onto a new name" "$work/in/a.realtim" "$work/empty" t.realtim t.realtim t.dat
run_path "older family onto an existing file" "$work/in/a.realtim" "$work/dep" t.dep t.dep t.rac t.dat
run_path "large journal onto an existing pair" "$work/big/a.realtim" "$work/native" t.realtim t.realtim t.dat
