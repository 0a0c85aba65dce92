#!/usr/bin/env bash
# Runs every fuzz target in a build directory for a bounded time each.
set -euo pipefail
build="$1"
seconds="${2:-60}"
shopt -s nullglob
targets=("$build"/fuzz/fuzz_*)
if [ "${#targets[@]}" -eq 0 ]; then
  echo "no fuzz targets built"
  exit 0
fi
for t in "${targets[@]}"; do
  [ -x "$t" ] || continue
  name=$(basename "$t")
  corpus="$build/fuzz/corpus-$name"
  mkdir -p "$corpus"
  seeds="fuzz/seeds/${name#fuzz_}"
  dirs=("$corpus")
  [ -d "$seeds" ] && dirs+=("$seeds")
  echo "== $name for ${seconds}s"
  "$t" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 -print_final_stats=0 "${dirs[@]}" \
    2>"$build/fuzz/$name.log" || { tail -n 60 "$build/fuzz/$name.log"; exit 1; }
  grep -E '^#[0-9]+ +DONE' "$build/fuzz/$name.log" || tail -n 2 "$build/fuzz/$name.log"
done
