// SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
#pragma once
// Float lanes kept as two registers, for the paths with fused multiply-adds
// and a reciprocal estimate (AVX-512, AVX2, NEON). In the loop one register
// is decided by the divider and the other by a quotient from the reciprocal,
// on the multiply-add units, so that both kinds of unit work at once.
#include <cstdint>

#include "trial_division_kernel.h"

namespace primes {
namespace {

// The float lanes decide x < 2^22, the bound of the quotient's test.
constexpr int64_t kQuotientTestExactBelow = int64_t{1} << 22;

// FloatOps gives one instruction set's operations on a register of floats:
//   Register, Mask, kLanes           a register, a comparison's result, lanes
//   splat, load, add, min            as their names say
//   divide, multiply                 rounded once
//   multiply_add(a, b, c)            a * b + c, rounded once
//   negative_multiply_add(a, b, c)   c - a * b, rounded once
//   nearest(a)                       each lane to the nearest integer
//   equal(a, b)                      the lanes where a == b
//   any_lane(m, n)                   nonzero when any lane of m or n is set
//   reciprocal(d)                    an estimate of 1 / d, its relative
//                                    error bound written beside it
//   kLargeCandidateRatio             R, small enough for that bound that the
//                                    unrefined quotient decides d >= x / R
//
// FirstStepByInverses decides the first step (inverse_first_step.h), for the
// same dividends.
template <class FloatOps, class FirstStepByInverses, int kBlocks>
struct RegisterPairLanes {
    using Register = typename FloatOps::Register;
    using Mask = typename FloatOps::Mask;
    // The intrinsics type's may_alias attribute, dropped here, matters only
    // to pointers, and the pair is only ever held by value.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wignored-attributes"
    using Vector = RegisterPair<Register>;
#pragma GCC diagnostic pop
    static constexpr int64_t kExactBelow = kQuotientTestExactBelow;
    static constexpr int32_t kWidth = 2 * FloatOps::kLanes;
    using FirstStep = FirstStepByInverses;
    static constexpr int kBlocksPerStep = kBlocks;
    static constexpr int32_t kLargeCandidateRatio = FloatOps::kLargeCandidateRatio;

    static Vector splat(int32_t value) {
        const Register lanes = FloatOps::splat(static_cast<float>(value));
        return {lanes, lanes};
    }
    static Vector initial_candidates() {
        const float* const first = kFirstOdd<float, kWidth>.lane;
        return {FloatOps::load(first), FloatOps::load(first + FloatOps::kLanes)};
    }
    static Vector add(Vector a, Vector b) {
        return {FloatOps::add(a.low, b.low), FloatOps::add(a.high, b.high)};
    }
    static Vector min(Vector a, Vector b) {
        return {FloatOps::min(a.low, b.low), FloatOps::min(a.high, b.high)};
    }
    static unsigned divisor_lanes(Vector x, Vector d) {
        return FloatOps::any_lane(divides_by_division(x.low, d.low),
                                  divides_by_quotient(x.high, d.high));
    }
    static unsigned large_candidate_divisor_lanes(Vector x, Vector d) {
        return FloatOps::any_lane(divides_by_division(x.low, d.low),
                                  divides_large_by_quotient(x.high, d.high));
    }

  private:
    // Where d divides x: where the correctly rounded quotient is an integer
    // (docs/exactness.md: a division).
    static Mask divides_by_division(Register x, Register d) {
        const Register quotient = FloatOps::divide(x, d);
        return FloatOps::equal(FloatOps::nearest(quotient), quotient);
    }
    // Where d divides x, for 0 < x < 2^22, without the divider: the quotient
    // x * r refined once by the residual e = 1 - d * r, rounded to the
    // nearest integer n, and n * d compared with x (docs/exactness.md: a
    // quotient from a reciprocal estimate).
    static Mask divides_by_quotient(Register x, Register d) {
        const Register r = FloatOps::reciprocal(d);
        const Register e = FloatOps::negative_multiply_add(d, r, FloatOps::splat(1.0f));
        const Register q = FloatOps::multiply(x, r);
        const Register n = FloatOps::nearest(FloatOps::multiply_add(q, e, q));
        return FloatOps::equal(FloatOps::multiply(n, d), x);
    }
    // The same for d >= x / R, with the quotient unrefined
    // (docs/exactness.md: large candidates).
    static Mask divides_large_by_quotient(Register x, Register d) {
        const Register n = FloatOps::nearest(FloatOps::multiply(x, FloatOps::reciprocal(d)));
        return FloatOps::equal(FloatOps::multiply(n, d), x);
    }
};

}  // namespace
}  // namespace primes
