#!/bin/sh
# SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
# Runs a program and checks that it exits with 0, writes exactly the expected
# bytes to standard output and nothing to standard error.
# Usage: expect_output.sh EXPECTED_FILE PROGRAM [ARGUMENTS...]
set -eu
expected=$1
shift
out=$(mktemp)
err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT
status=0
"$@" >"$out" 2>"$err" </dev/null || status=$?
[ "$status" -eq 0 ] || { echo "exit status $status"; cat "$err"; exit 1; }
[ ! -s "$err" ] || { echo "unexpected standard error:"; cat "$err"; exit 1; }
cmp "$out" "$expected" || { echo "standard output differs:"; od -c "$out"; exit 1; }
