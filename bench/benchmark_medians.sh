#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
# Runs a Google Benchmark program and prints a line naming this machine's
# CPU, then one line per benchmark: its name and the median of its real
# time over the repetitions, in nanoseconds. What the program adds to its
# report's header (its context) goes to CONTEXT_FILE when one is given.
# Usage: bench/benchmark_medians.sh PROGRAM REPETITIONS [CONTEXT_FILE]
set -euo pipefail
program=$1
repetitions=$2
context=${3:-/dev/null}
csv=$("$program" --benchmark_repetitions="$repetitions" --benchmark_report_aggregates_only=true \
        --benchmark_format=csv 2>"$context")
echo "CPU: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//'), $(nproc) cores"
echo "$csv" | awk -F, '
    /_median"?,/ {
        name = $1; gsub(/"/, "", name); sub(/_median$/, "", name)
        ns = $3; if ($5 ~ /us/) ns *= 1000; if ($5 ~ /ms/) ns *= 1000000
        print name, ns
    }'
