// Strings from literals, by assignment and by concatenation.
#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>

#include "allocation_counter.h"
#include "prelude/prelude.h"

// The heap-exhaustion tests need malloc to fail, not the sanitizer to stop.
extern "C" __attribute__((visibility("default"))) const char* __asan_default_options() {
    return "allocator_may_return_null=1";
}

namespace prelude::testing {
namespace {

std::string text_of(String s) {
    return std::string(s.data, s.length);
}

// The String made from a std::string's bytes, borrowing them.
String view(const std::string& s) {
    return String{s.data(), s.size(), s.size()};
}

void expect_owned_text(String s, const std::string& expected) {
    EXPECT_EQ(text_of(s), expected);
    EXPECT_EQ(s.length, expected.size());
    EXPECT_EQ(s.data[s.length], '\0');
}

std::string snprintf_float(float value) {
    char buffer[512];
    const int count = std::snprintf(buffer, sizeof buffer, "%f", static_cast<double>(value));
    return std::string(buffer, static_cast<std::size_t>(count));
}

std::string snprintf_integer(int32_t value) {
    char buffer[512];
    const int count = std::snprintf(buffer, sizeof buffer, "%i", value);
    return std::string(buffer, static_cast<std::size_t>(count));
}

TEST(StringLiteral, BorrowsTheLiteralAndCountsToTheFirstZero) {
    static const char empty[] = "";
    const String e = String_$_stringlit(empty);
    EXPECT_EQ(e.data, empty);
    EXPECT_EQ(e.length, 0u);
    EXPECT_EQ(e.reserved, 0u);

    static const char inner_zero[] = "ab\0cd";
    const String s = String_$_stringlit(inner_zero);
    EXPECT_EQ(s.data, inner_zero);
    EXPECT_EQ(s.length, 2u);
    EXPECT_EQ(s.reserved, 2u);
}

TEST(StringAssign, CopiesTheSourceAndKeepsTheTargetsReserved) {
    const std::string target_text = "0123456789";
    const std::string source_text = "abc";
    String target = view(target_text);
    target.reserved = 77;
    const String source = view(source_text);

    const String result = String_$_assign_$_String(target, source);
    expect_owned_text(result, "abc");
    EXPECT_EQ(result.reserved, 77u);
    EXPECT_NE(result.data, source.data);
    EXPECT_NE(result.data, target.data);
    EXPECT_EQ(target_text, "0123456789");
    EXPECT_EQ(source_text, "abc");
}

TEST(StringConcatenation, TextOrderAndReserved) {
    const String ab = String_$_stringlit("ab");
    const String empty = String_$_stringlit("");
    const String v = String_$_stringlit("v=");
    // A zero-initialised String is the empty text too, with no data at all.
    const String zero{nullptr, 0, 0};

    const struct {
        String result;
        const char* expected;
    } cases[] = {
        {String_$_plus_$_Integer(ab, 12), "ab12"},
        {Integer_$_plus_$_String(12, ab), "12ab"},
        {String_$_plus_$_Integer(String_$_stringlit("x"), -7), "x-7"},
        {String_$_plus_$_String(ab, String_$_stringlit("cd")), "abcd"},
        {String_$_plus_$_String(empty, empty), ""},
        {String_$_plus_$_Float(v, 1.5f), "v=1.500000"},
        {Float_$_plus_$_String(0.1f, empty), "0.100000"},
        {String_$_plus_$_String(zero, zero), ""},
        {String_$_plus_$_String(ab, zero), "ab"},
        {String_$_plus_$_Integer(zero, -7), "-7"},
        {Integer_$_plus_$_String(12, zero), "12"},
        {String_$_plus_$_Float(zero, 1.5f), "1.500000"},
        {Float_$_plus_$_String(1.5f, zero), "1.500000"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        expect_owned_text(c.result, c.expected);
        EXPECT_EQ(c.result.reserved, c.result.length);
    }
    expect_owned_text(String_$_assign_$_String(ab, zero), "");
    EXPECT_EQ(Ternary_$_pick_$_String_$_String_$_String(0, ab, zero, ab).data, nullptr);
}

TEST(StringConcatenation, NeverChangesOrSharesAnOperand) {
    std::string left_text = "left";
    std::string right_text = "right";
    const String left = view(left_text);
    const String right = view(right_text);
    const String results[] = {
        String_$_plus_$_String(left, right), String_$_plus_$_Integer(left, 5),
        Integer_$_plus_$_String(5, right),   String_$_plus_$_Float(left, 2.0f),
        Float_$_plus_$_String(2.0f, right),
    };
    for (const String& r : results) {
        EXPECT_NE(r.data, left.data);
        EXPECT_NE(r.data, right.data);
    }
    EXPECT_EQ(left_text, "left");
    EXPECT_EQ(right_text, "right");
    EXPECT_EQ(left.length, 4u);
    EXPECT_EQ(right.length, 5u);
}

TEST(NumberText, IntegersAsFormattedPrintingWritesThem) {
    const String empty = String_$_stringlit("");
    for (int32_t value : {0, 1, -1, 42, -7, 1000000, INT_MAX, INT_MIN, INT_MIN + 1}) {
        const std::string expected = snprintf_integer(value);
        EXPECT_EQ(text_of(String_$_plus_$_Integer(empty, value)), expected);
        EXPECT_EQ(text_of(Integer_$_plus_$_String(value, empty)), expected);
    }
}

TEST(NumberText, FloatsAsFormattedPrintingWritesThem) {
    const String empty = String_$_stringlit("");
    const float values[] = {0.0f,
                            -0.0f,
                            0.1f,
                            1.5f,
                            -2.5f,
                            1e-7f,
                            FLT_MAX,
                            -FLT_MAX,
                            FLT_MIN,
                            std::numeric_limits<float>::denorm_min(),
                            std::numeric_limits<float>::infinity(),
                            -std::numeric_limits<float>::infinity(),
                            std::numeric_limits<float>::quiet_NaN(),
                            -std::numeric_limits<float>::quiet_NaN()};
    for (float value : values) {
        const std::string expected = snprintf_float(value);
        EXPECT_EQ(text_of(String_$_plus_$_Float(empty, value)), expected);
        EXPECT_EQ(text_of(Float_$_plus_$_String(value, empty)), expected);
    }
    EXPECT_EQ(text_of(String_$_plus_$_Float(empty, -FLT_MAX)).size(), 47u);
}

TEST(NumberText, LongOperandsBeyondTheNumberBuffer) {
    const std::string long_text(100'000, 'q');
    const String long_string = view(long_text);
    expect_owned_text(String_$_plus_$_Integer(long_string, -123), long_text + "-123");
    expect_owned_text(Integer_$_plus_$_String(-123, long_string), "-123" + long_text);
    expect_owned_text(String_$_plus_$_Float(long_string, 0.5f), long_text + "0.500000");
    expect_owned_text(Float_$_plus_$_String(0.5f, long_string), "0.500000" + long_text);
    expect_owned_text(String_$_plus_$_String(long_string, long_string), long_text + long_text);
}

TEST(Allocation, OneBlockOfExactlyTheFinalSize) {
    const String ab = String_$_stringlit("ab");
    const String empty = String_$_stringlit("");
    const struct {
        const char* name;
        String (*make)(String, String);
        std::size_t expected_size;
    } cases[] = {
        {"assign", [](String a, String) { return String_$_assign_$_String(a, a); }, 3},
        {"string+string", [](String a, String) { return String_$_plus_$_String(a, a); }, 5},
        {"empty+empty", [](String, String e) { return String_$_plus_$_String(e, e); }, 1},
        {"string+integer", [](String a, String) { return String_$_plus_$_Integer(a, -12); }, 6},
        {"integer+string", [](String a, String) { return Integer_$_plus_$_String(12, a); }, 5},
        {"string+float", [](String a, String) { return String_$_plus_$_Float(a, 1.5f); }, 11},
        {"float+string", [](String a, String) { return Float_$_plus_$_String(1.5f, a); }, 11},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        String result{};
        std::size_t count = 0;
        std::size_t size = 0;
        {
            AllocationCounter counter;
            result = c.make(ab, empty);
            count = counter.count();
            size = counter.size(0);
        }
        EXPECT_EQ(count, 1u);
        EXPECT_EQ(size, c.expected_size);
        EXPECT_EQ(result.length + 1, c.expected_size);
    }
}

TEST(Allocation, NoneForLiteralsAndPicks) {
    AllocationCounter counter;
    const String a = String_$_stringlit("a");
    const String b = String_$_stringlit("bb");
    const String picked = Ternary_$_pick_$_String_$_String_$_String(1, a, b, a);
    EXPECT_EQ(counter.count(), 0u);
    EXPECT_EQ(picked.data, a.data);
}

TEST(AllocationFailureDeathTest, HeapExhaustionAbortsNamingTheSize) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    static const char bytes[] = "abc";
    const String huge{bytes, uint64_t{1} << 62, 0};
    EXPECT_DEATH(String_$_assign_$_String(huge, huge),
                 "prelude: cannot allocate 4611686018427387905 bytes\n$");
    EXPECT_DEATH(String_$_plus_$_Integer(huge, 1),
                 "prelude: cannot allocate 4611686018427387906 bytes\n$");
}

TEST(AllocationFailureDeathTest, SizeOverflowAbortsWithoutWriting) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    static const char bytes[] = "abc";
    const String whole{bytes, UINT64_MAX, 0};
    const String three{bytes, 3, 3};
    EXPECT_DEATH(String_$_assign_$_String(whole, whole),
                 "cannot allocate 18446744073709551615 \\+ 0 \\+ 1 bytes: the size overflows");
    EXPECT_DEATH(String_$_plus_$_String(whole, three),
                 "cannot allocate 18446744073709551615 \\+ 3 \\+ 1 bytes");
    EXPECT_DEATH(Float_$_plus_$_String(1.0f, whole),
                 "cannot allocate 8 \\+ 18446744073709551615 \\+ 1 bytes");
}

}  // namespace
}  // namespace prelude::testing
