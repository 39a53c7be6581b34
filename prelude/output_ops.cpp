// SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
// print (value and newline) and echo (value alone), on a given stream or on
// standard output.
#include <climits>
#include <cstddef>
#include <cstdio>
#include <cstring>

// <cstdio> has told which libc this is.
#if defined(__GLIBC__)
#include <sys/single_threaded.h>
#endif

#include "number_text.h"
#include "prelude/prelude.h"

namespace {

int32_t byte_count(std::size_t count) {
    return count > INT32_MAX ? INT32_MAX : static_cast<int32_t>(count);
}

// Whether another thread could write to a stream now. glibc tells when the
// process has a single thread, and then skips the stream's locks itself.
bool may_have_other_threads() {
#if defined(__GLIBC__)
    return __libc_single_threaded == 0;
#else
    return true;
#endif
}

// Writes under a lock already held: glibc's unlocked forms, or the standard
// ones, which take the (recursive) lock again, with any other libc.
std::size_t write_block(const void* data, std::size_t length, FILE* stream) {
#if defined(__GLIBC__)
    return fwrite_unlocked(data, 1, length, stream);
#else
    return fwrite(data, 1, length, stream);
#endif
}

int write_text(const char* text, FILE* stream) {
#if defined(__GLIBC__)
    return fputs_unlocked(text, stream);
#else
    return fputs(text, stream);
#endif
}

// Holds a stream's lock while alive, where another thread could write to it:
// while the process has a single thread, nothing can come between two writes.
class StreamHold {
  public:
    explicit StreamHold(FILE* stream) : stream_(stream), locked_(may_have_other_threads()) {
        if (locked_) flockfile(stream_);
    }
    ~StreamHold() {
        if (locked_) funlockfile(stream_);
    }
    StreamHold(const StreamHold&) = delete;
    StreamHold& operator=(const StreamHold&) = delete;

  private:
    FILE* stream_;
    bool locked_;
};

// The text and the newline under one hold of the stream's lock, so that no
// other thread's output lands between them.
int32_t print_string(FILE* stream, String value) {
    const StreamHold hold(stream);
    const std::size_t written =
        value.length == 0 ? 0 : write_block(value.data, value.length, stream);
    const int newline = putc_unlocked('\n', stream);
    if (written != value.length || newline == EOF) return -1;
    return byte_count(value.length + 1);
}

// The text by length, in one block write; no zero byte is looked for. An
// empty String writes nothing and its data, null in a zero String, is never
// passed on.
int32_t echo_string(FILE* stream, String value) {
    if (value.length == 0) return 0;
    const StreamHold hold(stream);
    return byte_count(write_block(value.data, value.length, stream));
}

// A number's text, and the newline for print, in one block write: the bytes
// that fprintf would write, and its result: their count, or -1 when the
// stream refuses any of them (read-only, wide-oriented, a failed write).
//
// With glibc, where the stream is byte-oriented and its buffer has room, the
// text goes straight into the buffer, as glibc's putc_unlocked puts a byte:
// glibc keeps the room at zero for every stream that must not be written this
// way (unbuffered, line-buffered, read-only, reading, no buffer yet). The
// FILE fields read here are those of glibc's public struct _IO_FILE, the same
// on every architecture glibc supports, x86-64 and AArch64 included.
// Otherwise, and with any other libc, fputs writes it, which reports a
// refused write as fprintf does (fwrite can count a write that its device
// refused as a full one).
int32_t write_number_text(FILE* stream, char* text, std::size_t length, bool newline) {
    if (newline) text[length++] = '\n';
    const StreamHold hold(stream);
#if defined(__GLIBC__)
    const bool byte_oriented = stream->_mode < 0;
    if (byte_oriented &&
        static_cast<std::size_t>(stream->_IO_write_end - stream->_IO_write_ptr) >= length) {
        std::memcpy(stream->_IO_write_ptr, text, length);
        stream->_IO_write_ptr += length;
        return static_cast<int32_t>(length);
    }
#endif
    text[length] = '\0';  // number text holds no zero byte
    if (write_text(text, stream) == EOF) return -1;
    return static_cast<int32_t>(length);
}

int32_t write_integer(FILE* stream, int32_t value, bool newline) {
    char text[prelude::kNumberTextSize];
    return write_number_text(stream, text, prelude::integer_text(value, text), newline);
}

int32_t write_float(FILE* stream, float value, bool newline) {
    char text[prelude::kNumberTextSize];
    return write_number_text(stream, text, prelude::float_text(value, text), newline);
}

}  // namespace

extern "C" {

int32_t Stream_$_print_$_String(FILE* stream, String value) {
    return print_string(stream, value);
}
int32_t Stream_$_print_$_Integer(FILE* stream, int32_t value) {
    return write_integer(stream, value, true);
}
int32_t Stream_$_print_$_Float(FILE* stream, float value) {
    return write_float(stream, value, true);
}

int32_t print_$_String(String value) {
    return print_string(stdout, value);
}
int32_t print_$_Integer(int32_t value) {
    return write_integer(stdout, value, true);
}
int32_t print_$_Float(float value) {
    return write_float(stdout, value, true);
}

int32_t Stream_$_echo_$_String(FILE* stream, String value) {
    return echo_string(stream, value);
}
int32_t Stream_$_echo_$_Integer(FILE* stream, int32_t value) {
    return write_integer(stream, value, false);
}
int32_t Stream_$_echo_$_Float(FILE* stream, float value) {
    return write_float(stream, value, false);
}

int32_t echo_$_String(String value) {
    return echo_string(stdout, value);
}
int32_t echo_$_Integer(int32_t value) {
    return write_integer(stdout, value, false);
}
int32_t echo_$_Float(float value) {
    return write_float(stdout, value, false);
}

}  // extern "C"
