// print and echo: bytes written and values returned, on good and failing streams.
#include <gtest/gtest.h>
#include <sys/mman.h>

#include <cfloat>
#include <climits>
#include <cstdio>
#include <limits>
#include <string>

#include "captured_stream.h"
#include "prelude/prelude.h"

namespace prelude::testing {
namespace {

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
    EXPECT_EQ(stream.contents(), std::string("ab\0cd\nab\0cd\n", 12));
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
    EXPECT_EQ(Stream_$_print_$_Float(other.get(), 0.1f), 9);
    EXPECT_EQ(captured.contents(), "ab12\nab12-3\n7" + float_text(0.1f) + "\n" + "2.500000\n");
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
}

TEST_F(FailingStream, EchoOfAStringReportsTheBytesWritten) {
    EXPECT_EQ(Stream_$_echo_$_String(full_, String_$_stringlit("abc")), 0);
    EXPECT_EQ(Stream_$_echo_$_String(full_, String_$_stringlit("")), 0);
}

TEST_F(FailingStream, NumbersReportANegativeValue) {
    EXPECT_LT(Stream_$_print_$_Integer(full_, 12), 0);
    EXPECT_LT(Stream_$_echo_$_Integer(full_, 12), 0);
    EXPECT_LT(Stream_$_print_$_Float(full_, 1.0f), 0);
    EXPECT_LT(Stream_$_echo_$_Float(full_, 1.0f), 0);
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
