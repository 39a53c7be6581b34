// SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
// The AVX-512 path: float lanes 32 at a time, as two registers (see
// register_pair_lanes.h); double lanes, for large dividends, divide.
#include <cpuid.h>
#include <immintrin.h>

#include <cstdint>

#include "inverse_first_step.h"
#include "prime_paths.h"
#include "register_pair_lanes.h"
#include "trial_division_kernel.h"

namespace primes {
namespace {

constexpr int kTruncate = _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC;
constexpr int kNearest = _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC;
// The masked forms: the plain ones leave GCC 12 warning about an
// uninitialised operand inside its own header.
constexpr __mmask16 kAllLanes = 0xffff;

struct Avx512FloatOps {
    using Register = __m512;
    using Mask = __mmask16;
    static constexpr int32_t kLanes = 16;
    static Register splat(float value) { return _mm512_set1_ps(value); }
    static Register load(const float* lanes) { return _mm512_load_ps(lanes); }
    static Register add(Register a, Register b) { return _mm512_add_ps(a, b); }
    static Register min(Register a, Register b) { return _mm512_maskz_min_ps(kAllLanes, a, b); }
    static Register divide(Register a, Register b) { return _mm512_div_ps(a, b); }
    static Register multiply(Register a, Register b) { return _mm512_mul_ps(a, b); }
    static Register multiply_add(Register a, Register b, Register c) {
        return _mm512_fmadd_ps(a, b, c);
    }
    static Register negative_multiply_add(Register a, Register b, Register c) {
        return _mm512_fnmadd_ps(a, b, c);
    }
// Unoptimised, GCC expands the rounding intrinsics as macros that pass the
// mask on as a signed short, and would warn about all-ones becoming -1.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wsign-conversion"
    static Register nearest(Register a) {
        return _mm512_maskz_roundscale_ps(kAllLanes, a, kNearest);
    }
#pragma GCC diagnostic pop
    static Mask equal(Register a, Register b) {
        return _mm512_cmp_ps_mask(a, b, _CMP_EQ_OQ);
    }
    // Only whether any lane is set matters, so the masks are ORed, not
    // placed side by side.
    static unsigned any_lane(Mask a, Mask b) {
        return _cvtmask16_u32(_kor_mask16(a, b));
    }
    // Relative error below 2^-14; R as docs/exactness.md derives it.
    static Register reciprocal(Register d) {
        return _mm512_maskz_rcp14_ps(kAllLanes, d);
    }
    static constexpr int32_t kLargeCandidateRatio = 8000;
};

// Operations on a register of 32-bit unsigned lanes, as inverse_first_step.h
// describes them; the tests write masks.
struct Avx512IntegerOps {
    using Register = __m512i;
    static constexpr int kLanes = 16;
    static Register splat(uint32_t value) { return _mm512_set1_epi32(static_cast<int>(value)); }
    static Register load(const uint32_t* lanes) { return _mm512_load_si512(lanes); }
    static Register multiply(Register a, Register b) { return _mm512_mullo_epi32(a, b); }
    static Register least(Register a, Register b) {
        return _mm512_maskz_min_epu32(kAllLanes, a, b);
    }
    // The lanes with no bit set at or above bit kBits.
    template <int kBits>
    static unsigned any_below(Register a) {
        return _cvtmask16_u32(_mm512_testn_epi32_mask(a, splat(~((1u << kBits) - 1))));
    }
};

// Zen 4 runs each 512-bit operation as two 256-bit halves, so its first step
// and later steps are half as wide.
using Avx512FloatsWide =
    RegisterPairLanes<Avx512FloatOps,
                      InverseFirstStep<Avx512IntegerOps, 96, kQuotientTestExactBelow>, 2>;
using Avx512FloatsZen4 =
    RegisterPairLanes<Avx512FloatOps,
                      InverseFirstStep<Avx512IntegerOps, 64, kQuotientTestExactBelow>, 1>;
struct Avx512Doubles : OneTestForEveryStep {
    static constexpr int64_t kExactBelow = kAboveEveryInteger;
    using Vector = __m512d;
    static constexpr int32_t kWidth = 8;
    using FirstStep = FirstStepInLanes<2>;
    static constexpr int kBlocksPerStep = 2;
    static Vector splat(int32_t value) { return _mm512_set1_pd(value); }
    static Vector initial_candidates() { return _mm512_load_pd(kFirstOdd<double, kWidth>.lane); }
    static Vector add(Vector a, Vector b) { return _mm512_add_pd(a, b); }
    static Vector min(Vector a, Vector b) { return _mm512_maskz_min_pd(0xff, a, b); }
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wsign-conversion"  // as for nearest() above
    static unsigned divisor_lanes(Vector x, Vector d) {
        const __m512d quotient = _mm512_div_pd(x, d);
        const __m512d whole = _mm512_maskz_roundscale_pd(0xff, quotient, kTruncate);
        return _mm512_cmp_pd_mask(quotient, whole, _CMP_EQ_OQ);
    }
#pragma GCC diagnostic pop
};

// AMD family 19h with AVX-512: Zen 4, which runs each 512-bit operation as
// two 256-bit halves (Zen 3, the same family, has no AVX-512).
bool is_zen4() {
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (__get_cpuid(0, &eax, &ebx, &ecx, &edx) == 0) return false;
    // "AuthenticAMD", in EBX, EDX, ECX.
    const bool amd = ebx == 0x68747541 && edx == 0x69746e65 && ecx == 0x444d4163;
    if (!amd || __get_cpuid(1, &eax, &ebx, &ecx, &edx) == 0) return false;
    const unsigned base_family = (eax >> 8) & 0xf;
    const unsigned family = base_family == 0xf ? base_family + ((eax >> 20) & 0xff) : base_family;
    return family == 0x19;
}

// This source's paths, as prime_paths.h describes them.
constexpr PrimePath kPaths[] = {
    {.name = "avx512",
     .instruction_sets = "avx2 fma avx512f",
     .first_step_candidates = first_step_candidates<Avx512FloatsWide>(),
     .is_prime = &is_prime_on_path<Avx512FloatsWide, Avx512Doubles>,
     .run_range = &run_benchmark_range<Avx512FloatsWide>,
     .preferred = nullptr},
    {.name = "avx512_zen4",
     .instruction_sets = "avx2 fma avx512f",
     .first_step_candidates = first_step_candidates<Avx512FloatsZen4>(),
     .is_prime = &is_prime_on_path<Avx512FloatsZen4, Avx512Doubles>,
     .run_range = &run_benchmark_range<Avx512FloatsZen4>,
     .preferred = &is_zen4},
};

}  // namespace

extern const PathList avx512_paths = kPaths;

}  // namespace primes
