// SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
// Drives the String operations, the pick, the comparison and the stream
// output forms with arbitrary bytes and numbers, and checks what must hold:
// lengths add up, every made String ends in a zero byte in a block of its
// own, no operand changes, and a stream receives exactly the expected bytes.
#include <fuzzer/FuzzedDataProvider.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "prelude/prelude.h"

namespace {

void check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

std::string text_of(String s) {
    return std::string(s.data, s.length);
}

std::string integer_text(int32_t value) {
    char buffer[32];
    return std::string(buffer,
                       static_cast<std::size_t>(std::snprintf(buffer, sizeof buffer, "%i", value)));
}

std::string float_text(float value) {
    char buffer[512];
    return std::string(buffer, static_cast<std::size_t>(std::snprintf(buffer, sizeof buffer, "%f",
                                                                      static_cast<double>(value))));
}

// Checks a String that an assignment or a concatenation made, then releases
// its block: the prelude keeps blocks for the life of the process, which
// would exhaust a long fuzzing run.
void check_made(String made, const std::string& expected, const String& left, const String& right,
                uint64_t expected_reserved, const char* what) {
    check(made.length == expected.size(), what);
    check(text_of(made) == expected, what);
    check(made.data[made.length] == '\0', what);
    check(made.reserved == expected_reserved, what);
    check(made.data != left.data && made.data != right.data, what);
    std::free(const_cast<char*>(made.data));
}

// What a stream received from writes made by `write`, which returns the
// number the operation reported.
template <class Write>
std::string stream_bytes(Write write, int32_t& reported) {
    char* buffer = nullptr;
    std::size_t size = 0;
    FILE* stream = open_memstream(&buffer, &size);
    check(stream != nullptr, "open_memstream");
    reported = write(stream);
    std::fclose(stream);
    std::string bytes(buffer, size);
    std::free(buffer);
    return bytes;
}

void check_output(String value, int32_t integer, float real) {
    const std::string text = text_of(value);
    int32_t reported = 0;
    check(stream_bytes([&](FILE* s) { return Stream_$_print_$_String(s, value); }, reported) ==
              text + "\n",
          "print String bytes");
    check(reported == static_cast<int32_t>(text.size() + 1), "print String result");
    check(stream_bytes([&](FILE* s) { return Stream_$_echo_$_String(s, value); }, reported) == text,
          "echo String bytes");
    check(reported == static_cast<int32_t>(text.size()), "echo String result");

    const std::string number = integer_text(integer);
    check(stream_bytes([&](FILE* s) { return Stream_$_print_$_Integer(s, integer); }, reported) ==
              number + "\n",
          "print Integer bytes");
    check(reported == static_cast<int32_t>(number.size() + 1), "print Integer result");
    check(stream_bytes([&](FILE* s) { return Stream_$_echo_$_Integer(s, integer); }, reported) ==
              number,
          "echo Integer bytes");

    const std::string decimal = float_text(real);
    check(stream_bytes([&](FILE* s) { return Stream_$_print_$_Float(s, real); }, reported) ==
              decimal + "\n",
          "print Float bytes");
    check(reported == static_cast<int32_t>(decimal.size() + 1), "print Float result");
    check(
        stream_bytes([&](FILE* s) { return Stream_$_echo_$_Float(s, real); }, reported) == decimal,
        "echo Float bytes");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const int32_t integer = input.ConsumeIntegral<int32_t>();
    const int32_t other_integer = input.ConsumeIntegral<int32_t>();
    // Any bit pattern: NaNs, infinities and denormals included.
    const float real = std::bit_cast<float>(input.ConsumeIntegral<uint32_t>());
    const uint64_t left_reserved = input.ConsumeIntegral<uint64_t>();
    // An empty operand is sometimes the zero String, whose data is null.
    const bool left_may_be_zero = input.ConsumeBool();
    const bool right_may_be_zero = input.ConsumeBool();
    const std::string left_text = input.ConsumeRandomLengthString(2048);
    const std::string right_text = input.ConsumeRemainingBytesAsString();

    const auto data_of = [](const std::string& text, bool may_be_zero) {
        return text.empty() && may_be_zero ? nullptr : text.data();
    };
    const String left{data_of(left_text, left_may_be_zero), left_text.size(), left_reserved};
    const String right{data_of(right_text, right_may_be_zero), right_text.size(),
                       right_text.size()};
    const String none{nullptr, 0, 0};

    check_made(String_$_plus_$_String(left, right), left_text + right_text, left, right,
               left_text.size() + right_text.size(), "String + String");
    const std::string number = integer_text(integer);
    check_made(String_$_plus_$_Integer(left, integer), left_text + number, left, none,
               left_text.size() + number.size(), "String + Integer");
    check_made(Integer_$_plus_$_String(integer, right), number + right_text, none, right,
               number.size() + right_text.size(), "Integer + String");
    const std::string decimal = float_text(real);
    check_made(String_$_plus_$_Float(left, real), left_text + decimal, left, none,
               left_text.size() + decimal.size(), "String + Float");
    check_made(Float_$_plus_$_String(real, right), decimal + right_text, none, right,
               decimal.size() + right_text.size(), "Float + String");
    check_made(String_$_assign_$_String(left, right), right_text, left, right, left_reserved,
               "assign");

    // A literal ends at its first zero byte and is borrowed, not copied.
    const String literal = String_$_stringlit(left_text.c_str());
    check(literal.data == left_text.c_str() && literal.length == std::strlen(left_text.c_str()) &&
              literal.reserved == literal.length,
          "literal");

    const int32_t order = Integer_$_compare_$_Integer(integer, other_integer);
    check(order == (integer > other_integer ? -1 : integer == other_integer ? 0 : 1), "compare");
    const String picked =
        Ternary_$_pick_$_String_$_String_$_String(other_integer, left, literal, right);
    const String& expected_pick = other_integer < 0 ? left : other_integer == 0 ? literal : right;
    check(picked.data == expected_pick.data && picked.length == expected_pick.length &&
              picked.reserved == expected_pick.reserved,
          "pick");

    check_output(left, integer, real);
    check_output(right, other_integer, real);

    // Operands are never written through.
    check(text_of(left) == left_text && text_of(right) == right_text, "operands unchanged");
    return 0;
}
