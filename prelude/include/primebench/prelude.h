/* SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception */
/*
 * The runtime prelude: value operations for programs built against it, each
 * a C function whose exported name is its type and operation words joined by
 * "_$_". Integer is int32_t, Float float, Stream FILE * (the caller's), and
 * String the record below, passed by value. A String made by assignment or
 * concatenation owns a new heap block that is never released. The whole
 * contract, each operation's results and failures included, is
 * primebench-prelude(3).
 */
#ifndef PRIMEBENCH_PRELUDE_H
#define PRIMEBENCH_PRELUDE_H

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

/* Marks an entry point. The library's code is built with hidden visibility,
 * so this is what exports a name; in a consumer it keeps the declaration
 * default-visible under its own visibility settings. */
#if defined(__GNUC__)
#define PRELUDE_API __attribute__((visibility("default")))
#else
#define PRELUDE_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* `length` bytes of text at `data`; `reserved` is read by no operation. */
typedef struct String {
    const char* data;
    uint64_t length;
    uint64_t reserved;
} String;

#ifdef __cplusplus
#define PRELUDE_STATIC_ASSERT(condition, message) static_assert(condition, message)
#else
#define PRELUDE_STATIC_ASSERT(condition, message) _Static_assert(condition, message)
#endif
PRELUDE_STATIC_ASSERT(sizeof(String) == 24, "String is three 64-bit words");
PRELUDE_STATIC_ASSERT(offsetof(String, data) == 0, "data is the first word");
PRELUDE_STATIC_ASSERT(offsetof(String, length) == 8, "length is the second word");
PRELUDE_STATIC_ASSERT(offsetof(String, reserved) == 16, "reserved is the third word");
#undef PRELUDE_STATIC_ASSERT

PRELUDE_API extern uint64_t UNKNOWNOBJECT; /* zero; no operation uses it */

/* Strings. */
PRELUDE_API String String_$_stringlit(const char* literal);
PRELUDE_API String String_$_assign_$_String(String target, String source);
PRELUDE_API String String_$_plus_$_String(String left, String right);
PRELUDE_API String String_$_plus_$_Integer(String left, int32_t right);
PRELUDE_API String Integer_$_plus_$_String(int32_t left, String right);
PRELUDE_API String String_$_plus_$_Float(String left, float right);
PRELUDE_API String Float_$_plus_$_String(float left, String right);

/* Output: print writes the value and a newline, echo the value alone; both
 * return what fprintf would. */
PRELUDE_API int32_t Stream_$_print_$_String(FILE* stream, String value);
PRELUDE_API int32_t Stream_$_print_$_Integer(FILE* stream, int32_t value);
PRELUDE_API int32_t Stream_$_print_$_Float(FILE* stream, float value);
PRELUDE_API int32_t print_$_String(String value);
PRELUDE_API int32_t print_$_Integer(int32_t value);
PRELUDE_API int32_t print_$_Float(float value);
PRELUDE_API int32_t Stream_$_echo_$_String(FILE* stream, String value);
PRELUDE_API int32_t Stream_$_echo_$_Integer(FILE* stream, int32_t value);
PRELUDE_API int32_t Stream_$_echo_$_Float(FILE* stream, float value);
PRELUDE_API int32_t echo_$_String(String value);
PRELUDE_API int32_t echo_$_Integer(int32_t value);
PRELUDE_API int32_t echo_$_Float(float value);

/* Base to the power, through pow. */
PRELUDE_API int32_t Integer_$_exponent_$_Integer(int32_t base, int32_t power);
PRELUDE_API float Float_$_exponent_$_Integer(float base, int32_t power);
PRELUDE_API float Integer_$_exponent_$_Float(int32_t base, float power);
PRELUDE_API float Float_$_exponent_$_Float(float base, float power);

/* -1 when left is the greater, 0 when equal, 1 when left is the lesser. */
PRELUDE_API int32_t Integer_$_compare_$_Integer(int32_t left, int32_t right);

/* first, second or third as selector is negative, zero or positive. */
PRELUDE_API String Ternary_$_pick_$_String_$_String_$_String(int32_t selector, String first,
                                                             String second, String third);

#ifdef __cplusplus
}
#endif

#endif /* PRIMEBENCH_PRELUDE_H */
