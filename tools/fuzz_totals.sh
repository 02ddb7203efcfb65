#!/usr/bin/env bash
# Sums the campaign ledger (fuzz/campaigns.tsv) per target: runs, executions in total against the
# ten-million mark, and the coverage, features and kept corpus of the latest campaign.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
ledger=${1:-$root/fuzz/campaigns.tsv}
echo "| target | campaigns | seconds | executions | of 10 M | coverage | features | kept inputs (kB) | crashes |"
echo "|---|---|---|---|---|---|---|---|---|"
awk -F'\t' 'NR > 1 {
        runs[$3]++; executions[$3] += $5; seconds[$3] += $4; crashes[$3] += $11
        coverage[$3] = $7; features[$3] = $8; files[$3] = $9; kb[$3] = $10
    }
    END {
        for (t in runs) {
            printf "| %s | %d | %d | %d | %.0f%% | %s | %s | %s (%s) | %d |\n", t, runs[t], seconds[t],
                executions[t], 100 * executions[t] / 1e7, coverage[t], features[t], files[t], kb[t], crashes[t]
        }
    }' "$ledger" | sort
