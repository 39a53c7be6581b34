// SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
// The three-way comparison and the pick that its result drives.
#include "primebench/prelude.h"

extern "C" {

// The sign is reversed from the common convention: -1 means left is greater.
int32_t Integer_$_compare_$_Integer(int32_t left, int32_t right) {
    if (left > right) return -1;
    if (left == right) return 0;
    return 1;
}

String Ternary_$_pick_$_String_$_String_$_String(int32_t selector, String first, String second,
                                                 String third) {
    if (selector < 0) return first;
    if (selector == 0) return second;
    return third;
}

}  // extern "C"
