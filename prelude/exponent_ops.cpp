// SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
// Exponentiation over Integers and Floats, always through double-precision pow.
#include <climits>
#include <cmath>

#include "prelude/prelude.h"

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

int32_t Integer_$_exponent_$_Integer(int32_t base, int32_t power) {
    return to_integer(raise(base, power));
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
