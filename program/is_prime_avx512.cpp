// SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
// The AVX-512 path. Float lanes come 32 at a time, as two registers. In the
// loop one is decided by the divider and one by a reciprocal refined on the
// multiply-add units, so that both units work at once. The first step decides
// both by reciprocals: they depend on the candidates only, so its answer
// follows x's arrival sooner, which is what a mispredicted exit waits for.
// Once the candidates are large against x, the reciprocal needs no Newton
// step. Double lanes, for large dividends, divide.
#include <immintrin.h>

#include <cstdint>

#include "prime_paths.h"
#include "trial_division_kernel.h"

namespace primes {
namespace {

constexpr int kTruncate = _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC;
// The masked rounding forms: the plain ones leave GCC 12 warning about an
// uninitialised operand inside its own header.
constexpr __mmask16 kAllLanes = 0xffff;

// 1 in each lane where d divides x, by an exact division (see the kernel).
__mmask16 divides_by_division(__m512 x, __m512 d) {
    const __m512 quotient = _mm512_div_ps(x, d);
    const __m512 whole = _mm512_maskz_roundscale_ps(kAllLanes, quotient, kTruncate);
    return _mm512_cmp_ps_mask(quotient, whole, _CMP_EQ_OQ);
}

// x * r rounded to the nearest integer, for |x * r| < 2^22, in one rounding:
// x * r + 1.5 * 2^23 lies in [2^23, 2^24), where floats are the integers.
__m512 nearest_integer(__m512 x, __m512 r) {
    const __m512 shift = _mm512_set1_ps(0x1.8p23f);
    return _mm512_sub_ps(_mm512_fmadd_ps(x, r, shift), shift);
}

// 1 in each lane where d divides x, for 0 < x < 2^22, without the divider.
// r0 = rcp14(d) has relative error below 2^-14; one Newton step on the
// multiply-add units, r1 = r0 + r0 * (1 - d * r0), leaves 2^-28 before
// rounding, so r1 = (1 + e1) / d with |e1| < 1.07 * 2^-24, and x * r1 is
// within q * 1.07 * 2^-24 of q = x / d. With x < 2^22 and d >= 3,
// q < 2^22 / 3 and that is below 0.09, so when d divides x, the nearest
// integer n is q. The remainder x - n * d is an integer below 2^24 in
// magnitude, so the fused multiply-add computes it exactly: it is zero
// exactly when d divides x, whatever n was.
__mmask16 divides_by_reciprocal(__m512 x, __m512 d) {
    const __m512 r0 = _mm512_maskz_rcp14_ps(kAllLanes, d);
    const __m512 r1 = _mm512_fmadd_ps(r0, _mm512_fnmadd_ps(d, r0, _mm512_set1_ps(1.0f)), r0);
    const __m512 n = nearest_integer(x, r1);
    return _mm512_cmp_ps_mask(_mm512_fnmadd_ps(n, d, x), _mm512_setzero_ps(), _CMP_EQ_OQ);
}

// The same for candidates d >= x / 8000 (and 0 < x < 2^22), one Newton step
// fewer: x * r0 is within (x / d) * 2^-14 <= 0.49 of x / d, so the nearest
// integer n is within 0.99 of it and |x - n * d| < d. Then x - n * d, exact
// as above, is zero exactly when d divides x.
__mmask16 divides_large_by_reciprocal(__m512 x, __m512 d) {
    const __m512 n = nearest_integer(x, _mm512_maskz_rcp14_ps(kAllLanes, d));
    return _mm512_cmp_ps_mask(_mm512_fnmadd_ps(n, d, x), _mm512_setzero_ps(), _CMP_EQ_OQ);
}

// kFirstBlocks: blocks of 32 decided before the first exit. 64 candidates
// on most cores: on Zen 5 measured about 6% faster over the whole range than
// 32, as fewer tests reach the loop's less predictable exits. Zen 4, which
// runs each 512-bit operation as two 256-bit halves, gets 32: there 64
// doubled the first step's work for every odd x while finding divisors of
// only 3% more of them.
template <int kFirstBlocks>
struct Avx512Floats {
    static constexpr int64_t kExactBelow = 1 << 22;  // bound of the reciprocal half
    // The intrinsics type's may_alias attribute, dropped here, matters only
    // to pointers, and the pair is only ever held by value.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wignored-attributes"
    using Vector = RegisterPair<__m512>;
#pragma GCC diagnostic pop
    static constexpr int32_t kWidth = 32;
    static constexpr int kFirstStepBlocks = kFirstBlocks;
    static constexpr int kBlocksPerStep = 1;
    static constexpr int32_t kLargeCandidateRatio = 8000;  // the bound argued above
    static Vector splat(int32_t value) {
        const __m512 lanes = _mm512_set1_ps(static_cast<float>(value));
        return {lanes, lanes};
    }
    static Vector initial_candidates() {
        return {_mm512_load_ps(kFirstOddFloats), _mm512_load_ps(kFirstOddFloats + 16)};
    }
    static Vector add(Vector a, Vector b) {
        return {_mm512_add_ps(a.low, b.low), _mm512_add_ps(a.high, b.high)};
    }
    static unsigned divisor_lanes(Vector x, Vector d) {
        return _cvtmask16_u32(divides_by_division(x.low, d.low)) |
               _cvtmask16_u32(divides_by_reciprocal(x.high, d.high)) << 16;
    }
    static unsigned first_step_divisor_lanes(Vector x, Vector d) {
        return _cvtmask16_u32(divides_by_reciprocal(x.low, d.low)) |
               _cvtmask16_u32(divides_by_reciprocal(x.high, d.high)) << 16;
    }
    static unsigned large_candidate_divisor_lanes(Vector x, Vector d) {
        return _cvtmask16_u32(divides_by_division(x.low, d.low)) |
               _cvtmask16_u32(divides_large_by_reciprocal(x.high, d.high)) << 16;
    }
    static Vector min(Vector a, Vector b) {
        return {_mm512_maskz_min_ps(kAllLanes, a.low, b.low),
                _mm512_maskz_min_ps(kAllLanes, a.high, b.high)};
    }
};

struct Avx512Doubles {
    static constexpr int64_t kExactBelow = kEveryPositiveInteger;
    using Vector = __m512d;
    static constexpr int32_t kWidth = 8;
    static constexpr int kFirstStepBlocks = 2;
    static constexpr int kBlocksPerStep = 2;
    static constexpr int32_t kLargeCandidateRatio = 0;  // no cheaper test
    static Vector splat(int32_t value) { return _mm512_set1_pd(value); }
    static Vector initial_candidates() { return _mm512_load_pd(kFirstOddDoubles); }
    static Vector add(Vector a, Vector b) { return _mm512_add_pd(a, b); }
    static unsigned divisor_lanes(Vector x, Vector d) {
        const __m512d quotient = _mm512_div_pd(x, d);
        const __m512d whole = _mm512_maskz_roundscale_pd(0xff, quotient, kTruncate);
        return _mm512_cmp_pd_mask(quotient, whole, _CMP_EQ_OQ);
    }
    static unsigned first_step_divisor_lanes(Vector x, Vector d) { return divisor_lanes(x, d); }
    static unsigned large_candidate_divisor_lanes(Vector x, Vector d) {
        return divisor_lanes(x, d);
    }
    static Vector min(Vector a, Vector b) { return _mm512_maskz_min_pd(0xff, a, b); }
};

using Avx512FloatsWide = Avx512Floats<2>;
using Avx512FloatsZen4 = Avx512Floats<1>;
static_assert(first_step_candidates<Avx512FloatsWide>() == kFirstStepCandidatesAvx512);
static_assert(first_step_candidates<Avx512FloatsZen4>() == kFirstStepCandidatesAvx512Zen4);

}  // namespace

int32_t is_prime_avx512(int32_t x) {
    return is_prime_on_path<Avx512FloatsWide, Avx512Doubles>(x);
}

void run_range_avx512() {
    run_benchmark_range<Avx512FloatsWide>();
}

int32_t is_prime_avx512_zen4(int32_t x) {
    return is_prime_on_path<Avx512FloatsZen4, Avx512Doubles>(x);
}

void run_range_avx512_zen4() {
    run_benchmark_range<Avx512FloatsZen4>();
}

}  // namespace primes
