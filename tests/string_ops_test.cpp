// SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
// Strings from literals, by assignment and by concatenation.
#include <gtest/gtest.h>
#include <locale.h>
#include <stdlib.h>

#include <bit>
#include <cfenv>
#include <cfloat>
#include <climits>
#include <cmath>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "allocation_counter.h"
#include "libc_number_text.h"
#include "primebench/prelude.h"

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
    // Seven bytes, whose preceding byte differs from the text before them.
    const std::string x_then_seven = "Xabcdefg";
    const String seven{x_then_seven.data() + 1, 7, 7};

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
        {Integer_$_plus_$_String(1234567, seven), "1234567abcdefg"},
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
}

TEST(NumberText, IntegersAsFormattedPrintingWritesThem) {
    const String empty = String_$_stringlit("");
    for (int32_t value : {0, 1, -1, 42, -7, 1000000, INT_MAX, INT_MIN, INT_MIN + 1}) {
        const std::string expected = libc_integer_text(value);
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
        const std::string expected = libc_float_text(value);
        EXPECT_EQ(text_of(String_$_plus_$_Float(empty, value)), expected);
        EXPECT_EQ(text_of(Float_$_plus_$_String(value, empty)), expected);
    }
    EXPECT_EQ(text_of(String_$_plus_$_Float(empty, -FLT_MAX)).size(), 47u);
}

// Bit patterns of every kind of Float: a deterministic slice of all of them,
// then zeros, denormals, powers of two, ties at the sixth decimal, values
// beside the rounding boundaries, the largest finite values, infinities and
// NaNs, each with both signs.
std::vector<uint32_t> float_patterns() {
    std::vector<uint32_t> patterns;
    for (uint64_t bits = 0; bits <= UINT32_MAX; bits += 65'537) {
        patterns.push_back(static_cast<uint32_t>(bits));
    }
    const auto add = [&](float value) {
        for (uint32_t sign : {0u, 0x80000000u})
            patterns.push_back(std::bit_cast<uint32_t>(value) | sign);
    };
    for (uint32_t bits : {0x0u, 0x1u, 0x2u, 0x3u, 0x7fffffu, 0x800000u, 0x7f7fffffu, 0x7f800000u,
                          0x7f800001u, 0x7fc00000u, 0x7fffffffu}) {
        add(std::bit_cast<float>(bits));
    }
    for (int e = -149; e <= 127; ++e) add(std::ldexp(1.0f, e));
    // n + j / 128 for odd j has exactly seven decimals, the last a 5: a tie.
    for (float whole : {0.0f, 1.0f, 2.0f, 77.0f, 65'535.0f}) {
        for (int j = 1; j < 128; j += 2) add(whole + static_cast<float>(j) / 128.0f);
    }
    for (float boundary :
         {0.0000005f, 0.0000015f, 0.9999995f, 9.9999995f, 99.9999995f, 123.4565f}) {
        float below = boundary;
        float above = boundary;
        for (int step = 0; step < 8; ++step) {
            below = std::nextafter(below, 0.0f);
            above = std::nextafter(above, FLT_MAX);
            add(below);
            add(above);
        }
        add(boundary);
    }
    return patterns;
}

TEST(NumberText, EveryKindOfFloatAsSnprintfWritesIt) {
    const String empty = String_$_stringlit("");
    std::size_t mismatches = 0;
    for (uint32_t bits : float_patterns()) {
        const float value = std::bit_cast<float>(bits);
        const std::string expected = libc_float_text(value);
        if (text_of(String_$_plus_$_Float(empty, value)) != expected ||
            text_of(Float_$_plus_$_String(value, empty)) != expected) {
            if (++mismatches <= 10)
                ADD_FAILURE() << "bits " << std::hex << bits << ": " << expected;
        }
    }
    EXPECT_EQ(mismatches, 0u);
}

TEST(NumberText, IntegerSliceAsSnprintfWritesIt) {
    const String empty = String_$_stringlit("");
    for (int64_t value = INT32_MIN; value <= INT32_MAX; value += 65'537) {
        const auto x = static_cast<int32_t>(value);
        ASSERT_EQ(text_of(String_$_plus_$_Integer(empty, x)), libc_integer_text(x)) << x;
    }
}

// A locale whose decimal point is a comma, built for this process from the
// system's locale sources into a temporary folder that LOCPATH names. Under
// an emulator the shell and localedef are the host's, so the locale is
// written in this program's byte order, not localedef's own.
class CommaDecimalLocale : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        char folder[] = "/tmp/prelude-locale-XXXXXX";
        ASSERT_NE(mkdtemp(folder), nullptr);
        folder_ = folder;
        constexpr const char* byte_order =
            std::endian::native == std::endian::big ? "--big-endian" : "--little-endian";
        const std::string command = std::string("localedef ") + byte_order +
                                    " -i de_DE -f UTF-8 '" + folder_ +
                                    "/de_DE.UTF-8' >/dev/null 2>&1";
        ASSERT_EQ(std::system(command.c_str()), 0)
            << "localedef failed: the locales package provides its sources";
        setenv("LOCPATH", folder_.c_str(), 1);
    }
    static void TearDownTestSuite() {
        unsetenv("LOCPATH");
        std::filesystem::remove_all(folder_);
    }
    void SetUp() override {
        comma_ = newlocale(LC_NUMERIC_MASK, "de_DE.UTF-8", static_cast<locale_t>(nullptr));
        ASSERT_NE(comma_, static_cast<locale_t>(nullptr));
    }
    void TearDown() override {
        uselocale(LC_GLOBAL_LOCALE);
        setlocale(LC_NUMERIC, "C");
        if (comma_ != static_cast<locale_t>(nullptr)) freelocale(comma_);
    }

    static void expect_libc_text(const char* expected_for_one_and_a_half) {
        const String empty = String_$_stringlit("");
        EXPECT_EQ(text_of(String_$_plus_$_Float(empty, 1.5f)), expected_for_one_and_a_half);
        for (float value :
             {0.1f, -2.5f, 1e10f, -0.0f, FLT_MAX, std::numeric_limits<float>::infinity()}) {
            EXPECT_EQ(text_of(Float_$_plus_$_String(value, empty)), libc_float_text(value));
        }
        // Integer text has no decimal point and ignores the locale.
        EXPECT_EQ(text_of(String_$_plus_$_Integer(empty, -1234567)), "-1234567");
    }

    static std::string folder_;
    locale_t comma_ = static_cast<locale_t>(nullptr);
};
std::string CommaDecimalLocale::folder_;

TEST_F(CommaDecimalLocale, ThisThreadsLocaleGivesLibcsText) {
    uselocale(comma_);
    expect_libc_text("1,500000");
}

TEST_F(CommaDecimalLocale, TheGlobalLocaleGivesLibcsText) {
    ASSERT_NE(setlocale(LC_NUMERIC, "de_DE.UTF-8"), nullptr);
    expect_libc_text("1,500000");
    setlocale(LC_NUMERIC, "C");
    expect_libc_text("1.500000");
}

TEST(NumberText, EveryRoundingModeGivesLibcsText) {
    const String empty = String_$_stringlit("");
    // 0.1f is 0.100000001490116...: only rounding upward changes its text.
    for (int mode : {FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO, FE_TONEAREST}) {
        SCOPED_TRACE(mode);
        ASSERT_EQ(std::fesetround(mode), 0);
        for (float value : {0.1f, -0.1f, 2.0000005f, -2.0000005f, 0.0078125f, 1e-7f, -1e-7f,
                            123456.789f, FLT_MAX}) {
            EXPECT_EQ(text_of(String_$_plus_$_Float(empty, value)), libc_float_text(value));
        }
        if (mode == FE_UPWARD) {
            EXPECT_EQ(text_of(String_$_plus_$_Float(empty, 0.1f)), "0.100001");
        }
    }
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

// Death tests run the statement in a fresh run of this program, except under
// a user-mode emulator, which cannot start a fresh run of a foreign program:
// there in a copy of the process. The emulator then adds its own line about
// the signal, after ours.
#if defined(PRIMEBENCH_EMULATED)
constexpr const char* kDeathTestStyle = "fast";
#define PRIMEBENCH_EMULATOR_NOTE "(qemu: .*\n)?"
#else
constexpr const char* kDeathTestStyle = "threadsafe";
#define PRIMEBENCH_EMULATOR_NOTE ""
#endif

TEST(AllocationFailureDeathTest, HeapExhaustionAbortsNamingTheSize) {
    GTEST_FLAG_SET(death_test_style, kDeathTestStyle);
    static const char bytes[] = "abc";
    const String huge{bytes, uint64_t{1} << 62, 0};
    // Ended by abort(), not by an exit of any status.
    EXPECT_EXIT(String_$_assign_$_String(huge, huge), ::testing::KilledBySignal(SIGABRT),
                "prelude: cannot allocate 4611686018427387905 bytes\n" PRIMEBENCH_EMULATOR_NOTE
                "$");
    EXPECT_EXIT(String_$_plus_$_Integer(huge, 1), ::testing::KilledBySignal(SIGABRT),
                "prelude: cannot allocate 4611686018427387906 bytes\n" PRIMEBENCH_EMULATOR_NOTE
                "$");
}

TEST(AllocationFailureDeathTest, SizeOverflowAbortsWithoutWriting) {
    GTEST_FLAG_SET(death_test_style, kDeathTestStyle);
    static const char bytes[] = "abc";
    const String whole{bytes, UINT64_MAX, 0};
    const String three{bytes, 3, 3};
    const auto aborted = ::testing::KilledBySignal(SIGABRT);
    EXPECT_EXIT(String_$_assign_$_String(whole, whole), aborted,
                "cannot allocate 18446744073709551615 \\+ 0 \\+ 1 bytes: the size overflows");
    EXPECT_EXIT(String_$_plus_$_String(whole, three), aborted,
                "cannot allocate 18446744073709551615 \\+ 3 \\+ 1 bytes");
    EXPECT_EXIT(Float_$_plus_$_String(1.0f, whole), aborted,
                "cannot allocate 8 \\+ 18446744073709551615 \\+ 1 bytes");
}

}  // namespace
}  // namespace prelude::testing
