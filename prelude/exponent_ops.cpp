// SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
// Exponentiation over Integers and Floats, always through double-precision pow.
#include <cfenv>
#include <climits>
#include <cmath>

#if defined(__x86_64__)
#include <xmmintrin.h>
#endif

#include "primebench/prelude.h"

namespace {

// Truncation toward zero, saturating beyond the Integer range; NaN yields 0.
int32_t to_integer(double value) {
    if (std::isnan(value)) return 0;
    if (value >= 2147483648.0) return INT32_MAX;
    if (value <= -2147483649.0) return INT32_MIN;
    return static_cast<int32_t>(value);
}

// pow under round-to-nearest, giving the caller's mode back. On x86-64 pow
// runs on SSE and follows MXCSR's rounding field, which a caller may set
// alone (_MM_SET_ROUNDING_MODE), while fegetround reads the x87 control
// word: so the field itself is read and set, and only it is put back, with
// whatever flags pow raised kept. On 64-bit Arm fegetround reads the FPCR
// that pow follows.
double pow_to_nearest(double base, double power) {
#if defined(__x86_64__)
    constexpr unsigned kRoundingField = _MM_ROUND_MASK;  // 0 is to nearest
    const unsigned caller = _mm_getcsr();
    if ((caller & kRoundingField) == 0) return std::pow(base, power);
    _mm_setcsr(caller & ~kRoundingField);
    const double value = std::pow(base, power);
    _mm_setcsr((_mm_getcsr() & ~kRoundingField) | (caller & kRoundingField));
    return value;
#else
    const int mode = std::fegetround();
    if (mode == FE_TONEAREST) return std::pow(base, power);
    std::fesetround(FE_TONEAREST);
    const double value = std::pow(base, power);
    std::fesetround(mode);
    return value;
#endif
}

}  // namespace

extern "C" {

// pow is exact, under round-to-nearest, wherever the power is an Integer;
// under the other modes it may land an ulp below, which truncation would
// turn into the Integer below. So it is evaluated to nearest whatever the
// caller's mode, and the mode is put back.
int32_t Integer_$_exponent_$_Integer(int32_t base, int32_t power) {
    return to_integer(pow_to_nearest(base, power));
}

float Float_$_exponent_$_Integer(float base, int32_t power) {
    return static_cast<float>(std::pow(static_cast<double>(base), power));
}

float Integer_$_exponent_$_Float(int32_t base, float power) {
    return static_cast<float>(std::pow(base, static_cast<double>(power)));
}

float Float_$_exponent_$_Float(float base, float power) {
    return static_cast<float>(std::pow(static_cast<double>(base), static_cast<double>(power)));
}

}  // extern "C"
