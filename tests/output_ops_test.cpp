// print and echo: bytes written and values returned, on good and failing streams.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cfloat>
#include <climits>
#include <cstdio>
#include <limits>
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

TEST(SharedStream, PrintOfAStringKeepsItsNewlineWithItsText) {
    // Threads printing to one stream: were the text and the newline two
    // locked operations, another thread's line could land between them.
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
            for (int i = 0; i < kLines; ++i) Stream_$_print_$_String(stream, line);
        });
    }
    for (std::thread& thread : threads) thread.join();
    std::fclose(stream);
    std::string expected;
    for (int i = 0; i < kThreads * kLines; ++i) expected += "0123456789\n";
    EXPECT_TRUE(std::string(buffer, size) == expected);
    std::free(buffer);
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

TEST_F(FailingStream, NumbersReportANegativeValue) {
    EXPECT_LT(Stream_$_print_$_Integer(full_, 12), 0);
    EXPECT_LT(Stream_$_echo_$_Integer(full_, 12), 0);
    EXPECT_LT(Stream_$_print_$_Float(full_, 1.0f), 0);
    EXPECT_LT(Stream_$_echo_$_Float(full_, 1.0f), 0);
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

TEST(PartWayFailure, NumbersReportAnErrorNotACount) {
    StreamThatFillsUp integer_stream(2);
    EXPECT_LT(Stream_$_print_$_Integer(integer_stream.get(), -1234), 0);
    StreamThatFillsUp float_stream(4);
    EXPECT_LT(Stream_$_echo_$_Float(float_stream.get(), 2.5f), 0);
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
