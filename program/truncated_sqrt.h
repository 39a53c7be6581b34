// SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
#pragma once

#include <cstdint>

#if defined(__x86_64__)
#include <emmintrin.h>
#elif defined(__aarch64__)
#include <arm_neon.h>
#else
#include <cmath>
#endif

namespace primes {
// Internal linkage: this header is also compiled into the per-instruction-set
// sources, and no out-of-line copy built for one set may serve another.
namespace {

// floor(sqrt(x)) for x >= 0, by the correctly rounded double square root,
// truncated (docs/exactness.md, the steps' bounds).
// Where the architecture is known the instruction is used directly: it has
// no errno-setting slow path.
inline int32_t truncated_sqrt(int32_t x) {
#if defined(__x86_64__)
    const __m128d value = _mm_set_sd(static_cast<double>(x));
    return _mm_cvttsd_si32(_mm_sqrt_sd(value, value));
#elif defined(__aarch64__)
    return static_cast<int32_t>(vget_lane_f64(vsqrt_f64(vdup_n_f64(static_cast<double>(x))), 0));
#else
    return static_cast<int32_t>(std::sqrt(static_cast<double>(x)));
#endif
}

}  // namespace
}  // namespace primes
