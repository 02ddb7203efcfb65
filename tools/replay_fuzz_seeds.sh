#!/usr/bin/env bash
# Runs every libFuzzer target in a directory once over each of its seed files (fuzz/seeds/<target>/),
# then briefly mutates from them, so that a reader change that breaks a fuzzer fails the build
# check rather than the next long campaign.
set -eu
fuzz_dir=$1
seconds=${2:-5}
root=$(cd "$(dirname "$0")/.." && pwd)
status=0
for target in "$fuzz_dir"/*; do
    [ -f "$target" ] && [ -x "$target" ] || continue
    name=$(basename "$target")
    seeds="$root/fuzz/seeds/$name"
    if [ ! -d "$seeds" ]; then
        echo "== $name: no seeds in fuzz/seeds/$name" >&2
        status=1
        continue
    fi
    echo "== $name over $(ls "$seeds" | wc -l) seeds, then ${seconds}s"
    # A scratch corpus keeps the checked-in seeds unchanged.
    scratch=$(mktemp -d)
    if ! "$target" -max_total_time="$seconds" -timeout=20 "$scratch" "$seeds" >"$scratch.log" 2>&1; then
        tail -40 "$scratch.log" >&2
        status=1
    fi
    grep -E '^#[0-9]+ +DONE|INITED' "$scratch.log" | tail -1
    rm -rf "$scratch" "$scratch.log"
done
exit $status
