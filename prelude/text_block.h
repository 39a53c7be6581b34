// SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
#pragma once

#include <cstddef>

namespace prelude {

// A new heap block of first + second + 1 bytes, for a text of first + second
// bytes and its terminating zero. When the size overflows or the heap cannot
// supply the block, writes one line naming the size to standard error and
// ends the process with abort(); it never returns null.
char* allocate_text_block(std::size_t first, std::size_t second);

}  // namespace prelude
