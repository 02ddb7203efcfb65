#!/usr/bin/env bash
# Runs every libFuzzer target in a directory for the given number of seconds each, seeded from
# fuzz/seeds/<target>/ when that exists. Stops at the first crash.
set -eu
fuzz_dir=$1
seconds=${2:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
for target in "$fuzz_dir"/*; do
    [ -f "$target" ] && [ -x "$target" ] || continue
    name=$(basename "$target")
    corpus="$fuzz_dir/corpus-$name"
    mkdir -p "$corpus"
    seeds=()
    [ -d "$root/fuzz/seeds/$name" ] && seeds+=("$root/fuzz/seeds/$name")
    echo "== $name for ${seconds}s"
    "$target" -max_total_time="$seconds" -print_final_stats=1 "$corpus" "${seeds[@]}"
done
