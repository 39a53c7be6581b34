// SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
// print (value and newline) and echo (value alone), on a given stream or on
// standard output.
#include <cerrno>
#include <climits>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <cwchar>

#include "number_text.h"
#include "primebench/prelude.h"

// glibc's FILE internals are read only on glibc (<cstdio> has told which
// libc this is), and not when the build asks for the code written for other
// libcs, so that it can be built and tested on glibc too.
#if defined(__GLIBC__) && !defined(PRIMEBENCH_PORTABLE_STDIO)
#define PRIMEBENCH_GLIBC_STDIO 1
#include <sys/single_threaded.h>
#else
#define PRIMEBENCH_GLIBC_STDIO 0
#endif

namespace {

int32_t byte_count(std::size_t count) {
    return count > INT32_MAX ? INT32_MAX : static_cast<int32_t>(count);
}

// Writes under a lock already held: glibc's unlocked forms, or the standard
// ones, which take the (recursive) lock again, with any other libc.
std::size_t write_block(const void* data, std::size_t length, FILE* stream) {
#if PRIMEBENCH_GLIBC_STDIO
    return fwrite_unlocked(data, 1, length, stream);
#else
    return fwrite(data, 1, length, stream);
#endif
}

int write_text(const char* text, FILE* stream) {
#if PRIMEBENCH_GLIBC_STDIO
    return fputs_unlocked(text, stream);
#else
    return fputs(text, stream);
#endif
}

#if PRIMEBENCH_GLIBC_STDIO
// Bits of glibc's FILE flags word. Its current headers name only the error
// flag; the others are the values that its libio.h published, unchanged
// since, as the flags word is part of the FILE that programs read.
constexpr int kUnbuffered = 0x0002;       // _IO_UNBUFFERED
constexpr int kNoWrites = 0x0008;         // _IO_NO_WRITES: opened for reading only
constexpr int kErrorSeen = _IO_ERR_SEEN;  // 0x0020
constexpr int kLineBuffered = 0x0200;     // _IO_LINE_BUF

int flush(FILE* stream) {
    return fflush_unlocked(stream);
}
#endif

// Holds a stream's lock while alive, as fprintf does for a whole operation.
// A process with a single thread on entry may have more by the end: the
// stream's own write function can start a thread that writes to the
// stream, which must wait for the operation under way.
class StreamHold {
  public:
    explicit StreamHold(FILE* stream) : stream_(stream) { flockfile(stream_); }
    ~StreamHold() { funlockfile(stream_); }
    StreamHold(const StreamHold&) = delete;
    StreamHold& operator=(const StreamHold&) = delete;

  private:
    FILE* stream_;
};

// Whether `length` bytes may be put straight into the stream's buffer, as
// glibc's own putc_unlocked puts one: the stream is byte-oriented and fully
// buffered, and its buffer has room for them before both the end of its put
// area and the end of the buffer itself. Nothing else is written this way:
//   - a line-buffered stream must write each line at its newline, and glibc
//     leaves its put pointer *past* the put area's end once a partial line
//     is buffered (its overflow sets the end to the pointer, then stores a
//     byte there; its block write copies up to the buffer's end);
//   - an unbuffered stream must write at once, and its one-byte buffer can
//     hold a pointer past its end after a failed write;
//   - a read-only or reading stream, or one with no buffer yet, has no room.
// So the room is measured signed, and to the nearer of the two ends.
#if PRIMEBENCH_GLIBC_STDIO
bool fits_in_buffer(FILE* stream, std::size_t length) {
    if (stream->_mode >= 0 || (stream->_flags & (kUnbuffered | kLineBuffered)) != 0) return false;
    const char* end =
        stream->_IO_write_end < stream->_IO_buf_end ? stream->_IO_write_end : stream->_IO_buf_end;
    const std::ptrdiff_t room = end - stream->_IO_write_ptr;
    return room > 0 && static_cast<std::size_t>(room) >= length;
}

// Puts the text, and a newline if asked, straight into the stream's buffer
// where fits_in_buffer() allows; reports whether it did. The FILE fields
// read and written are those of glibc's public struct _IO_FILE, the same on
// every architecture glibc supports, x86-64 and AArch64 included.
bool put_in_buffer(FILE* stream, const char* text, std::size_t length, bool newline) {
    if (!fits_in_buffer(stream, length + (newline ? 1 : 0))) return false;
    if (length != 0) std::memcpy(stream->_IO_write_ptr, text, length);
    stream->_IO_write_ptr += length;
    if (newline) *stream->_IO_write_ptr++ = '\n';
    return true;
}

// Whether no other thread can touch a stream's buffer, as glibc's own putc
// assumes without taking the lock.
bool single_threaded() {
    return __libc_single_threaded != 0;
}
#else
// Other libcs' buffers are theirs alone: every byte goes through a write.
bool put_in_buffer(FILE*, const char*, std::size_t, bool) {
    return false;
}

bool single_threaded() {
    return false;
}
#endif

// The result `count` of an operation whose bytes are the text and, if asked,
// a newline: straight into the buffer where they fit, else by `write` under
// the stream's lock. While the process has a single thread the buffer is
// filled without the lock, as glibc's own putc fills it: a copy into the
// buffer calls nothing that could start a thread, while a write to the
// device may (the stream's own write function).
template <class Write>
int32_t fill_buffer_or_write(FILE* stream, const char* text, std::size_t length, bool newline,
                             int32_t count, Write write) {
    if (single_threaded() && put_in_buffer(stream, text, length, newline)) return count;
    const StreamHold hold(stream);
    if (put_in_buffer(stream, text, length, newline)) return count;
    return write();
}

// Whether the stream takes byte writes, left as fprintf leaves it when it
// asks: an unoriented stream becomes byte-oriented; a wide-oriented one
// takes none and is left as it is (glibc drops byte writes there without an
// error); with glibc, one opened for reading only takes none and gets its
// error flag and errno EBADF. Elsewhere a read-only stream refuses the write
// itself, which leaves it as that libc's fprintf would.
bool takes_bytes(FILE* stream) {
#if PRIMEBENCH_GLIBC_STDIO
    if (stream->_mode > 0) return false;
    if (stream->_mode == 0) fwide(stream, -1);
    if ((stream->_flags & kNoWrites) != 0) {
        stream->_flags |= kErrorSeen;
        errno = EBADF;
        return false;
    }
    return true;
#else
    return fwide(stream, -1) < 0;
#endif
}

// Runs `write` and reports whether the stream accepted every byte of it:
// `write` returned true and the stream's error flag was not set meanwhile.
// The flag is what tells: glibc's block write counts bytes that it buffered
// and then failed to deliver (a line-buffered stream's flush at a newline) as
// written. With glibc a flag set before is put aside for the write and set
// again after it, so that an earlier failure neither hides nor fakes this
// one; elsewhere an earlier failure leaves only the write's own result (for
// a String's text, write_string then writes by fprintf, whose result tells).
template <class Write>
bool accepted_whole(FILE* stream, Write write) {
#if PRIMEBENCH_GLIBC_STDIO
    const int earlier_error = stream->_flags & kErrorSeen;
    stream->_flags &= ~kErrorSeen;
    const bool accepted = write() && (stream->_flags & kErrorSeen) == 0;
    stream->_flags |= earlier_error;
    return accepted;
#else
    const bool earlier_error = ferror(stream) != 0;
    return write() && (earlier_error || ferror(stream) == 0);
#endif
}

#if !PRIMEBENCH_GLIBC_STDIO
// The text by fprintf, for a stream whose error flag was set before, which
// then cannot tell whether this write failed. A block write's count alone
// can hide a failure: glibc's counts the whole block as written when the
// device's write function returned a negative count (fopencookie(3) asks
// for 0, but a cookie's write function may return -1 as write(2) does),
// while fprintf's result reports it. "%.*s" stops at a zero byte and takes
// an int precision: the bytes before each zero byte go in pieces of at most
// INT_MAX, and each zero byte by putc.
bool write_formatted(FILE* stream, const char* text, std::size_t length) {
    while (length != 0) {
        const void* zero = std::memchr(text, '\0', length);
        const std::size_t before_zero =
            zero == nullptr ? length
                            : static_cast<std::size_t>(static_cast<const char*>(zero) - text);
        const std::size_t piece = before_zero < INT_MAX ? before_zero : INT_MAX;
        if (piece != 0 && std::fprintf(stream, "%.*s", static_cast<int>(piece), text) < 0) {
            return false;
        }
        text += piece;
        length -= piece;
        if (piece == before_zero && zero != nullptr) {
            if (putc_unlocked('\0', stream) == EOF) return false;
            ++text;
            --length;
        }
    }
    return true;
}
#endif

// The text in block writes. With glibc, on a line-buffered stream, the lines
// go first and are flushed, which tells whether they reached the device:
// glibc's block write counts lines whose flush failed as written, and a flush
// can fail without setting the error flag (a stream that cannot seek back
// over input it read ahead). The rest stays buffered, as a block write leaves
// it, unless the lines failed. Called inside accepted_whole, so with glibc
// the error flag is this write's own; elsewhere a flag set before sends the
// text to write_formatted.
bool write_string(FILE* stream, String value) {
    const char* text = value.data;
    std::size_t length = value.length;
    if (length == 0) return true;
#if PRIMEBENCH_GLIBC_STDIO
    if ((stream->_flags & kLineBuffered) != 0) {
        if (const void* newline = memrchr(text, '\n', length)) {
            const std::size_t lines =
                static_cast<std::size_t>(static_cast<const char*>(newline) - text) + 1;
            // A flush can also find the buffer already dropped by a failed
            // write inside the block write, and return 0: the error flag
            // tells, and the text after the lines then stays unwritten.
            if (write_block(text, lines, stream) != lines || flush(stream) == EOF ||
                (stream->_flags & kErrorSeen) != 0) {
                return false;
            }
            text += lines;
            length -= lines;
        }
    }
#else
    if (ferror(stream) != 0) return write_formatted(stream, text, length);
#endif
    return length == 0 || write_block(text, length, stream) == length;
}

#if PRIMEBENCH_GLIBC_STDIO
// An unbuffered stream gets a text and its newline in one device write, as
// fprintf gives one all it writes, up to the BUFSIZ bytes of the buffer it
// then writes through: a reader sees the line whole, and a device that takes
// writes whole or not at all (a nonblocking pipe) never gets the text alone.
// The newline still reaches the device only behind the whole text. Out of
// line, so that the buffer takes stack only here.
[[gnu::noinline]] bool write_unbuffered_line(FILE* stream, String value) {
    char line[BUFSIZ];
    if (value.length != 0) std::memcpy(line, value.data, value.length);
    line[value.length] = '\n';
    return write_block(line, value.length + 1, stream) == value.length + 1;
}
#endif

// The text, then the newline once the text was accepted, under one hold of
// the stream's lock, so that no other thread's output lands between them.
int32_t print_string(FILE* stream, String value) {
    const int32_t count = byte_count(value.length + 1);
    return fill_buffer_or_write(stream, value.data, value.length, true, count, [&] {
        if (!takes_bytes(stream)) return -1;
#if PRIMEBENCH_GLIBC_STDIO
        const bool accepted = accepted_whole(stream, [&] {
            if ((stream->_flags & kUnbuffered) != 0 && value.length < BUFSIZ) {
                return write_unbuffered_line(stream, value);
            }
            return write_string(stream, value) && putc_unlocked('\n', stream) != EOF;
        });
#else
        // The block write can count a text whose flush failed as written:
        // the error flag, looked at before the newline, tells where it can.
        const bool accepted =
            accepted_whole(stream, [&] { return write_string(stream, value); }) &&
            accepted_whole(stream, [&] { return putc_unlocked('\n', stream) != EOF; });
#endif
        return accepted ? count : -1;
    });
}

// The text by length, in one block write; no zero byte is looked for. An
// empty String writes nothing and its data, null in a zero String, is never
// passed on; its result is fprintf's for no text, -1 on a stream that takes
// no bytes.
int32_t echo_string(FILE* stream, String value) {
    const int32_t count = byte_count(value.length);
    return fill_buffer_or_write(stream, value.data, value.length, false, count, [&] {
#if PRIMEBENCH_GLIBC_STDIO
        if (!takes_bytes(stream)) return -1;
        if (value.length == 0) return 0;
#else
        // Only a write tells a read-only stream, portably: for no text,
        // fprintf's.
        if (value.length == 0) return fprintf(stream, "%s", "") == 0 ? 0 : -1;
        if (!takes_bytes(stream)) return -1;
#endif
        return accepted_whole(stream, [&] { return write_string(stream, value); }) ? count : -1;
    });
}

// A number's text, and the newline for print, in one write: the bytes that
// fprintf would write, and its result: their count, or -1 when the stream
// refuses any of them (read-only, wide-oriented, a failed write). Where they
// do not go straight into the buffer, fputs writes them, which reports a
// refused write as fprintf does (a block write can count a write that its
// device refused as a full one), and flushes a line-buffered stream at the
// newline as fprintf does.
int32_t write_number_text(FILE* stream, char* text, std::size_t length, bool newline) {
    if (newline) text[length++] = '\n';
    text[length] = '\0';  // number text holds no zero byte
    const auto count = static_cast<int32_t>(length);
    return fill_buffer_or_write(stream, text, length, false, count,
                                [&] { return write_text(text, stream) == EOF ? -1 : count; });
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
