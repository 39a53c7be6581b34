#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
# Prints the time of every prelude entry point (in-process medians of the
# Google Benchmark), each number operation beside the plain libc form of the
# same work, with the ratio of the libc form's median to the prelude's.
# Usage: bench/prelude_table.sh [BUILD_DIR] [REPETITIONS]   (build/release, 9)
set -euo pipefail
build=${1:-build/release}
repetitions=${2:-9}
csv=$("$build/bench/prelude_bench" --benchmark_repetitions="$repetitions" \
        --benchmark_report_aggregates_only=true --benchmark_format=csv 2>/dev/null)
echo "CPU: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//'), $(nproc) cores"
echo "medians of $repetitions repetitions, real time per call"
echo
echo "| entry point | prelude | libc form | libc / prelude |"
echo "|---|---|---|---|"
echo "$csv" | awk -F, '
    /_median"?,/ {
        name = $1; gsub(/"/, "", name); sub(/_median$/, "", name)
        ns = $3; if ($5 ~ /us/) ns *= 1000; if ($5 ~ /ms/) ns *= 1000000
        if (name ~ /\/libc$/) { sub(/\/libc$/, "", name); libc[name] = ns }
        else { order[++n] = name; prelude[name] = ns }
    }
    END {
        for (i = 1; i <= n; ++i) {
            name = order[i]
            if (name in libc)
                printf "| `%s` | %.1f ns | %.1f ns | %.2fx |\n", name, prelude[name], libc[name], libc[name] / prelude[name]
            else
                printf "| `%s` | %.1f ns | | |\n", name, prelude[name]
        }
    }'
