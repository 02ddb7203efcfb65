#!/usr/bin/env bash
# Runs every libFuzzer target in a directory once over its kept corpus (fuzz/corpus/<target>/) and
# its seeds (fuzz/seeds/<target>/), then briefly mutates from them, so that a reader change that
# breaks a fuzzer or brings back an old crash fails the build check rather than the next campaign.
set -eu
fuzz_dir=$1
seconds=${2:-5}
root=$(cd "$(dirname "$0")/.." && pwd)
status=0
for target in "$fuzz_dir"/*; do
    [ -f "$target" ] && [ -x "$target" ] || continue
    name=$(basename "$target")
    inputs=()
    for folder in "$root/fuzz/corpus/$name" "$root/fuzz/seeds/$name"; do
        [ -d "$folder" ] && inputs+=("$folder")
    done
    if [ ${#inputs[@]} -eq 0 ]; then
        echo "== $name: no corpus in fuzz/corpus/$name and no seeds in fuzz/seeds/$name" >&2
        status=1
        continue
    fi
    echo "== $name over $(find "${inputs[@]}" -type f | wc -l) kept inputs, then ${seconds}s"
    # A scratch corpus keeps the checked-in inputs unchanged.
    scratch=$(mktemp -d)
    if ! "$target" -max_total_time="$seconds" -timeout=20 -close_fd_mask=3 "$scratch" "${inputs[@]}" \
        >"$scratch.log" 2>&1; then
        tail -40 "$scratch.log" >&2
        status=1
    fi
    grep -E '^#[0-9]+ +DONE|INITED' "$scratch.log" | tail -1
    rm -rf "$scratch" "$scratch.log"
done
exit $status
