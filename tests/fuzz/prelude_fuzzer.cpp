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
#include <vector>

#include "../libc_number_text.h"
#include "primebench/prelude.h"

namespace {

using prelude::testing::libc_float_text;
using prelude::testing::libc_integer_text;

void check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

std::string text_of(String s) {
    return std::string(s.data, s.length);
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

// A device behind a cookie stream that keeps every byte it receives.
ssize_t keep_bytes(void* cookie, const char* bytes, std::size_t size) {
    static_cast<std::string*>(cookie)->append(bytes, size);
    return static_cast<ssize_t>(size);
}

// A sequence of the stream output operations on one stream, whose buffering
// mode and buffer size come from the input: each returns the count of its
// bytes, and after each the device holds a prefix of the whole text, which
// is all of it when unbuffered and reaches the last newline when
// line-buffered; after a flush, all of it.
void check_output_sequence(FuzzedDataProvider& input, String left, String right, int32_t integer,
                           float real) {
    static constexpr int kModes[] = {_IONBF, _IOLBF, _IOFBF};
    const int mode = kModes[input.ConsumeIntegralInRange(0, 2)];
    // Exactly the buffer's size from the heap, so that AddressSanitizer sees
    // a write past its end.
    std::vector<char> buffer(input.ConsumeIntegralInRange<std::size_t>(1, 300));
    std::string received;
    FILE* stream = fopencookie(&received, "w", {nullptr, &keep_bytes, nullptr, nullptr});
    check(stream != nullptr, "fopencookie");
    std::setvbuf(stream, mode == _IONBF ? nullptr : buffer.data(), mode, buffer.size());
    const std::string number = libc_integer_text(integer);
    const std::string decimal = libc_float_text(real);
    std::string text;
    for (int count = input.ConsumeIntegralInRange(0, 64); count > 0; --count) {
        const bool use_left = input.ConsumeBool();
        const String value = use_left ? left : right;
        std::string written;
        int32_t reported = 0;
        switch (input.ConsumeIntegralInRange(0, 5)) {
            case 0:
                reported = Stream_$_print_$_String(stream, value), written = text_of(value) + "\n";
                break;
            case 1:
                reported = Stream_$_echo_$_String(stream, value), written = text_of(value);
                break;
            case 2:
                reported = Stream_$_print_$_Integer(stream, integer), written = number + "\n";
                break;
            case 3:
                reported = Stream_$_echo_$_Integer(stream, integer), written = number;
                break;
            case 4:
                reported = Stream_$_print_$_Float(stream, real), written = decimal + "\n";
                break;
            default:
                reported = Stream_$_echo_$_Float(stream, real), written = decimal;
                break;
        }
        check(reported == static_cast<int32_t>(written.size()), "output result");
        text += written;
        const std::size_t lines_end = mode == _IOLBF ? text.rfind('\n') + 1 : 0;
        check(text.compare(0, received.size(), received) == 0, "output is a prefix of the text");
        check(mode != _IONBF || received.size() == text.size(), "unbuffered output at once");
        check(received.size() >= lines_end, "line-buffered output at each newline");
    }
    std::fflush(stream);
    check(received == text, "output after a flush");
    std::fclose(stream);
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
    const std::string right_text = input.ConsumeRandomLengthString(2048);

    const auto data_of = [](const std::string& text, bool may_be_zero) {
        return text.empty() && may_be_zero ? nullptr : text.data();
    };
    const String left{data_of(left_text, left_may_be_zero), left_text.size(), left_reserved};
    const String right{data_of(right_text, right_may_be_zero), right_text.size(),
                       right_text.size()};
    const String none{nullptr, 0, 0};

    check_made(String_$_plus_$_String(left, right), left_text + right_text, left, right,
               left_text.size() + right_text.size(), "String + String");
    const std::string number = libc_integer_text(integer);
    check_made(String_$_plus_$_Integer(left, integer), left_text + number, left, none,
               left_text.size() + number.size(), "String + Integer");
    check_made(Integer_$_plus_$_String(integer, right), number + right_text, none, right,
               number.size() + right_text.size(), "Integer + String");
    const std::string decimal = libc_float_text(real);
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

    check_output_sequence(input, left, right, integer, real);

    // Operands are never written through.
    check(text_of(left) == left_text && text_of(right) == right_text, "operands unchanged");
    return 0;
}
