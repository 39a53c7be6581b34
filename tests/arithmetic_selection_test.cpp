// SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
// Exponentiation, the three-way comparison and the pick.
#include <gtest/gtest.h>

#include <cfenv>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#if defined(__x86_64__)
#include <xmmintrin.h>
#endif

#include "primebench/prelude.h"

namespace prelude::testing {
namespace {

TEST(IntegerExponent, ExactPowersAndTruncatedFractions) {
    EXPECT_EQ(Integer_$_exponent_$_Integer(2, 10), 1024);
    EXPECT_EQ(Integer_$_exponent_$_Integer(3, 2), 9);
    EXPECT_EQ(Integer_$_exponent_$_Integer(-2, 3), -8);
    EXPECT_EQ(Integer_$_exponent_$_Integer(0, 0), 1);
    EXPECT_EQ(Integer_$_exponent_$_Integer(2, -1), 0);
    EXPECT_EQ(Integer_$_exponent_$_Integer(-2, -1), 0);  // -0.5 truncates toward zero
    EXPECT_EQ(Integer_$_exponent_$_Integer(-3, -3), 0);
    EXPECT_EQ(Integer_$_exponent_$_Integer(-1, -3), -1);
    EXPECT_EQ(Integer_$_exponent_$_Integer(1, INT_MIN), 1);
    EXPECT_EQ(Integer_$_exponent_$_Integer(-1, INT_MAX), -1);
    EXPECT_EQ(Integer_$_exponent_$_Integer(2, 30), 1 << 30);
    EXPECT_EQ(Integer_$_exponent_$_Integer(-2, 31), INT_MIN);
}

TEST(IntegerExponent, SaturatesBeyondTheIntegerRange) {
    EXPECT_EQ(Integer_$_exponent_$_Integer(2, 31), INT_MAX);
    EXPECT_EQ(Integer_$_exponent_$_Integer(46341, 2), INT_MAX);
    EXPECT_EQ(Integer_$_exponent_$_Integer(-2, 33), INT_MIN);
    EXPECT_EQ(Integer_$_exponent_$_Integer(-46341, 3), INT_MIN);
    EXPECT_EQ(Integer_$_exponent_$_Integer(10, 400), INT_MAX);   // pow overflows to +inf
    EXPECT_EQ(Integer_$_exponent_$_Integer(-10, 401), INT_MIN);  // and to -inf
    EXPECT_EQ(Integer_$_exponent_$_Integer(0, -1), INT_MAX);     // a pole: +inf
}

// The ways a caller sets the rounding mode: fesetround, and on x86-64 the
// SSE control register alone (_MM_SET_ROUNDING_MODE), which pow follows and
// fegetround, reading the x87 control word, does not see.
struct RoundingControl {
    const char* name;
    void (*set)(int mode);
    int (*get)();
};
const RoundingControl kRoundingControls[] = {
    {"fesetround", [](int mode) { std::fesetround(mode); }, [] { return std::fegetround(); }},
#if defined(__x86_64__)
    // glibc's FE_ modes, shifted, are MXCSR's rounding field.
    {"MXCSR alone", [](int mode) { _MM_SET_ROUNDING_MODE(static_cast<unsigned>(mode) << 3); },
     [] { return static_cast<int>(_MM_GET_ROUNDING_MODE() >> 3); }},
#endif
};

TEST(IntegerExponent, TheSameInEveryRoundingMode) {
    // pow lands an ulp below an exact power under the directed modes (10^3
    // as 999.99999999), which truncation would make 999. Every mode must give
    // the to-nearest result, and find its own mode again afterwards.
    std::vector<int32_t> nearest;
    for (int32_t base = -100; base <= 100; ++base) {
        for (int32_t power = -2; power <= 40; ++power) {
            nearest.push_back(Integer_$_exponent_$_Integer(base, power));
        }
    }
    EXPECT_EQ(nearest[(110 * 43) + 5], 1000);  // 10^3
    for (const RoundingControl& control : kRoundingControls) {
        for (int mode : {FE_DOWNWARD, FE_UPWARD, FE_TOWARDZERO}) {
            SCOPED_TRACE(std::string(control.name) + ", mode " + std::to_string(mode));
            control.set(mode);
            ASSERT_EQ(control.get(), mode);
            std::size_t at = 0;
            int wrong = 0;
            for (int32_t base = -100; base <= 100; ++base) {
                for (int32_t power = -2; power <= 40; ++power) {
                    wrong += Integer_$_exponent_$_Integer(base, power) != nearest[at++];
                }
            }
            const int32_t extremes[] = {Integer_$_exponent_$_Integer(65536, 1),
                                        Integer_$_exponent_$_Integer(-65536, 1),
                                        Integer_$_exponent_$_Integer(INT32_MAX, 1)};
            const int restored = control.get();
            std::fesetround(FE_TONEAREST);
            EXPECT_EQ(wrong, 0);
            EXPECT_EQ(extremes[0], 65536);
            EXPECT_EQ(extremes[1], -65536);
            EXPECT_EQ(extremes[2], INT32_MAX);
            EXPECT_EQ(restored, mode);
        }
    }
}

TEST(FloatExponent, ThroughDoublePrecision) {
    EXPECT_EQ(Float_$_exponent_$_Integer(1.5f, 2), 2.25f);
    EXPECT_EQ(Integer_$_exponent_$_Float(4, 0.5f), 2.0f);
    // The base is converted exactly: above 2^24 it has no float of its own.
    EXPECT_EQ(Integer_$_exponent_$_Float(16'777'217, 2.0f), 281'475'010'265'088.0f);
    EXPECT_TRUE(std::isnan(Float_$_exponent_$_Float(-4.0f, 0.5f)));
    EXPECT_TRUE(std::isnan(Integer_$_exponent_$_Float(-4, 0.5f)));
    EXPECT_EQ(Float_$_exponent_$_Float(2.0f, -1.0f), 0.5f);
    EXPECT_EQ(Float_$_exponent_$_Integer(0.0f, -1), INFINITY);
    EXPECT_EQ(Float_$_exponent_$_Integer(10.0f, 39), INFINITY);  // beyond FLT_MAX
    // Rounded once, from the double result: 3^(1/2) to the nearest float.
    EXPECT_EQ(Integer_$_exponent_$_Float(3, 0.5f), static_cast<float>(std::sqrt(3.0)));
}

TEST(Compare, ReversedSignWithoutOverflow) {
    EXPECT_EQ(Integer_$_compare_$_Integer(5, 3), -1);
    EXPECT_EQ(Integer_$_compare_$_Integer(3, 3), 0);
    EXPECT_EQ(Integer_$_compare_$_Integer(3, 5), 1);
    EXPECT_EQ(Integer_$_compare_$_Integer(INT_MIN, INT_MAX), 1);
    EXPECT_EQ(Integer_$_compare_$_Integer(INT_MAX, INT_MIN), -1);
    EXPECT_EQ(Integer_$_compare_$_Integer(INT_MIN, INT_MIN), 0);
    EXPECT_EQ(Integer_$_compare_$_Integer(-1, 0), 1);
}

// By the selector's sign alone, the chosen record whole (reserved included).
TEST(Pick, ChoosesBySign) {
    const String strings[] = {{"first", 5, 11}, {"second", 6, 22}, {"third", 5, 33}};
    const struct {
        int32_t selector;
        std::size_t chosen;
    } cases[] = {{INT_MIN, 0}, {-1000, 0}, {-1, 0}, {0, 1}, {1, 2}, {1000, 2}, {INT_MAX, 2}};
    for (const auto& c : cases) {
        const String picked = Ternary_$_pick_$_String_$_String_$_String(c.selector, strings[0],
                                                                        strings[1], strings[2]);
        EXPECT_EQ(picked.data, strings[c.chosen].data) << c.selector;
        EXPECT_EQ(picked.length, strings[c.chosen].length) << c.selector;
        EXPECT_EQ(picked.reserved, strings[c.chosen].reserved) << c.selector;
    }
}

TEST(UnknownObject, StartsAtZero) {
    EXPECT_EQ(UNKNOWNOBJECT, 0u);
}

}  // namespace
}  // namespace prelude::testing
