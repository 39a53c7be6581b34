// SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
// The baseline path: 4 float or 2 double lanes, SSE2 only, so it runs on
// every x86-64 CPU.
#include <emmintrin.h>

#include <cstdint>

#include "inverse_first_step.h"
#include "prime_paths.h"
#include "trial_division_kernel.h"

namespace primes {
namespace {

// Operations as inverse_first_step.h describes them, on a register of two
// 32-bit lanes, each in the low half of a 64-bit one: SSE2's one packed
// 32-bit multiply, pmuludq, multiplies those halves. Its one bound is 2^24,
// so that a lane's top byte alone tells whether it is below: the unsigned
// byte minimum stands in for the 32-bit one, which SSE2 lacks.
struct Sse2IntegerOps {
    using Register = __m128i;
    static constexpr int kLanes = 2;
    static constexpr int kQuotientBits = 24;
    static Register splat(uint32_t value) { return _mm_set1_epi32(static_cast<int>(value)); }
    static Register load(const uint32_t* lanes) {
        // Into the low halves; the high halves, which pmuludq ignores, copies.
        const __m128i pair = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(lanes));
        return _mm_shuffle_epi32(pair, _MM_SHUFFLE(1, 1, 0, 0));
    }
    static Register multiply(Register a, Register b) { return _mm_mul_epu32(a, b); }
    static Register least(Register a, Register b) { return _mm_min_epu8(a, b); }
    template <int kBits>
    static unsigned any_below(Register a) {
        static_assert(kBits == kQuotientBits);
        // The top bytes of the two lanes: bytes 3 and 11.
        const int zero_bytes = _mm_movemask_epi8(_mm_cmpeq_epi8(a, _mm_setzero_si128()));
        return static_cast<unsigned>(zero_bytes & 0x0808);
    }
};

struct Sse2Floats : OneTestForEveryStep {
    static constexpr int64_t kExactBelow = kFloatDivisionExactBelow;
    using Vector = __m128;
    static constexpr int32_t kWidth = 4;
    using FirstStep = InverseFirstStep<Sse2IntegerOps, 24, kFloatDivisionExactBelow>;
    static constexpr int kBlocksPerStep = 2;
    static Vector splat(int32_t value) { return _mm_set1_ps(static_cast<float>(value)); }
    static Vector initial_candidates() { return _mm_load_ps(kFirstOdd<float, kWidth>.lane); }
    static Vector add(Vector a, Vector b) { return _mm_add_ps(a, b); }
    static unsigned divisor_lanes(Vector x, Vector d) {
        // Whole when (q + 2^23) - 2^23 == q (docs/exactness.md: a division),
        // without a round trip through integers.
        const __m128 quotient = _mm_div_ps(x, d);
        const __m128 shift = _mm_set1_ps(0x1p23f);
        const __m128 whole = _mm_sub_ps(_mm_add_ps(quotient, shift), shift);
        return static_cast<unsigned>(_mm_movemask_ps(_mm_cmpeq_ps(quotient, whole)));
    }
    static Vector min(Vector a, Vector b) { return _mm_min_ps(a, b); }
};

struct Sse2Doubles : OneTestForEveryStep {
    static constexpr int64_t kExactBelow = kAboveEveryInteger;
    using Vector = __m128d;
    static constexpr int32_t kWidth = 2;
    using FirstStep = FirstStepInLanes<4>;
    static constexpr int kBlocksPerStep = 4;
    static Vector splat(int32_t value) { return _mm_set1_pd(value); }
    static Vector initial_candidates() { return _mm_load_pd(kFirstOdd<double, kWidth>.lane); }
    static Vector add(Vector a, Vector b) { return _mm_add_pd(a, b); }
    static unsigned divisor_lanes(Vector x, Vector d) {
        const __m128d quotient = _mm_div_pd(x, d);
        const __m128d whole = _mm_cvtepi32_pd(_mm_cvttpd_epi32(quotient));
        return static_cast<unsigned>(_mm_movemask_pd(_mm_cmpeq_pd(quotient, whole)));
    }
    static Vector min(Vector a, Vector b) { return _mm_min_pd(a, b); }
};

// This source's paths, as prime_paths.h describes them.
constexpr PrimePath kPaths[] = {
    {.name = "sse2",
     .instruction_sets = "",
     .first_step_candidates = first_step_candidates<Sse2Floats>(),
     .is_prime = &is_prime_on_path<Sse2Floats, Sse2Doubles>,
     .run_range = &run_benchmark_range<Sse2Floats>,
     .preferred = nullptr},
};

}  // namespace

extern const PathList sse2_paths = kPaths;

}  // namespace primes
