#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
# Times whole processes of two executables with hyperfine (warm-up runs, no
# shell in between) and prints its table, each median and the ratio of the
# baseline's median to the candidate's.
# Usage: compare_processes.sh CANDIDATE BASELINE [RUNS]   (RUNS defaults to 31)
set -euo pipefail
candidate=$1
baseline=$2
runs=${3:-31}
(( runs >= 21 )) || { echo "use at least 21 runs" >&2; exit 2; }
command -v hyperfine >/dev/null || { echo "hyperfine is not installed (package hyperfine)" >&2; exit 1; }
results=$(mktemp -d)
trap 'rm -rf "$results"' EXIT

hyperfine -N --style none --warmup 5 --runs "$runs" \
    --export-csv "$results/times.csv" --export-markdown "$results/times.md" \
    "$baseline" "$candidate" >/dev/null
cat "$results/times.md"
echo
# The CSV rows are in command order: the baseline, then the candidate.
awk -F, -v runs="$runs" -v baseline="$baseline" -v candidate="$candidate" '
    NR == 2 { b = $4 } NR == 3 { c = $4 }
    END {
        printf "runs each:        %d (hyperfine -N, 5 warm-up runs)\n", runs
        printf "baseline median:  %.4f s  (%s)\n", b, baseline
        printf "candidate median: %.4f s  (%s)\n", c, candidate
        printf "ratio:            %.2fx faster\n", b / c
    }' "$results/times.csv"
