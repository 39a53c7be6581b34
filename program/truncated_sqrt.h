// SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
#pragma once

#include <cstdint>

#if defined(__aarch64__)
#include <arm_neon.h>
#else
#include <emmintrin.h>
#endif

namespace primes {
// Internal linkage: this header is also compiled into the per-instruction-set
// sources, and no out-of-line copy built for one set may serve another.
namespace {

// The square root of x (x >= 0) in double precision, truncated toward zero.
// The square-root instruction is used directly: it is exact (correctly
// rounded) and, unlike sqrt() under errno-setting rules, has no slow path.
inline int32_t truncated_sqrt(int32_t x) {
#if defined(__aarch64__)
    return static_cast<int32_t>(vget_lane_f64(vsqrt_f64(vdup_n_f64(static_cast<double>(x))), 0));
#else
    const __m128d value = _mm_set_sd(static_cast<double>(x));
    return _mm_cvttsd_si32(_mm_sqrt_sd(value, value));
#endif
}

}  // namespace
}  // namespace primes
