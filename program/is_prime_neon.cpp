// SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
// The NEON path of 64-bit Arm. Float lanes come 8 at a time, as two
// registers: one is decided by the divider and one by a reciprocal estimate
// refined on the multiply-add units, so that both units work at once. The
// first step decides both by reciprocals, whose answer follows x's arrival
// sooner, which is what its mispredicted exit waits for. Double lanes, for
// large dividends, divide.
//
// Every lane ends in the same test: a remainder x - n * d computed exactly by
// one fused multiply-subtract, zero exactly when d divides x.
#include <arm_neon.h>

#include <cstdint>

#include "prime_paths.h"
#include "trial_division_kernel.h"

namespace primes {
namespace {

// All ones in each lane where x - n * d, exact, is zero.
uint32x4_t zero_remainder(float32x4_t x, float32x4_t n, float32x4_t d) {
    return vceqzq_f32(vfmsq_f32(x, n, d));
}

// Where d divides x, by an exact division: n is the quotient (see the
// kernel for why the remainder test then decides exactly).
uint32x4_t divides_by_division(float32x4_t x, float32x4_t d) {
    return zero_remainder(x, vdivq_f32(x, d), d);
}

// x * r rounded to the nearest integer, for |x * r| < 2^22, in one rounding:
// x * r + 1.5 * 2^23 lies in [2^23, 2^24), where floats are the integers.
float32x4_t nearest_integer(float32x4_t x, float32x4_t r) {
    const float32x4_t shift = vdupq_n_f32(0x1.8p23f);
    return vsubq_f32(vfmaq_f32(shift, x, r), shift);
}

// The reciprocal estimate r0 = recpe(d) is fixed by the architecture: from
// the leading 8 fraction bits of d, with relative error |e0| < 1.47 * 2^-9
// over all of them (the larger-table estimate, where a CPU has it, is more
// accurate still). A step r' = r * recps(d, r), recps(d, r) = 2 - d * r fused,
// each part rounded once, leaves relative error e' with
// |e'| <= e^2 + 2^-24 * (1 + |e|) + 2^-24. After one step |e1| < 2.3 * 2^-18,
// after two |e2| < 2.01 * 2^-24.
float32x4_t refined_reciprocal(float32x4_t d) {
    const float32x4_t r0 = vrecpeq_f32(d);
    return vmulq_f32(r0, vrecpsq_f32(d, r0));
}

// Where d divides x, for 0 < x < 2^22 and odd d >= 3, without the divider:
// two refining steps make x * r2 within q * 2.01 * 2^-24 of q = x / d. With
// x < 2^22 and d >= 3, q < 2^22 / 3 and that is below 0.17, so when d divides
// x, the nearest integer n is q. The remainder x - n * d is an integer below
// 2^24 in magnitude, so the fused multiply-subtract computes it exactly: it
// is zero exactly when d divides x, whatever n was.
uint32x4_t divides_by_reciprocal(float32x4_t x, float32x4_t d) {
    const float32x4_t r1 = refined_reciprocal(d);
    const float32x4_t r2 = vmulq_f32(r1, vrecpsq_f32(d, r1));
    return zero_remainder(x, nearest_integer(x, r2), d);
}

// The same for candidates d >= x / 56000, with one refining step: x * r1 is
// within (x / d) * 2.3 * 2^-18 < 0.5 of x / d, so the nearest integer n is
// within 1 of it and |x - n * d| < d. Then x - n * d, exact as above, is zero
// exactly when d divides x.
uint32x4_t divides_large_by_reciprocal(float32x4_t x, float32x4_t d) {
    return zero_remainder(x, nearest_integer(x, refined_reciprocal(d)), d);
}

// Nonzero when any lane of either is set.
unsigned any_lane(uint32x4_t low, uint32x4_t high) {
    return vmaxvq_u32(vorrq_u32(low, high));
}

struct NeonFloats {
    static constexpr int64_t kExactBelow = 1 << 22;  // bound of the reciprocal half
    using Vector = RegisterPair<float32x4_t>;
    static constexpr int32_t kWidth = 8;
    static constexpr int kFirstStepBlocks = 4;
    static constexpr int kBlocksPerStep = 4;
    static constexpr int32_t kLargeCandidateRatio = 56000;  // the bound argued above
    static Vector splat(int32_t value) {
        const float32x4_t lanes = vdupq_n_f32(static_cast<float>(value));
        return {lanes, lanes};
    }
    static Vector initial_candidates() {
        return {vld1q_f32(kFirstOddFloats), vld1q_f32(kFirstOddFloats + 4)};
    }
    static Vector add(Vector a, Vector b) {
        return {vaddq_f32(a.low, b.low), vaddq_f32(a.high, b.high)};
    }
    static Vector min(Vector a, Vector b) {
        return {vminq_f32(a.low, b.low), vminq_f32(a.high, b.high)};
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

struct NeonDoubles {
    static constexpr int64_t kExactBelow = kEveryPositiveInteger;
    using Vector = float64x2_t;
    static constexpr int32_t kWidth = 2;
    static constexpr int kFirstStepBlocks = 8;
    static constexpr int kBlocksPerStep = 8;
    static constexpr int32_t kLargeCandidateRatio = 0;  // no cheaper test
    static Vector splat(int32_t value) { return vdupq_n_f64(value); }
    static Vector initial_candidates() { return vld1q_f64(kFirstOddDoubles); }
    static Vector add(Vector a, Vector b) { return vaddq_f64(a, b); }
    static Vector min(Vector a, Vector b) { return vminq_f64(a, b); }
    static unsigned divisor_lanes(Vector x, Vector d) {
        const uint64x2_t zero = vceqzq_f64(vfmsq_f64(x, vdivq_f64(x, d), d));
        return vmaxvq_u32(vreinterpretq_u32_u64(zero));
    }
    static unsigned first_step_divisor_lanes(Vector x, Vector d) { return divisor_lanes(x, d); }
    static unsigned large_candidate_divisor_lanes(Vector x, Vector d) {
        return divisor_lanes(x, d);
    }
};

// The first-step size that the path table reports.
static_assert(first_step_candidates<NeonFloats>() == kFirstStepCandidatesNeon);

}  // namespace

int32_t is_prime_neon(int32_t x) {
    return is_prime_on_path<NeonFloats, NeonDoubles>(x);
}

void run_range_neon() {
    run_benchmark_range<NeonFloats>();
}

}  // namespace primes
