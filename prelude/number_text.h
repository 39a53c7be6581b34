// SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
#pragma once

#include <cstddef>
#include <cstdint>

namespace prelude {

// Room for any number text: the longest, -FLT_MAX as "%f", is 47 bytes.
inline constexpr std::size_t kNumberTextSize = 512;

// The bytes that snprintf writes for "%i" (and "%d") of value, into text,
// which has room for kNumberTextSize bytes; returns their count. Integer text
// does not depend on the locale.
std::size_t integer_text(int32_t value, char* text);

// The bytes that snprintf writes for "%f" of value widened to double, into
// text, which has room for kNumberTextSize bytes; returns their count. Where
// the thread's locale has a decimal point other than "." or the rounding mode
// is not round-to-nearest, libc formats it, so the text is always libc's own.
std::size_t float_text(float value, char* text);

}  // namespace prelude
