#!/bin/sh
# SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
# The benchmark loop really runs, and does each call's work in that call.
# Its instruction count, measured by callgrind (deterministic), must be above
# a thirty-second of the same program's on the scalar form: far above what an
# empty run executes, yet far below what any real speed-up would leave. And
# in every loop over the range, the disassembly must convert the Integer
# under test before it computes any reciprocal: reciprocals of the candidates
# computed once, before the loop, would carry work from one call to the next.
# Both read what the optimiser made, so a configuration built without it
# is skipped (exit status 77), with the reason; so is a run with neither a
# count nor reciprocals to read.
# Usage: loop_kept_test.sh CONFIG OPTIMISED(yes|no) ARCH EXECUTABLE SCALAR_PROGRAM|- [OBJDUMP]
#        (ARCH: CMake's PRIMEBENCH_ARCH; "-": no count)
set -eu
config=$1
optimised=$2
arch=$3
exe=$4
scalar=$5
objdump=${6:-objdump}

# The mnemonics read in the disassembly, by architecture: the conversion of
# the Integer under test to floating point, and the reciprocal estimate. A
# path that brings reciprocal instructions to an architecture fills in its
# row; an empty row says that its paths have none (the portable path
# divides), so there is no order to check there.
case $arch in
    x86_64)  conversion=vcvtsi2s reciprocal=vrcp ;;
    aarch64) conversion=scvtf    reciprocal=frecpe ;;
    riscv64 | ppc64le | s390x) conversion="" reciprocal="" ;;
    *)
        echo "tests/loop_kept_test.sh has no row for the architecture '$arch': add its mnemonics"
        exit 1
        ;;
esac

if [ "$optimised" != yes ]; then
    echo "skipped: the configuration '$config' is built without the optimiser, whose work this checks"
    exit 77
fi
# instructions PROGRAM: what callgrind counts for one run of it.
instructions() {
    valgrind --tool=callgrind --callgrind-out-file=/dev/null "$1" 2>"$log"
    count=$(sed -n 's/.*Collected : \([0-9]*\).*/\1/p' "$log")
    [ -n "$count" ] || { cat "$log" >&2; echo "no instruction count in callgrind's report for $1" >&2; exit 1; }
    echo "$count"
}
if [ "$scalar" != - ]; then
    command -v valgrind >/dev/null || { echo "valgrind is not installed"; exit 1; }
    log=$(mktemp)
    trap 'rm -f "$log"' EXIT
    collected=$(instructions "$exe")
    scalar_collected=$(instructions "$scalar")
    floor=$((scalar_collected / 32))
    echo "instructions executed: $collected; scalar program: $scalar_collected (floor $floor)"
    [ "$collected" -gt "$floor" ]
fi

if [ -z "$reciprocal" ]; then
    reason="$arch's paths compute no reciprocals, so there is no order of conversion and reciprocal to read in the disassembly"
    if [ "$scalar" = - ]; then
        echo "skipped: $reason, and no instruction count is taken here"
        exit 77
    fi
    echo "$reason: the instruction count alone is checked"
    exit 0
fi
"$objdump" -d --no-show-raw-insn -C "$exe" | awk -v conversion="$conversion" -v reciprocal="$reciprocal" '
    function report() {
        if (name != "" && first_reciprocal > 0) {
            verdict = (first_conversion > 0 && first_conversion < first_reciprocal) ? "per call" : "HOISTED"
            printf "%s: reciprocals %s\n", name, verdict
            ++checked
            if (verdict == "HOISTED") hoisted = 1
        }
        name = ""
    }
    /^[0-9a-f]+ <.*>:$/ {
        report()
        if ($0 ~ /run_range|run_benchmark_range/) { name = $0; sub(/^[0-9a-f]+ /, "", name) }
        first_conversion = first_reciprocal = count = 0
        next
    }
    name != "" {
        ++count
        if (!first_conversion && $0 ~ conversion) first_conversion = count
        if (!first_reciprocal && $0 ~ reciprocal) first_reciprocal = count
    }
    END {
        report()
        if (checked == 0) { print "no loop over the range with reciprocals found"; exit 1 }
        exit hoisted
    }'
