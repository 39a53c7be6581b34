#pragma once

#include <emmintrin.h>

#include <cstdint>

namespace primes {
// Internal linkage: this header is also compiled into the per-instruction-set
// sources, and no out-of-line copy built for one set may serve another.
namespace {

// The square root of x (x >= 0) in double precision, truncated toward zero.
// The SSE2 square-root instruction is used directly: it is exact (correctly
// rounded) and, unlike sqrt() under errno-setting rules, has no slow path.
inline int32_t truncated_sqrt(int32_t x) {
    const __m128d value = _mm_set_sd(static_cast<double>(x));
    return _mm_cvttsd_si32(_mm_sqrt_sd(value, value));
}

}  // namespace
}  // namespace primes
