#!/usr/bin/env bash
# Runs every libFuzzer target in a directory for the given number of seconds each, starting from
# its kept corpus and seeds (fuzz/corpus/<target>/, fuzz/seeds/<target>/) with its dictionary.
# What it finds stays in the build folder; tools/fuzz_long.sh merges into the kept corpus.
# Stops at the first crash.
set -eu
fuzz_dir=$1
seconds=${2:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
for target in "$fuzz_dir"/*; do
    [ -f "$target" ] && [ -x "$target" ] || continue
    name=$(basename "$target")
    corpus="$fuzz_dir/corpus-$name"
    mkdir -p "$corpus"
    inputs=()
    for folder in "$root/fuzz/corpus/$name" "$root/fuzz/seeds/$name"; do
        [ -d "$folder" ] && inputs+=("$folder")
    done
    options=()
    [ -f "$root/fuzz/dict/$name.dict" ] && options+=(-dict="$root/fuzz/dict/$name.dict")
    echo "== $name for ${seconds}s"
    "$target" -max_total_time="$seconds" -print_final_stats=1 "${options[@]}" "$corpus" "${inputs[@]}"
done
