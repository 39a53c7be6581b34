// SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
// print and echo: bytes written and values returned, on good and failing streams.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cfloat>
#include <climits>
#include <cstdio>
#include <cwchar>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "captured_stream.h"
#include "prelude/prelude.h"

namespace prelude::testing {
namespace {

constexpr String kZeroString{nullptr, 0, 0};

// A Float as "%f" writes it.
std::string float_text(float value) {
    char buffer[512];
    const int count = std::snprintf(buffer, sizeof buffer, "%f", static_cast<double>(value));
    return std::string(buffer, static_cast<std::size_t>(count));
}

TEST(StreamOutput, StringsAreWrittenByLengthOnly) {
    TemporaryStream stream;
    // The bytes after the length, a zero byte among them, are never written.
    const std::string text("ab\0cdXYZ", 8);
    const String s{text.data(), 5, 5};
    EXPECT_EQ(Stream_$_print_$_String(stream.get(), s), 6);
    EXPECT_EQ(Stream_$_echo_$_String(stream.get(), s), 5);
    EXPECT_EQ(Stream_$_print_$_String(stream.get(), String_$_stringlit("")), 1);
    EXPECT_EQ(Stream_$_echo_$_String(stream.get(), String_$_stringlit("")), 0);
    // A zero-initialised String: empty, with null data that is never passed on.
    EXPECT_EQ(Stream_$_print_$_String(stream.get(), kZeroString), 1);
    EXPECT_EQ(Stream_$_echo_$_String(stream.get(), kZeroString), 0);
    EXPECT_EQ(stream.contents(), std::string("ab\0cd\nab\0cd\n\n", 13));
}

TEST(StreamOutput, NumbersAsFormattedPrintingWritesThem) {
    TemporaryStream stream;
    EXPECT_EQ(Stream_$_print_$_Integer(stream.get(), -3), 3);
    EXPECT_EQ(Stream_$_echo_$_Integer(stream.get(), INT_MIN), 11);
    EXPECT_EQ(Stream_$_print_$_Float(stream.get(), 0.1f), 9);
    EXPECT_EQ(Stream_$_echo_$_Float(stream.get(), 2.5f), 8);
    std::string expected = "-3\n-2147483648" + float_text(0.1f) + "\n" + "2.500000";
    EXPECT_EQ(stream.contents(), expected);

    TemporaryStream specials;
    const float values[] = {FLT_MAX, -FLT_MAX, std::numeric_limits<float>::denorm_min(),
                            std::numeric_limits<float>::infinity(),
                            std::numeric_limits<float>::quiet_NaN()};
    expected.clear();
    for (float value : values) {
        const std::string text = float_text(value);
        EXPECT_EQ(Stream_$_echo_$_Float(specials.get(), value), static_cast<int>(text.size()));
        EXPECT_EQ(Stream_$_print_$_Float(specials.get(), value), static_cast<int>(text.size()) + 1);
        expected += text + text + "\n";
    }
    EXPECT_EQ(specials.contents(), expected);
}

TEST(StandardOutput, FreeFormsWriteToStdoutOnly) {
    TemporaryStream other;
    CapturedStdout captured;
    const String ab12 = String_$_plus_$_Integer(String_$_stringlit("ab"), 12);
    EXPECT_EQ(print_$_String(ab12), 5);
    EXPECT_EQ(echo_$_String(ab12), 4);
    EXPECT_EQ(print_$_Integer(-3), 3);
    EXPECT_EQ(echo_$_Integer(7), 1);
    EXPECT_EQ(print_$_Float(0.1f), 9);
    EXPECT_EQ(echo_$_Float(2.5f), 8);
    EXPECT_EQ(print_$_String(String_$_stringlit("")), 1);
    EXPECT_EQ(print_$_String(kZeroString), 1);
    EXPECT_EQ(echo_$_String(kZeroString), 0);
    EXPECT_EQ(Stream_$_print_$_Float(other.get(), 0.1f), 9);
    EXPECT_EQ(captured.contents(), "ab12\nab12-3\n7" + float_text(0.1f) + "\n" + "2.500000\n\n");
}

TEST(SharedStream, EachPrintIsOneLockedOperation) {
    // Threads printing to one stream: were a String's text and its newline
    // two locked operations, another thread's line could land between them;
    // were a number's text put in the buffer unlocked, bytes would be lost.
    char* buffer = nullptr;
    std::size_t size = 0;
    FILE* stream = open_memstream(&buffer, &size);
    ASSERT_NE(stream, nullptr);
    constexpr int kThreads = 8;
    constexpr int kLines = 20'000;
    const String line = String_$_stringlit("0123456789");
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < kLines; ++i) {
                Stream_$_print_$_String(stream, line);
                Stream_$_print_$_Integer(stream, -1234567);
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    std::fclose(stream);
    std::string expected;
    for (int i = 0; i < kThreads * kLines; ++i) expected += "0123456789\n-1234567\n";
    std::string written(buffer, size);
    std::free(buffer);
    ASSERT_EQ(written.size(), expected.size());
    // Lines of both kinds, each whole; their order across threads is free.
    std::size_t texts = 0;
    std::size_t numbers = 0;
    for (std::size_t at = 0; at < written.size();) {
        const std::size_t end = written.find('\n', at);
        ASSERT_NE(end, std::string::npos);
        const std::string got = written.substr(at, end - at);
        if (got == "0123456789") {
            ++texts;
        } else {
            ASSERT_EQ(got, "-1234567") << "at byte " << at;
            ++numbers;
        }
        at = end + 1;
    }
    EXPECT_EQ(texts, std::size_t{kThreads * kLines});
    EXPECT_EQ(numbers, std::size_t{kThreads * kLines});
}

class FailingStream : public ::testing::Test {
  protected:
    void SetUp() override {
        full_ = std::fopen("/dev/full", "w");
        ASSERT_NE(full_, nullptr);
        // Unbuffered, so that every write reaches the device and fails there.
        std::setvbuf(full_, nullptr, _IONBF, 0);
    }
    void TearDown() override {
        if (full_ != nullptr) std::fclose(full_);
    }
    FILE* full_ = nullptr;
};

TEST_F(FailingStream, PrintOfAStringReportsMinusOne) {
    EXPECT_EQ(Stream_$_print_$_String(full_, String_$_stringlit("abc")), -1);
    // Only the newline's write can fail here, and it does.
    EXPECT_EQ(Stream_$_print_$_String(full_, String_$_stringlit("")), -1);
    EXPECT_EQ(Stream_$_print_$_String(full_, kZeroString), -1);
}

TEST_F(FailingStream, EchoOfAStringReportsTheBytesWritten) {
    EXPECT_EQ(Stream_$_echo_$_String(full_, String_$_stringlit("abc")), 0);
    EXPECT_EQ(Stream_$_echo_$_String(full_, String_$_stringlit("")), 0);
    EXPECT_EQ(Stream_$_echo_$_String(full_, kZeroString), 0);
}

// A stream that accepts a set number of bytes and then fails every write, as
// a device that fills up part-way would.
class StreamThatFillsUp {
  public:
    explicit StreamThatFillsUp(std::size_t capacity) : capacity_(capacity) {
        const cookie_io_functions_t functions{nullptr, &StreamThatFillsUp::write, nullptr, nullptr};
        stream_ = fopencookie(this, "w", functions);
        std::setvbuf(stream_, nullptr, _IONBF, 0);
    }
    ~StreamThatFillsUp() { std::fclose(stream_); }
    StreamThatFillsUp(const StreamThatFillsUp&) = delete;
    StreamThatFillsUp& operator=(const StreamThatFillsUp&) = delete;

    FILE* get() const { return stream_; }
    const std::string& accepted() const { return accepted_; }

  private:
    static ssize_t write(void* cookie, const char* bytes, std::size_t size) {
        auto* self = static_cast<StreamThatFillsUp*>(cookie);
        const std::size_t room = self->capacity_ - self->accepted_.size();
        if (room == 0) {
            errno = ENOSPC;
            return -1;
        }
        const std::size_t taken = size < room ? size : room;
        self->accepted_.append(bytes, taken);
        return static_cast<ssize_t>(taken);
    }

    std::size_t capacity_;
    std::string accepted_;
    FILE* stream_;
};

TEST(PartWayFailure, PrintOfAStringFailsWhenOnlyTheNewlineIsRefused) {
    StreamThatFillsUp stream(5);
    EXPECT_EQ(Stream_$_print_$_String(stream.get(), String_$_stringlit("abcde")), -1);
    EXPECT_EQ(stream.accepted(), "abcde");
}

TEST(PartWayFailure, BlockWritesReportWhatWasWritten) {
    StreamThatFillsUp echo_stream(3);
    EXPECT_EQ(Stream_$_echo_$_String(echo_stream.get(), String_$_stringlit("abcdef")), 3);
    EXPECT_EQ(echo_stream.accepted(), "abc");

    StreamThatFillsUp print_stream(3);
    EXPECT_EQ(Stream_$_print_$_String(print_stream.get(), String_$_stringlit("abcdef")), -1);
}

TEST(PartWayFailure, ClosedPipeWithSigpipeIgnored) {
    struct sigaction ignore {};
    struct sigaction previous {};
    ignore.sa_handler = SIG_IGN;
    ASSERT_EQ(sigaction(SIGPIPE, &ignore, &previous), 0);
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    close(ends[0]);
    FILE* stream = fdopen(ends[1], "w");
    ASSERT_NE(stream, nullptr);
    std::setvbuf(stream, nullptr, _IONBF, 0);

    EXPECT_EQ(Stream_$_echo_$_String(stream, String_$_stringlit("abc")), 0);
    EXPECT_EQ(Stream_$_print_$_String(stream, String_$_stringlit("abc")), -1);
    EXPECT_LT(Stream_$_print_$_Integer(stream, 7), 0);
    EXPECT_LT(Stream_$_print_$_Float(stream, 7.0f), 0);
    std::fclose(stream);
    sigaction(SIGPIPE, &previous, nullptr);
}

// A stream of some kind, opened afresh for one write; `close` closes it and
// returns the bytes that its device accepted.
struct OpenStream {
    FILE* stream;
    std::function<std::string()> close;
};

// A device that accepts `capacity` bytes and then fails every write.
struct FillingDevice {
    std::size_t capacity;
    std::string accepted;
    static ssize_t write(void* cookie, const char* bytes, std::size_t size) {
        auto* self = static_cast<FillingDevice*>(cookie);
        const std::size_t taken = std::min(size, self->capacity - self->accepted.size());
        if (taken == 0) {
            errno = ENOSPC;
            return -1;
        }
        self->accepted.append(bytes, taken);
        return static_cast<ssize_t>(taken);
    }
};

OpenStream open_filling(std::size_t capacity, bool buffered) {
    auto device = std::make_shared<FillingDevice>(FillingDevice{capacity, {}});
    FILE* stream =
        fopencookie(device.get(), "w", {nullptr, &FillingDevice::write, nullptr, nullptr});
    if (!buffered) std::setvbuf(stream, nullptr, _IONBF, 0);
    return {stream, [stream, device] {
                std::fclose(stream);
                return device->accepted;
            }};
}

// A temporary file with its own buffer of the given size and mode; wide
// streams are oriented, or also written to, before the test writes.
enum class Orientation { unset, wide, wide_and_written };
OpenStream open_file(Orientation orientation = Orientation::unset, int buffering = _IOFBF,
                     std::size_t buffer_size = BUFSIZ) {
    FILE* file = std::tmpfile();
    auto buffer = std::make_shared<std::vector<char>>(buffer_size);
    std::setvbuf(file, buffer->data(), buffering, buffer->size());
    if (orientation != Orientation::unset) fwide(file, 1);
    if (orientation == Orientation::wide_and_written) std::fputwc(L'w', file);
    return {file, [file, buffer] {
                std::fflush(file);
                std::string bytes(4096, '\0');
                std::rewind(file);
                bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file));
                std::fclose(file);
                return bytes;
            }};
}

OpenStream open_memory() {
    struct Memory {
        char* data = nullptr;
        std::size_t size = 0;
    };
    auto memory = std::make_shared<Memory>();
    FILE* stream = open_memstream(&memory->data, &memory->size);
    return {stream, [stream, memory] {
                std::fclose(stream);
                std::string bytes(memory->data, memory->size);
                std::free(memory->data);
                return bytes;
            }};
}

OpenStream open_device(const char* path, const char* mode, bool buffered) {
    FILE* stream = std::fopen(path, mode);
    if (!buffered) std::setvbuf(stream, nullptr, _IONBF, 0);
    return {stream, [stream] {
                std::fclose(stream);
                return std::string();
            }};
}

OpenStream open_closed_pipe() {
    int ends[2] = {-1, -1};
    if (pipe(ends) != 0) return {nullptr, [] { return std::string(); }};
    close(ends[0]);
    FILE* stream = fdopen(ends[1], "w");
    std::setvbuf(stream, nullptr, _IONBF, 0);
    return {stream, [stream] {
                std::fclose(stream);
                return std::string();
            }};
}

// What three writes to one fresh stream returned, and what its device
// accepted: the first write finds no buffer yet, the later ones find it.
struct Written {
    std::vector<int32_t> results;
    std::string accepted;
};

Written write_to(const std::function<OpenStream()>& open,
                 const std::function<int32_t(FILE*)>& write) {
    OpenStream opened = open();
    if (opened.stream == nullptr) return {{}, "cannot open"};
    Written written;
    for (int i = 0; i < 3; ++i) written.results.push_back(write(opened.stream));
    written.accepted = opened.close();
    return written;
}

TEST(NumberOutput, SameBytesAndResultAsFprintfOnEveryKindOfStream) {
    struct sigaction ignore {};
    struct sigaction previous {};
    ignore.sa_handler = SIG_IGN;
    ASSERT_EQ(sigaction(SIGPIPE, &ignore, &previous), 0);

    std::vector<std::pair<std::string, std::function<OpenStream()>>> kinds = {
        {"regular file", [] { return open_file(); }},
        {"wide-oriented file", [] { return open_file(Orientation::wide); }},
        {"wide-oriented file, written", [] { return open_file(Orientation::wide_and_written); }},
        {"line-buffered file", [] { return open_file(Orientation::unset, _IOLBF); }},
        {"file with a 5-byte buffer", [] { return open_file(Orientation::unset, _IOFBF, 5); }},
        {"memory stream", [] { return open_memory(); }},
        {"/dev/full buffered", [] { return open_device("/dev/full", "w", true); }},
        {"/dev/full unbuffered", [] { return open_device("/dev/full", "w", false); }},
        {"read-only", [] { return open_device("/dev/null", "r", true); }},
        {"closed pipe", [] { return open_closed_pipe(); }},
    };
    for (std::size_t capacity : {0u, 1u, 2u, 3u, 8u, 12u, 47u}) {
        kinds.emplace_back("fills up after " + std::to_string(capacity),
                           [capacity] { return open_filling(capacity, false); });
        kinds.emplace_back("buffered, fills up after " + std::to_string(capacity),
                           [capacity] { return open_filling(capacity, true); });
    }

    struct Operation {
        std::string name;
        std::function<int32_t(FILE*)> prelude;
        std::function<int32_t(FILE*)> libc;
    };
    std::vector<Operation> operations;
    for (int32_t value : {0, -3, 1234567, INT_MIN}) {
        const std::string v = std::to_string(value);
        operations.push_back({"print Integer " + v,
                              [value](FILE* f) { return Stream_$_print_$_Integer(f, value); },
                              [value](FILE* f) { return std::fprintf(f, "%d\n", value); }});
        operations.push_back({"echo Integer " + v,
                              [value](FILE* f) { return Stream_$_echo_$_Integer(f, value); },
                              [value](FILE* f) { return std::fprintf(f, "%d", value); }});
    }
    for (float value : {2.5f, -0.1f, -FLT_MAX, std::numeric_limits<float>::quiet_NaN()}) {
        const double wide = static_cast<double>(value);
        const std::string v = float_text(value);
        operations.push_back({"print Float " + v,
                              [value](FILE* f) { return Stream_$_print_$_Float(f, value); },
                              [wide](FILE* f) { return std::fprintf(f, "%f\n", wide); }});
        operations.push_back({"echo Float " + v,
                              [value](FILE* f) { return Stream_$_echo_$_Float(f, value); },
                              [wide](FILE* f) { return std::fprintf(f, "%f", wide); }});
    }

    for (const auto& [kind, open] : kinds) {
        for (const Operation& operation : operations) {
            SCOPED_TRACE(kind + ": " + operation.name);
            const Written ours = write_to(open, operation.prelude);
            const Written libc = write_to(open, operation.libc);
            EXPECT_EQ(ours.accepted, libc.accepted);
            ASSERT_EQ(ours.results.size(), libc.results.size());
            for (std::size_t i = 0; i < libc.results.size(); ++i) {
                if (libc.results[i] < 0) {
                    EXPECT_LT(ours.results[i], 0) << "write " << i;
                } else {
                    EXPECT_EQ(ours.results[i], libc.results[i]) << "write " << i;
                }
            }
        }
    }
    sigaction(SIGPIPE, &previous, nullptr);
}

TEST(HugeOutput, CountsBeyondTheIntegerRangeSaturate) {
    // 2^31 + 16 bytes of untouched zero pages: writing them to /dev/null
    // reads no page, so the test costs little memory.
    const std::size_t length = (std::size_t{1} << 31) + 16;
    void* pages =
        mmap(nullptr, length, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    ASSERT_NE(pages, MAP_FAILED);
    FILE* sink = std::fopen("/dev/null", "w");
    ASSERT_NE(sink, nullptr);
    const String huge{static_cast<const char*>(pages), length, length};
    EXPECT_EQ(Stream_$_echo_$_String(sink, huge), INT_MAX);
    EXPECT_EQ(Stream_$_print_$_String(sink, huge), INT_MAX);
    std::fclose(sink);
    munmap(pages, length);
}

}  // namespace
}  // namespace prelude::testing
