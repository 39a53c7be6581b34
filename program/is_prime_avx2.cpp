// SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
// The AVX2 path, with FMA. Float lanes come 16 at a time, as two registers:
// in the loop one is decided by the divider and one by a reciprocal refined
// on the multiply-add units, so that both units work at once. The first step
// decides both by reciprocals, whose answer follows x's arrival sooner, which
// is what its mispredicted exit waits for. Once the candidates are large
// against x, the reciprocal needs no Newton step. Double lanes, for large
// dividends, divide.
//
// Every lane ends in the same test: a remainder x - n * d computed exactly by
// one fused multiply-add, zero exactly when d divides x.
#include <immintrin.h>

#include <cstdint>

#include "prime_paths.h"
#include "trial_division_kernel.h"

namespace primes {
namespace {

// All ones in each lane where x - n * d, exact, is zero.
__m256 zero_remainder(__m256 x, __m256 n, __m256 d) {
    return _mm256_cmp_ps(_mm256_fnmadd_ps(n, d, x), _mm256_setzero_ps(), _CMP_EQ_OQ);
}

// Where d divides x, by an exact division: n is the quotient (see the
// kernel for why the remainder test then decides exactly).
__m256 divides_by_division(__m256 x, __m256 d) {
    return zero_remainder(x, _mm256_div_ps(x, d), d);
}

// x * r rounded to the nearest integer, for |x * r| < 2^22, in one rounding:
// x * r + 1.5 * 2^23 lies in [2^23, 2^24), where floats are the integers.
__m256 nearest_integer(__m256 x, __m256 r) {
    const __m256 shift = _mm256_set1_ps(0x1.8p23f);
    return _mm256_sub_ps(_mm256_fmadd_ps(x, r, shift), shift);
}

// Where d divides x, for 0 < x < 2^22 and odd d >= 3, without the divider.
// r0 = rcp(d) has relative error |e0| <= 1.5 * 2^-12. One Newton step on the
// multiply-add units, r1 = r0 + r0 * (1 - d * r0), each part rounded once,
// leaves r1 = (1 + e1) / d with |e1| <= e0^2 + 2^-24 + 2^-35 < 3.3 * 2^-24,
// so x * r1 is within q * 3.3 * 2^-24 of q = x / d. With x < 2^22 and d >= 3,
// q < 2^22 / 3 and that is below 0.28, so when d divides x, the nearest
// integer n is q. The remainder x - n * d is an integer below 2^24 in
// magnitude, so the fused multiply-add computes it exactly: it is zero
// exactly when d divides x, whatever n was.
__m256 divides_by_reciprocal(__m256 x, __m256 d) {
    const __m256 r0 = _mm256_rcp_ps(d);
    const __m256 r1 = _mm256_fmadd_ps(r0, _mm256_fnmadd_ps(d, r0, _mm256_set1_ps(1.0f)), r0);
    return zero_remainder(x, nearest_integer(x, r1), d);
}

// The same for candidates d >= x / 1365, with no Newton step: x * r0 is
// within (x / d) * 1.5 * 2^-12 <= 0.49988 of x / d, so the nearest integer n
// is within 1 of it and |x - n * d| < d. Then x - n * d, exact as above, is
// zero exactly when d divides x.
__m256 divides_large_by_reciprocal(__m256 x, __m256 d) {
    return zero_remainder(x, nearest_integer(x, _mm256_rcp_ps(d)), d);
}

// Nonzero when any lane of either is set.
unsigned any_lane(__m256 low, __m256 high) {
    return static_cast<unsigned>(_mm256_movemask_ps(_mm256_or_ps(low, high)));
}

struct Avx2Floats {
    static constexpr int64_t kExactBelow = 1 << 22;  // bound of the reciprocal half
    // The intrinsics type's may_alias attribute, dropped here, matters only
    // to pointers, and the pair is only ever held by value.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wignored-attributes"
    using Vector = RegisterPair<__m256>;
#pragma GCC diagnostic pop
    static constexpr int32_t kWidth = 16;
    static constexpr int kFirstStepBlocks = 2;
    static constexpr int kBlocksPerStep = 2;
    static constexpr int32_t kLargeCandidateRatio = 1365;  // the bound argued above
    static Vector splat(int32_t value) {
        const __m256 lanes = _mm256_set1_ps(static_cast<float>(value));
        return {lanes, lanes};
    }
    static Vector initial_candidates() {
        return {_mm256_load_ps(kFirstOddFloats), _mm256_load_ps(kFirstOddFloats + 8)};
    }
    static Vector add(Vector a, Vector b) {
        return {_mm256_add_ps(a.low, b.low), _mm256_add_ps(a.high, b.high)};
    }
    static Vector min(Vector a, Vector b) {
        return {_mm256_min_ps(a.low, b.low), _mm256_min_ps(a.high, b.high)};
    }
    static unsigned divisor_lanes(Vector x, Vector d) {
        return any_lane(divides_by_division(x.low, d.low), divides_by_reciprocal(x.high, d.high));
    }
    static unsigned first_step_divisor_lanes(Vector x, Vector d) {
        return any_lane(divides_by_reciprocal(x.low, d.low), divides_by_reciprocal(x.high, d.high));
    }
    static unsigned large_candidate_divisor_lanes(Vector x, Vector d) {
        return any_lane(divides_by_division(x.low, d.low),
                        divides_large_by_reciprocal(x.high, d.high));
    }
};

struct Avx2Doubles {
    static constexpr int64_t kExactBelow = kEveryPositiveInteger;
    using Vector = __m256d;
    static constexpr int32_t kWidth = 4;
    static constexpr int kFirstStepBlocks = 4;
    static constexpr int kBlocksPerStep = 4;
    static constexpr int32_t kLargeCandidateRatio = 0;  // no cheaper test
    static Vector splat(int32_t value) { return _mm256_set1_pd(value); }
    static Vector initial_candidates() { return _mm256_load_pd(kFirstOddDoubles); }
    static Vector add(Vector a, Vector b) { return _mm256_add_pd(a, b); }
    static Vector min(Vector a, Vector b) { return _mm256_min_pd(a, b); }
    static unsigned divisor_lanes(Vector x, Vector d) {
        const __m256d remainder = _mm256_fnmadd_pd(_mm256_div_pd(x, d), d, x);
        return static_cast<unsigned>(
            _mm256_movemask_pd(_mm256_cmp_pd(remainder, _mm256_setzero_pd(), _CMP_EQ_OQ)));
    }
    static unsigned first_step_divisor_lanes(Vector x, Vector d) { return divisor_lanes(x, d); }
    static unsigned large_candidate_divisor_lanes(Vector x, Vector d) {
        return divisor_lanes(x, d);
    }
};

// The first-step size that the path table reports.
static_assert(first_step_candidates<Avx2Floats>() == kFirstStepCandidatesAvx2);

}  // namespace

int32_t is_prime_avx2(int32_t x) {
    return is_prime_on_path<Avx2Floats, Avx2Doubles>(x);
}

void run_range_avx2() {
    run_benchmark_range<Avx2Floats>();
}

}  // namespace primes
