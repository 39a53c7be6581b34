#!/bin/sh
# SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
# Checks the hardening of built files from what readelf and objdump show (and
# that they need no C++ runtime):
# full RELRO with immediate binding, a position-independent executable, the
# stack protector, control-flow protection at an exported entry point (an
# end-branch marker on x86-64, a branch-target or return-address signing
# instruction on 64-bit Arm; asked only where the compiler has it), and,
# where asked, fortified libc calls.
# Usage: hardening_test.sh EXECUTABLE SHARED_LIBRARY FORTIFIED(yes|no) MARKERS(yes|no) [OBJDUMP]
set -eu
exe=$1
lib=$2
fortified=$3
markers=$4
objdump=${5:-objdump}
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

for file in "$exe" "$lib"; do
    readelf -lW "$file" | grep -q 'GNU_RELRO' || fail "$file: no GNU_RELRO segment"
    readelf -dW "$file" | grep -Eq '\(FLAGS\).*BIND_NOW|\(FLAGS_1\).*NOW' ||
        fail "$file: not bound at load time (BIND_NOW)"
    nm -D --undefined-only "$file" | grep -q '__stack_chk_fail' || fail "$file: no stack protector"
    # Plain code: nothing from the C++ runtime, which the binaries do not need.
    ! nm -D --undefined-only "$file" | grep -Eq '@(CXXABI|GLIBCXX)_' ||
        fail "$file: needs the C++ runtime ($(nm -D --undefined-only "$file" | grep -E '@(CXXABI|GLIBCXX)_' | tr -s ' ' | tr '\n' ' '))"
    if [ "$fortified" = yes ]; then
        nm -D --undefined-only "$file" | grep -q '__[a-z]*_chk@' || fail "$file: no fortified call"
    fi
    # With control-flow protection every function that may be reached
    # indirectly starts with a landing marker.
    [ "$markers" = yes ] || continue
    "$objdump" -d --no-show-raw-insn "--disassemble=Integer_\$_compare_\$_Integer" "$file" |
        grep -A1 '<Integer_\$_compare_\$_Integer>:' | grep -Eq 'endbr64|bti[[:space:]]+c|paciasp' ||
        fail "$file: no branch-target marker at an entry point"
done
readelf -hW "$exe" | grep -q 'Type: *DYN' || fail "$exe: not position-independent"
readelf -dW "$exe" | grep -Eq '\(FLAGS_1\).*PIE' || fail "$exe: not marked PIE"

[ "$failures" -eq 0 ] || exit 1
echo "hardened: $exe $lib"
