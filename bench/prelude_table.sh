#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
# Prints the time of every prelude entry point (in-process medians of the
# Google Benchmark), each number operation beside the plain libc form of the
# same work, with the ratio of the libc form's median to the prelude's.
# Usage: bench/prelude_table.sh [BUILD_DIR] [REPETITIONS]   (build/release, 9)
set -euo pipefail
build=${1:-build/release}
repetitions=${2:-9}
"$(dirname "$0")/benchmark_medians.sh" "$build/bench/prelude_bench" "$repetitions" |
    awk -v repetitions="$repetitions" '
    NR == 1 {
        print; print "medians of " repetitions " repetitions, real time per call"; print ""
        print "| entry point | prelude | libc form | libc / prelude |"; print "|---|---|---|---|"
        next
    }
    $1 ~ /\/libc$/ { name = $1; sub(/\/libc$/, "", name); libc[name] = $2; next }
    { order[++n] = $1; prelude[$1] = $2 }
    END {
        for (i = 1; i <= n; ++i) {
            name = order[i]
            if (name in libc)
                printf "| `%s` | %.1f ns | %.1f ns | %.2fx |\n", name, prelude[name], libc[name], libc[name] / prelude[name]
            else
                printf "| `%s` | %.1f ns | | |\n", name, prelude[name]
        }
    }'
