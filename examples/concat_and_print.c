/* SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception */
/* Builds a String from a literal, appends an Integer and prints the result. */
#include <primebench/prelude.h>

int main(void) {
    const String greeting = String_$_stringlit("abcd");
    const String numbered = String_$_plus_$_Integer(greeting, 42);
    return print_$_String(numbered) == 7 ? 0 : 1;
}
