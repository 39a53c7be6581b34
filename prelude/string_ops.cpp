// SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
// Strings from literals, by assignment and by concatenation.
#include <cstddef>
#include <cstring>

#include "number_text.h"
#include "primebench/prelude.h"
#include "text_block.h"

namespace {

struct NumberText {
    char bytes[prelude::kNumberTextSize];
    std::size_t length;
};

NumberText integer_text(int32_t value) {
    NumberText text;
    text.length = prelude::integer_text(value, text.bytes);
    return text;
}

NumberText float_text(float value) {
    NumberText text;
    text.length = prelude::float_text(value, text.bytes);
    return text;
}

// Copies length bytes. A text of 4 to 16 bytes, as most number text is, is
// moved by two overlapping fixed-size copies, without a call.
void copy_text(char* to, const char* from, std::size_t length) {
    if (length >= 8 && length <= 16) {
        std::memcpy(to, from, 8);
        std::memcpy(to + length - 8, from + length - 8, 8);
    } else if (length >= 4 && length < 8) {
        std::memcpy(to, from, 4);
        std::memcpy(to + length - 4, from + length - 4, 4);
    } else if (length != 0) {
        std::memcpy(to, from, length);
    }
}

// A new String holding the first text followed by the second, in one block of
// exactly the final size.
String concatenate(const char* first, std::size_t first_length, const char* second,
                   std::size_t second_length) {
    char* block = prelude::allocate_text_block(first_length, second_length);
    copy_text(block, first, first_length);
    copy_text(block + first_length, second, second_length);
    const std::size_t length = first_length + second_length;
    block[length] = '\0';
    return String{block, length, length};
}

String concatenate(String left, const NumberText& right) {
    return concatenate(left.data, left.length, right.bytes, right.length);
}

String concatenate(const NumberText& left, String right) {
    return concatenate(left.bytes, left.length, right.data, right.length);
}

}  // namespace

extern "C" {

String String_$_stringlit(const char* literal) {
    const std::size_t length = std::strlen(literal);
    return String{literal, length, length};
}

String String_$_assign_$_String(String target, String source) {
    String copy = concatenate(source.data, source.length, nullptr, 0);
    copy.reserved = target.reserved;
    return copy;
}

String String_$_plus_$_String(String left, String right) {
    return concatenate(left.data, left.length, right.data, right.length);
}

String String_$_plus_$_Integer(String left, int32_t right) {
    return concatenate(left, integer_text(right));
}

String Integer_$_plus_$_String(int32_t left, String right) {
    return concatenate(integer_text(left), right);
}

String String_$_plus_$_Float(String left, float right) {
    return concatenate(left, float_text(right));
}

String Float_$_plus_$_String(float left, String right) {
    return concatenate(float_text(left), right);
}

}  // extern "C"
