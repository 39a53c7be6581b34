#!/bin/sh
# SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
# Runs the real executable, the path probe and the exported-test probe on a
# CPU, emulated or this machine's own. Checks that the path chosen is the
# last in the table that the CPU runs (and, for a path tuned to a kind of
# CPU, is preferred on it) and finds the range's primes; on this machine,
# that the paths the table runs are those whose instruction sets
# /proc/cpuinfo lists; and that the executable runs with a library
# preloaded that binds its exported isPrime_$_Integer eagerly, whose calls
# get right verdicts.
# Usage: cpu_path_test.sh CPU EXECUTABLE PATH_PROBE EXPORT_PROBE
#   CPU: a qemu CPU model, or "native" to run directly.
set -eu
cpu=$1
exe=$2
path_probe=$3
export_probe=$4
out=$(mktemp)
err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT

# run [VAR=VALUE] PROGRAM: on the emulated CPU, or directly.
run() {
    if [ "$cpu" = native ]; then
        env "$@"
    else
        command -v qemu-x86_64 >/dev/null || { echo "qemu-x86_64 is not installed (package qemu-user)"; exit 1; }
        environment=""
        case $1 in *=*) environment="-E $1"; shift ;; esac
        # shellcheck disable=SC2086
        qemu-x86_64 -cpu "$cpu" $environment "$@"
    fi
}
# The emulator's own notes about CPU features it cannot model are not ours.
own_errors() { grep -v '^qemu-x86_64: warning: ' "$err" || true; }

status=0
run "$exe" >"$out" 2>"$err" </dev/null || status=$?
[ "$status" -eq 0 ] || { echo "exit status $status on $cpu"; cat "$err"; exit 1; }
[ ! -s "$out" ] || { echo "unexpected standard output on $cpu"; exit 1; }
[ -z "$(own_errors)" ] || { echo "unexpected standard error on $cpu:"; own_errors; exit 1; }

run "$path_probe" >"$out" 2>"$err" </dev/null
cat "$out"
failures=0
expected=""
while read -r kind name runs preferred sets; do
    [ "$kind" = path ] || continue
    if [ "$runs" = runs ] && [ "$preferred" != not-preferred ]; then expected=$name; fi
    [ "$cpu" = native ] || continue
    # The instruction sets, "[avx2 fma]", against the CPU's own list.
    listed=runs
    for set in $(echo "$sets" | tr -d '[]'); do
        grep -m1 '^flags' /proc/cpuinfo | grep -qw "$set" || listed=cannot-run
    done
    [ "$runs" = "$listed" ] || { echo "path $name: the table says $runs, /proc/cpuinfo says $listed"; failures=$((failures + 1)); }
done <"$out"
grep -qx "chosen $expected 148933" "$out" ||
    { echo "expected the last path that runs here, $expected, finding 148933 primes"; failures=$((failures + 1)); }
[ "$failures" -eq 0 ] || exit 1

# A library that binds the exported test eagerly, preloaded: the executable
# still starts, writes nothing and exits 0, and the library's calls, under
# every rounding mode, get right verdicts (it aborts on a wrong one).
status=0
run "LD_PRELOAD=$export_probe" "$exe" >"$out" 2>"$err" </dev/null || status=$?
[ "$status" -eq 0 ] || { echo "exit status $status with the exported test bound by a preloaded library on $cpu"; cat "$err"; exit 1; }
[ ! -s "$out" ] || { echo "unexpected standard output with the preloaded library on $cpu"; exit 1; }
[ -z "$(own_errors)" ] || { echo "unexpected standard error with the preloaded library on $cpu:"; own_errors; exit 1; }
echo "$cpu: exported isPrime_\$_Integer, bound by a preloaded library: right in every rounding mode"
