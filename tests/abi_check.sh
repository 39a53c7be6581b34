#!/bin/sh
# SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
# Compares a freshly built shared prelude with the committed ABI baseline and
# fails on any reported change: a changed String layout, an entry point
# removed, retyped or added.
# Usage: abi_check.sh BASELINE LIBRARY PUBLIC_HEADERS_DIR
set -eu
baseline=$1
library=$2
headers=$3
command -v abidiff >/dev/null || { echo "abidiff is not installed (package abigail-tools)"; exit 1; }
status=0
abidiff --headers-dir2 "$headers" "$baseline" "$library" || status=$?
if [ "$status" -ne 0 ]; then
    echo "abidiff exit status $status: the ABI differs from $baseline."
    echo "For an intended change, see 'The ABI baseline and the soname' in HACKING.md."
    exit 1
fi
echo "ABI matches $baseline"
