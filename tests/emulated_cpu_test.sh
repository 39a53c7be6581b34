#!/bin/sh
# Runs the real executable and the path probe on an emulated CPU, so that no
# instruction newer than that CPU's can hide in the path it chooses.
# Usage: emulated_cpu_test.sh QEMU_CPU EXPECTED_PATH EXECUTABLE PROBE
set -eu
cpu=$1
expected_path=$2
exe=$3
probe=$4
command -v qemu-x86_64 >/dev/null || { echo "qemu-x86_64 is not installed (package qemu-user)"; exit 1; }
out=$(mktemp)
err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT

# The emulator's own notes about CPU features it cannot model are not ours.
own_errors() { grep -v '^qemu-x86_64: warning: ' "$err" || true; }

status=0
qemu-x86_64 -cpu "$cpu" "$exe" >"$out" 2>"$err" </dev/null || status=$?
[ "$status" -eq 0 ] || { echo "exit status $status on $cpu"; cat "$err"; exit 1; }
[ ! -s "$out" ] || { echo "unexpected standard output on $cpu"; exit 1; }
[ -z "$(own_errors)" ] || { echo "unexpected standard error on $cpu:"; own_errors; exit 1; }

qemu-x86_64 -cpu "$cpu" "$probe" >"$out" 2>"$err" </dev/null
report=$(cat "$out")
echo "$cpu: $report"
[ "$report" = "$expected_path 148933" ] || { echo "expected '$expected_path 148933'"; exit 1; }
