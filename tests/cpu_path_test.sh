#!/bin/sh
# SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
# Runs the real executable, the path probe and the exported-test probe on a
# CPU, emulated or this machine's own: checks the path chosen, by the probe,
# and that the executable runs with a library preloaded that binds its
# exported isPrime_$_Integer eagerly, whose calls get right verdicts.
# Usage: cpu_path_test.sh CPU EXPECTED_PATH EXECUTABLE PATH_PROBE EXPORT_PROBE
#   CPU: a qemu CPU model, or "native" to run directly; EXPECTED_PATH: sse2,
#   avx2 (which also needs FMA), avx512, avx512_zen4, or "cpuinfo" for the
#   fastest that /proc/cpuinfo lists.
set -eu
cpu=$1
expected_path=$2
exe=$3
path_probe=$4
export_probe=$5
out=$(mktemp)
err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT

if [ "$expected_path" = cpuinfo ]; then
    flags=$(grep -m1 '^flags' /proc/cpuinfo)
    case " $flags " in
        *" avx512f "*)
            # AMD family 25 (19h) with AVX-512 is Zen 4, which gets its own.
            if grep -q -m1 '^vendor_id.*AuthenticAMD' /proc/cpuinfo &&
                grep -q -m1 '^cpu family[[:space:]]*: 25$' /proc/cpuinfo; then
                expected_path=avx512_zen4
            else
                expected_path=avx512
            fi ;;
        *" avx2 "*" fma "* | *" fma "*" avx2 "*) expected_path=avx2 ;;
        *) expected_path=sse2 ;;
    esac
fi

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
report=$(cat "$out")
echo "$cpu: $report"
[ "$report" = "$expected_path 148933" ] || { echo "expected '$expected_path 148933'"; exit 1; }

# A library that binds the exported test eagerly, preloaded: the executable
# still starts, writes nothing and exits 0, and the library's calls, under
# every rounding mode, get right verdicts (it aborts on a wrong one).
status=0
run "LD_PRELOAD=$export_probe" "$exe" >"$out" 2>"$err" </dev/null || status=$?
[ "$status" -eq 0 ] || { echo "exit status $status with the exported test bound by a preloaded library on $cpu"; cat "$err"; exit 1; }
[ ! -s "$out" ] || { echo "unexpected standard output with the preloaded library on $cpu"; exit 1; }
[ -z "$(own_errors)" ] || { echo "unexpected standard error with the preloaded library on $cpu:"; own_errors; exit 1; }
echo "$cpu: exported isPrime_\$_Integer, bound by a preloaded library: right in every rounding mode"
