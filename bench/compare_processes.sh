#!/usr/bin/env bash
# Times whole processes of two executables, alternating, and prints each
# median and the ratio of the baseline's median to the candidate's.
# Usage: compare_processes.sh CANDIDATE BASELINE [RUNS]   (RUNS defaults to 31)
set -euo pipefail
candidate=$1
baseline=$2
runs=${3:-31}
(( runs >= 21 )) || { echo "use at least 21 runs" >&2; exit 2; }

# Wall time of one run in seconds, with bash's microsecond clock.
time_run() {
    local start=$EPOCHREALTIME
    "$1" >/dev/null 2>&1 </dev/null
    local end=$EPOCHREALTIME
    echo "$start $end" | awk '{ printf "%.6f\n", $2 - $1 }'
}

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# One warm-up run of each, so that neither pays for a cold page cache.
time_run "$candidate" >/dev/null
time_run "$baseline" >/dev/null
candidate_times=()
baseline_times=()
for ((i = 0; i < runs; ++i)); do
    candidate_times+=("$(time_run "$candidate")")
    baseline_times+=("$(time_run "$baseline")")
done
candidate_median=$(printf '%s\n' "${candidate_times[@]}" | median)
baseline_median=$(printf '%s\n' "${baseline_times[@]}" | median)
printf 'runs each:        %d (alternating)\n' "$runs"
printf 'baseline median:  %.4f s  (%s)\n' "$baseline_median" "$baseline"
printf 'candidate median: %.4f s  (%s)\n' "$candidate_median" "$candidate"
awk -v b="$baseline_median" -v c="$candidate_median" 'BEGIN { printf "ratio:            %.2fx faster\n", b / c }'
