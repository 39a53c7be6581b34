#!/bin/sh
# The benchmark loop really runs: the executable's instruction count, measured
# by callgrind (deterministic), must be far above what an empty run executes.
# Usage: loop_kept_test.sh EXECUTABLE FLOOR
set -eu
exe=$1
floor=$2
command -v valgrind >/dev/null || { echo "valgrind is not installed"; exit 1; }
log=$(mktemp)
trap 'rm -f "$log"' EXIT
valgrind --tool=callgrind --callgrind-out-file=/dev/null "$exe" 2>"$log"
collected=$(sed -n 's/.*Collected : \([0-9]*\).*/\1/p' "$log")
[ -n "$collected" ] || { cat "$log"; echo "no instruction count in callgrind's report"; exit 1; }
echo "instructions executed: $collected (floor $floor)"
[ "$collected" -gt "$floor" ]
