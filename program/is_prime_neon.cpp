// SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
// The NEON path of 64-bit Arm: float lanes 8 at a time, as two registers
// (see register_pair_lanes.h); double lanes, for large dividends, divide.
#include <arm_neon.h>

#include <cstdint>

#include "inverse_first_step.h"
#include "prime_paths.h"
#include "register_pair_lanes.h"
#include "trial_division_kernel.h"

namespace primes {
namespace {

struct NeonFloatOps {
    using Register = float32x4_t;
    using Mask = uint32x4_t;
    static constexpr int32_t kLanes = 4;
    static Register splat(float value) { return vdupq_n_f32(value); }
    static Register load(const float* lanes) { return vld1q_f32(lanes); }
    static Register add(Register a, Register b) { return vaddq_f32(a, b); }
    static Register min(Register a, Register b) { return vminq_f32(a, b); }
    static Register divide(Register a, Register b) { return vdivq_f32(a, b); }
    static Register multiply(Register a, Register b) { return vmulq_f32(a, b); }
    static Register multiply_add(Register a, Register b, Register c) { return vfmaq_f32(c, a, b); }
    static Register negative_multiply_add(Register a, Register b, Register c) {
        return vfmsq_f32(c, a, b);
    }
    static Register nearest(Register a) { return vrndnq_f32(a); }
    static Mask equal(Register a, Register b) { return vceqq_f32(a, b); }
    static unsigned any_lane(Mask a, Mask b) { return vmaxvq_u32(vorrq_u32(a, b)); }
    // The estimate, with relative error below 1.47 * 2^-9, after one Newton
    // step (recps(d, r) = 2 - d * r, fused): below 2.2 * 2^-18; R as
    // docs/exactness.md derives it.
    static Register reciprocal(Register d) {
        const Register estimate = vrecpeq_f32(d);
        return vmulq_f32(estimate, vrecpsq_f32(d, estimate));
    }
    static constexpr int32_t kLargeCandidateRatio = 56000;
};

// Operations on a register of 32-bit unsigned lanes, as inverse_first_step.h
// describes them.
struct NeonIntegerOps {
    using Register = uint32x4_t;
    static constexpr int kLanes = 4;
    static Register splat(uint32_t value) { return vdupq_n_u32(value); }
    static Register load(const uint32_t* lanes) { return vld1q_u32(lanes); }
    static Register multiply(Register a, Register b) { return vmulq_u32(a, b); }
    static Register least(Register a, Register b) { return vminq_u32(a, b); }
    template <int kBits>
    static unsigned any_below(Register a) {
        return static_cast<unsigned>(vminvq_u32(a) >> kBits == 0);
    }
};

using NeonFloats =
    RegisterPairLanes<NeonFloatOps, InverseFirstStep<NeonIntegerOps, 96, kQuotientTestExactBelow>,
                      4>;
struct NeonDoubles : OneTestForEveryStep {
    static constexpr int64_t kExactBelow = kAboveEveryInteger;
    using Vector = float64x2_t;
    static constexpr int32_t kWidth = 2;
    using FirstStep = FirstStepInLanes<8>;
    static constexpr int kBlocksPerStep = 8;
    static Vector splat(int32_t value) { return vdupq_n_f64(value); }
    static Vector initial_candidates() { return vld1q_f64(kFirstOdd<double, kWidth>.lane); }
    static Vector add(Vector a, Vector b) { return vaddq_f64(a, b); }
    static Vector min(Vector a, Vector b) { return vminq_f64(a, b); }
    // The remainder x - q * d, fused, is zero exactly when d divides x
    // (docs/exactness.md: a division).
    static unsigned divisor_lanes(Vector x, Vector d) {
        const uint64x2_t zero = vceqzq_f64(vfmsq_f64(x, vdivq_f64(x, d), d));
        return vmaxvq_u32(vreinterpretq_u32_u64(zero));
    }
};

// This source's paths, as prime_paths.h describes them. NEON, with fused
// multiply-adds, is part of the baseline of 64-bit Arm.
constexpr PrimePath kPaths[] = {
    {.name = "neon",
     .instruction_sets = "",
     .first_step_candidates = first_step_candidates<NeonFloats>(),
     .is_prime = &is_prime_on_path<NeonFloats, NeonDoubles>,
     .run_range = &run_benchmark_range<NeonFloats>,
     .preferred = nullptr},
};

}  // namespace

extern const PathList neon_paths = kPaths;

}  // namespace primes
