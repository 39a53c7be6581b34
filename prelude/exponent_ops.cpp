// SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
// Exponentiation over Integers and Floats, always through double-precision pow.
#include <cfenv>
#include <climits>
#include <cmath>

#include "primebench/prelude.h"

namespace {

double raise(double base, double power) {
    return std::pow(base, power);
}

// Truncation toward zero, saturating beyond the Integer range; NaN yields 0.
int32_t to_integer(double value) {
    if (std::isnan(value)) return 0;
    if (value >= 2147483648.0) return INT32_MAX;
    if (value <= -2147483649.0) return INT32_MIN;
    return static_cast<int32_t>(value);
}

}  // namespace

extern "C" {

// pow is exact, under round-to-nearest, wherever the power is an Integer;
// under the other modes it may land an ulp below, which truncation would
// turn into the Integer below. So it is evaluated to nearest whatever the
// caller's mode, and the mode is put back.
int32_t Integer_$_exponent_$_Integer(int32_t base, int32_t power) {
    const int mode = std::fegetround();
    if (mode == FE_TONEAREST) return to_integer(raise(base, power));
    std::fesetround(FE_TONEAREST);
    const double value = raise(base, power);
    std::fesetround(mode);
    return to_integer(value);
}

float Float_$_exponent_$_Integer(float base, int32_t power) {
    return static_cast<float>(raise(static_cast<double>(base), power));
}

float Integer_$_exponent_$_Float(int32_t base, float power) {
    return static_cast<float>(raise(base, static_cast<double>(power)));
}

float Float_$_exponent_$_Float(float base, float power) {
    return static_cast<float>(raise(static_cast<double>(base), static_cast<double>(power)));
}

}  // extern "C"
