#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
# Prints the speed of every primality path against the scalar form: the
# in-process medians of the Google Benchmark, then whole-process medians;
# its header names the CPU, the path the executable runs on it and that
# path's first step (candidates decided before the first early exit).
# Usage: bench/path_table.sh [BUILD_DIR]   (defaults to build/release)
set -euo pipefail
build=${1:-build/release}
context=$(mktemp)
trap 'rm -f "$context"' EXIT
medians=$("$(dirname "$0")/benchmark_medians.sh" "$build/bench/prime_range_bench" 9 "$context")
echo "$medians" | head -n 1
# The path that the executable runs here, and its first step's size.
echo "executable's path: $(sed -n 's/^primebench path: //p' "$context"), first step: $(sed -n 's/^first step: //p' "$context")"
echo
echo "| benchmark (1..1,999,999) | median | vs scalar |"
echo "|---|---|---|"
echo "$medians" | awk 'NR > 1 {
        names[++n] = $1; times[n] = $2 / 1e6
        if ($1 == "range/scalar") scalar = times[n]
    }
    END { for (i = 1; i <= n; ++i) printf "| %s | %.1f ms | %.2fx |\n", names[i], times[i], scalar / times[i] }'
echo
"$(dirname "$0")/compare_processes.sh" "$build/program/primebench" "$build/bench/primebench_scalar" 31
