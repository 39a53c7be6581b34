// SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
// Number text as libc's snprintf writes it: what the prelude's own text and
// output are checked against.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace prelude::testing {

// A Float as "%f" writes it, widened to double.
inline std::string libc_float_text(float value) {
    char buffer[512];
    const int count = std::snprintf(buffer, sizeof buffer, "%f", static_cast<double>(value));
    return std::string(buffer, static_cast<std::size_t>(count));
}

// An Integer as "%i" (and "%d") writes it.
inline std::string libc_integer_text(int32_t value) {
    char buffer[16];
    const int count = std::snprintf(buffer, sizeof buffer, "%i", value);
    return std::string(buffer, static_cast<std::size_t>(count));
}

}  // namespace prelude::testing
