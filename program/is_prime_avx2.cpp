// SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
// The AVX2 path, with FMA: float lanes 16 at a time, as two registers (see
// register_pair_lanes.h); double lanes, for large dividends, divide.
#include <immintrin.h>

#include <cstdint>

#include "inverse_first_step.h"
#include "prime_paths.h"
#include "register_pair_lanes.h"
#include "trial_division_kernel.h"

namespace primes {
namespace {

struct Avx2FloatOps {
    using Register = __m256;
    using Mask = __m256;
    static constexpr int32_t kLanes = 8;
    static Register splat(float value) { return _mm256_set1_ps(value); }
    static Register load(const float* lanes) { return _mm256_load_ps(lanes); }
    static Register add(Register a, Register b) { return _mm256_add_ps(a, b); }
    static Register min(Register a, Register b) { return _mm256_min_ps(a, b); }
    static Register divide(Register a, Register b) { return _mm256_div_ps(a, b); }
    static Register multiply(Register a, Register b) { return _mm256_mul_ps(a, b); }
    static Register multiply_add(Register a, Register b, Register c) {
        return _mm256_fmadd_ps(a, b, c);
    }
    static Register negative_multiply_add(Register a, Register b, Register c) {
        return _mm256_fnmadd_ps(a, b, c);
    }
    static Register nearest(Register a) {
        return _mm256_round_ps(a, _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC);
    }
    static Mask equal(Register a, Register b) { return _mm256_cmp_ps(a, b, _CMP_EQ_OQ); }
    static unsigned any_lane(Mask a, Mask b) {
        return static_cast<unsigned>(_mm256_movemask_ps(_mm256_or_ps(a, b)));
    }
    // Relative error at most 1.5 * 2^-12; R as docs/exactness.md derives it.
    static Register reciprocal(Register d) { return _mm256_rcp_ps(d); }
    static constexpr int32_t kLargeCandidateRatio = 1365;
};

// Operations on a register of 32-bit unsigned lanes, as inverse_first_step.h
// describes them.
struct Avx2IntegerOps {
    using Register = __m256i;
    static constexpr int kLanes = 8;
    static Register splat(uint32_t value) { return _mm256_set1_epi32(static_cast<int>(value)); }
    static Register load(const uint32_t* lanes) {
        return _mm256_load_si256(reinterpret_cast<const __m256i*>(lanes));
    }
    static Register multiply(Register a, Register b) { return _mm256_mullo_epi32(a, b); }
    static Register least(Register a, Register b) { return _mm256_min_epu32(a, b); }
    template <int kBits>
    static unsigned any_below(Register a) {
        const __m256i high = _mm256_srli_epi32(a, kBits);
        return static_cast<unsigned>(
            _mm256_movemask_epi8(_mm256_cmpeq_epi32(high, _mm256_setzero_si256())));
    }
};

using Avx2Floats =
    RegisterPairLanes<Avx2FloatOps, InverseFirstStep<Avx2IntegerOps, 96, kQuotientTestExactBelow>,
                      2>;
struct Avx2Doubles : OneTestForEveryStep {
    static constexpr int64_t kExactBelow = kAboveEveryInteger;
    using Vector = __m256d;
    static constexpr int32_t kWidth = 4;
    using FirstStep = FirstStepInLanes<4>;
    static constexpr int kBlocksPerStep = 4;
    static Vector splat(int32_t value) { return _mm256_set1_pd(value); }
    static Vector initial_candidates() { return _mm256_load_pd(kFirstOdd<double, kWidth>.lane); }
    static Vector add(Vector a, Vector b) { return _mm256_add_pd(a, b); }
    static Vector min(Vector a, Vector b) { return _mm256_min_pd(a, b); }
    // The remainder x - q * d, fused, is zero exactly when d divides x
    // (docs/exactness.md: a division).
    static unsigned divisor_lanes(Vector x, Vector d) {
        const __m256d remainder = _mm256_fnmadd_pd(_mm256_div_pd(x, d), d, x);
        return static_cast<unsigned>(
            _mm256_movemask_pd(_mm256_cmp_pd(remainder, _mm256_setzero_pd(), _CMP_EQ_OQ)));
    }
};

// This source's paths, as prime_paths.h describes them.
constexpr PrimePath kPaths[] = {
    {.name = "avx2",
     .instruction_sets = "avx2 fma",
     .first_step_candidates = first_step_candidates<Avx2Floats>(),
     .is_prime = &is_prime_on_path<Avx2Floats, Avx2Doubles>,
     .run_range = &run_benchmark_range<Avx2Floats>,
     .preferred = nullptr},
};

}  // namespace

extern const PathList avx2_paths = kPaths;

}  // namespace primes
