// SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
#include "text_block.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace prelude {
namespace {

// The failure paths format one line naming the size into a stack buffer and
// write it with write(2): when the heap is exhausted, nothing on the way out
// may need it. They stay out of line, so the common path carries no buffer.
[[noreturn]] void abort_with_message(const char* message, int length) {
    if (length > 0) {
        // Best effort: the process ends whether or not the line gets out.
        const ssize_t ignored = write(STDERR_FILENO, message, static_cast<std::size_t>(length));
        static_cast<void>(ignored);
    }
    std::abort();
}

[[noreturn]] __attribute__((noinline, cold)) void abort_on_size_overflow(std::size_t first,
                                                                         std::size_t second) {
    char message[160];
    abort_with_message(
        message, std::snprintf(message, sizeof message,
                               "prelude: cannot allocate %zu + %zu + 1 bytes: the size overflows\n",
                               first, second));
}

[[noreturn]] __attribute__((noinline, cold)) void abort_on_exhausted_heap(std::size_t size) {
    char message[160];
    abort_with_message(message, std::snprintf(message, sizeof message,
                                              "prelude: cannot allocate %zu bytes\n", size));
}

}  // namespace

char* allocate_text_block(std::size_t first, std::size_t second) {
    std::size_t size = 0;
    if (__builtin_add_overflow(first, second, &size) || __builtin_add_overflow(size, 1, &size)) {
        abort_on_size_overflow(first, second);
    }
    void* block = std::malloc(size);
    if (block == nullptr) abort_on_exhausted_heap(size);
    return static_cast<char*>(block);
}

}  // namespace prelude
