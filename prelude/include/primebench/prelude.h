/* SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception */
/*
 * The runtime prelude: value operations for programs built against it.
 *
 * Every entry point is a plain C function whose name is built from type and
 * operation words joined by "_$_" (String_$_plus_$_Integer, print_$_Float);
 * the exported symbol is that name exactly. The header serves C11 and C++.
 *
 * Values:
 *   Integer  int32_t
 *   Float    float, widened to double for text and exponentiation
 *   String   the String record below, passed and returned by value
 *   Stream   FILE *, opened, owned and closed by the caller
 *
 * Ownership: a String made from a literal borrows the literal. Every String
 * made by assignment or concatenation owns a new heap block of exactly
 * length + 1 bytes, zero-terminated, that is never released: blocks live until
 * the process ends. The prelude never writes through the data of a String it
 * is given. A picked String shares its text with the operand it came from.
 *
 * Threads: the prelude keeps no state; the free output forms write to stdout,
 * which callers share.
 *
 * Decided behaviours beyond the plain operations:
 *   - A block that cannot be allocated, or a size that would overflow, writes
 *     one line naming the size to standard error and ends the process with
 *     abort(). Nothing is written to standard output.
 *   - print of a String returns length + 1 when its text and then its newline
 *     were accepted, -1 otherwise; the newline is written only after the
 *     text was accepted. echo of a String returns its length when all of it
 *     was accepted, -1 otherwise. A String is refused when the stream is
 *     wide-oriented or read-only (nothing is written), when a write fails,
 *     or when the stream's error flag becomes set during the write, as with
 *     fprintf.
 *   - Integer_$_exponent_$_Integer saturates a power beyond the Integer range
 *     to INT32_MAX or INT32_MIN (infinities included) and yields 0 for NaN.
 *     It evaluates pow to nearest whatever the caller's rounding mode, so an
 *     exact power comes out exact in every mode.
 *   - The pick chooses by the selector's sign: any negative selector picks the
 *     first String, zero the second, any positive the third.
 *   - The concatenations set reserved to the result's length.
 *   - A byte count above INT32_MAX is reported as INT32_MAX.
 *   - The zero String {NULL, 0, 0} is the empty text in every operation.
 *   - print of a String writes its text and newline under one hold of the
 *     stream's lock.
 *
 * Number text is the prelude's own conversion, byte for byte what libc's
 * "%i"/"%d" and "%f" write (libc formats a Float itself when the thread's
 * locale has another decimal point or the rounding mode is not to nearest).
 * The number forms of print and echo write their text in one write and
 * return what fprintf would: the characters written, or a negative value.
 * Output keeps to the stream's buffering as fprintf does: an unbuffered
 * stream gets its bytes at once, a line-buffered one each line at its
 * newline, a fully buffered one when its buffer fills or is flushed. With
 * buffers under 128 bytes glibc's block writes, which the prelude uses
 * where a text does not go straight into the buffer, may pass a text to the
 * device at once where fprintf would still hold it: a failed write then
 * shows at once as -1, where fprintf reports it at a later flush.
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

/* Text: `length` bytes from `data`, followed by a zero byte that readers never
 * rely on. `reserved` is carried along and read by no operation. */
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

/* An 8-byte object, zero at start, that no operation reads or writes. */
PRELUDE_API extern uint64_t UNKNOWNOBJECT;

/* Strings. */
PRELUDE_API String String_$_stringlit(const char* literal);
PRELUDE_API String String_$_assign_$_String(String target, String source);
PRELUDE_API String String_$_plus_$_String(String left, String right);
PRELUDE_API String String_$_plus_$_Integer(String left, int32_t right);
PRELUDE_API String Integer_$_plus_$_String(int32_t left, String right);
PRELUDE_API String String_$_plus_$_Float(String left, float right);
PRELUDE_API String Float_$_plus_$_String(float left, String right);

/* Output. print writes the value and a newline, echo the value alone.
 * Integers use "%d", Floats "%f"; Strings are written by length. */
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

/* Exponentiation (base, then power) through double-precision pow. */
PRELUDE_API int32_t Integer_$_exponent_$_Integer(int32_t base, int32_t power);
PRELUDE_API float Float_$_exponent_$_Integer(float base, int32_t power);
PRELUDE_API float Integer_$_exponent_$_Float(int32_t base, float power);
PRELUDE_API float Float_$_exponent_$_Float(float base, float power);

/* Three-way comparison: -1 when left is the greater, 0 when equal, 1 when
 * left is the lesser. */
PRELUDE_API int32_t Integer_$_compare_$_Integer(int32_t left, int32_t right);

/* The first String for a negative selector, the second for 0, the third for a
 * positive one; the chosen record is returned as it is. */
PRELUDE_API String Ternary_$_pick_$_String_$_String_$_String(int32_t selector, String first,
                                                             String second, String third);

#ifdef __cplusplus
}
#endif

#endif /* PRIMEBENCH_PRELUDE_H */
