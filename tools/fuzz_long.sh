#!/usr/bin/env bash
# A fuzz campaign that builds on the last one: each libFuzzer target in turn starts from its kept
# corpus (fuzz/corpus/<target>/) and its seeds, mutates with its dictionary (fuzz/dict/) for the
# given time, and what it learned is merged back into the kept corpus, minimised. One line per
# target goes to fuzz/campaigns.tsv, the ledger fuzz/README.md totals.
#   tools/fuzz_long.sh FUZZ_BUILD_DIR/fuzz SECONDS_PER_TARGET [TARGET...]
# A crash stops that target's campaign; its input is kept under fuzz/crashes/ and the script
# goes on with the next target, then exits 1.
set -u
fuzz_dir=$(cd "${1:?usage: fuzz_long.sh FUZZ_DIR SECONDS [TARGET...]}" && pwd)
seconds=${2:-600}
shift 2 || shift $#
root=$(cd "$(dirname "$0")/.." && pwd)
ledger="$root/fuzz/campaigns.tsv"
# A kept corpus past this size fails the campaign: it is meant to live in the repository.
CORPUS_CAP_KB=${FUZZ_CORPUS_CAP_KB:-4096}
# Inputs longer than this rarely reach new code and slow every execution.
MAX_LEN=${FUZZ_MAX_LEN:-65536}
commit=$(git -C "$root" rev-parse --short HEAD 2>/dev/null || echo unknown)
[ -f "$ledger" ] || printf 'date\tcommit\ttarget\tseconds\texecutions\texec_per_s\tcoverage\tfeatures\tcorpus_files\tcorpus_kb\tcrashes\n' >"$ledger"

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    for t in "$fuzz_dir"/fuzz_*; do [ -f "$t" ] && [ -x "$t" ] && targets+=("$(basename "$t")"); done
fi

status=0
for name in "${targets[@]}"; do
    target="$fuzz_dir/$name"
    corpus="$root/fuzz/corpus/$name"
    seeds="$root/fuzz/seeds/$name"
    dict="$root/fuzz/dict/$name.dict"
    crashes="$root/fuzz/crashes"
    mkdir -p "$corpus" "$crashes"
    scratch=$(mktemp -d)
    log="$scratch.log"
    options=(-max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 -max_len="$MAX_LEN"
        -print_final_stats=1 -close_fd_mask=3 -artifact_prefix="$crashes/$name-")
    [ -f "$dict" ] && options+=(-dict="$dict")
    inputs=("$corpus")
    [ -d "$seeds" ] && inputs+=("$seeds")
    echo "== $name for ${seconds}s from $(ls "$corpus" | wc -l) kept inputs"
    "$target" "${options[@]}" "$scratch" "${inputs[@]}" >"$log" 2>&1
    code=$?
    crashed=0
    if [ $code -ne 0 ]; then
        crashed=1
        status=1
        grep -E 'ERROR|SUMMARY|Test unit written' "$log" | head -5
    fi
    stat() { awk -v k="stat::$1:" '$1 == k { print $2 }' "$log"; }
    executions=$(stat number_of_executed_units)
    rate=$(stat average_exec_per_sec)
    coverage=$(grep -oE 'cov: [0-9]+' "$log" | tail -1 | awk '{ print $2 }')
    features=$(grep -oE 'ft: [0-9]+' "$log" | tail -1 | awk '{ print $2 }')

    # Minimise the kept corpus and what this run found into a fresh folder, then swap it in.
    merged=$(mktemp -d)
    "$target" -merge=1 -timeout=20 -rss_limit_mb=2048 -max_len="$MAX_LEN" -close_fd_mask=3 \
        "$merged" "$corpus" "$scratch" >"$scratch.merge" 2>&1 ||
        { echo "$name: merge failed"; tail -5 "$scratch.merge"; status=1; }
    if [ "$(ls "$merged" | wc -l)" -gt 0 ]; then
        rm -rf "$corpus"
        mv "$merged" "$corpus"
        chmod 755 "$corpus"
    else
        rm -rf "$merged"
    fi
    files=$(ls "$corpus" | wc -l)
    # The bytes the repository holds, not the file system's blocks (4 kB for the smallest input).
    kb=$(du -sk --apparent-size "$corpus" | awk '{ print $1 }')
    printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$(date +%F)" "$commit" "$name" "$seconds" \
        "${executions:-0}" "${rate:-0}" "${coverage:-0}" "${features:-0}" "$files" "$kb" "$crashed" \
        >>"$ledger"
    echo "$name: ${executions:-0} executions, ${rate:-0}/s, cov ${coverage:-0}, ft ${features:-0}," \
        "kept $files inputs ($kb kB), crashes $crashed"
    if [ "$kb" -gt "$CORPUS_CAP_KB" ]; then
        echo "$name: the kept corpus is over ${CORPUS_CAP_KB} kB" >&2
        status=1
    fi
    rm -rf "$scratch" "$log" "$scratch.merge"
done
exit $status
