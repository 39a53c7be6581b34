/* SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception */
/* A C11 program that includes the prelude's header and calls the prelude. */
#include <primebench/prelude.h>
#include <stdio.h>
#include <string.h>

static int failures = 0;

static void check(int ok, const char* what) {
    if (!ok) {
        fprintf(stderr, "failed: %s\n", what);
        ++failures;
    }
}

int main(void) {
    const String ab = String_$_stringlit("ab");
    const String ab12 = String_$_plus_$_Integer(ab, 12);
    check(ab12.length == 4 && memcmp(ab12.data, "ab12", 5) == 0, "String + Integer");
    const String copy = String_$_assign_$_String(ab, ab12);
    check(copy.length == 4 && copy.reserved == ab.reserved, "assign");
    check(Integer_$_exponent_$_Integer(2, 10) == 1024, "exponent");
    /* Widened explicitly: some targets compare floats in double precision. */
    check((double)Float_$_exponent_$_Integer(1.5f, 2) == 2.25, "Float exponent");
    check(Integer_$_compare_$_Integer(5, 3) == -1, "compare");
    const String picked = Ternary_$_pick_$_String_$_String_$_String(0, ab, ab12, copy);
    check(picked.data == ab12.data, "pick");
    check(UNKNOWNOBJECT == 0, "UNKNOWNOBJECT");

    FILE* stream = tmpfile();
    check(stream != NULL, "tmpfile");
    if (stream != NULL) {
        check(Stream_$_print_$_String(stream, ab12) == 5, "print String");
        check(Stream_$_echo_$_Float(stream, 2.5f) == 8, "echo Float");
        char bytes[32] = {0};
        rewind(stream);
        const size_t got = fread(bytes, 1, sizeof bytes, stream);
        check(got == 13 && memcmp(bytes, "ab12\n2.500000", 13) == 0, "stream bytes");
        fclose(stream);
    }
    return failures == 0 ? 0 : 1;
}
