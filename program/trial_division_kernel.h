// SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
#pragma once
// Trial division that decides several odd candidates per step with packed
// floating-point arithmetic: a division, or on the AVX2, AVX-512 and NEON
// paths for some lanes a refined reciprocal (argued where it is defined).
// Included only by the per-instruction-set sources; each supplies its own
// Lanes types.
//
// Why a division decides divisibility exactly. Let 0 < x < 2^p, where p is
// the significand width (24 for float, 53 for double), and d >= 3 odd, so x
// and d are exact. IEEE division is correctly rounded:
//   - if d divides x, x/d is an integer below 2^p, so the quotient is exactly
//     that integer;
//   - if not, x/d lies at least 1/d from every integer, while rounding moves
//     it by at most half an ulp, (x/d) * 2^-p < 1/d, so the rounded quotient
//     is not an integer.
// So "quotient == truncated quotient" holds exactly when d divides x: floats
// are exact for x < 2^24, doubles for every positive 32-bit x. Candidates
// stay below 46,500 and are exact in both. Where there is a fused
// multiply-add, "quotient * d - x == 0", rounded once, is the same test: when
// d does not divide x, x/d has an odd denominator and is no binary fraction,
// so no quotient times d is x, and a nonzero exact result does not round to
// zero.
//
// A Lanes type provides:
//   Vector, kWidth       the packed type and its number of lanes
//   splat(int32_t)       every lane set to the value
//   first_candidates()   the odd candidates 3, 5, ..., 2 * kWidth + 1
//   add(a, b)            lane-wise sum
//   divisors(x, d)       nonzero exactly when d divides x in some lane
//   min(a, b)            lane-wise minimum
// and may provide, where it has a better way than divisors():
//   first_divisors(x, d) the same, for the first step: its exit is the
//                        branch mispredicted most, so it may trade throughput
//                        for an answer that depends less on x's arrival
//   kFirstStepBlocks     blocks decided before the first step's exit, where
//                        that differs from the later steps' kBlocksPerBranch
//   kLargeCandidateRatio R, with large_divisors(x, d) deciding, more cheaply,
//                        steps whose every candidate d >= x / R
// Float lanes also state kExactBelow: they decide exactly the dividends below
// it, and their path hands larger ones to double lanes.
#include <climits>
#include <cstdint>

#include "benchmark_range.h"
#include "truncated_sqrt.h"
#include "verdict_sink.h"

namespace primes {
// Internal linkage keeps every instantiation with its own source's
// instruction set.
namespace {

alignas(64) constexpr float kFirstOddFloats[32] = {3,  5,  7,  9,  11, 13, 15, 17, 19, 21, 23,
                                                   25, 27, 29, 31, 33, 35, 37, 39, 41, 43, 45,
                                                   47, 49, 51, 53, 55, 57, 59, 61, 63, 65};
alignas(64) constexpr double kFirstOddDoubles[8] = {3, 5, 7, 9, 11, 13, 15, 17};

// Float lanes that divide decide exactly every dividend below this.
constexpr int32_t kFloatDivisionExactBelow = 1 << 24;

// The optional members of a Lanes type, falling back to divisors().
template <class Lanes, class Vector>
[[gnu::always_inline]] inline unsigned first_step_divisors(Vector x, Vector d) {
    if constexpr (requires { Lanes::first_divisors(x, d); }) {
        return Lanes::first_divisors(x, d);
    } else {
        return Lanes::divisors(x, d);
    }
}

template <class Lanes, class Vector>
[[gnu::always_inline]] inline unsigned large_candidate_divisors(Vector x, Vector d) {
    if constexpr (requires { Lanes::large_divisors(x, d); }) {
        return Lanes::large_divisors(x, d);
    } else {
        return Lanes::divisors(x, d);
    }
}

template <class Lanes, int kBlocksPerBranch>
constexpr int first_step_blocks() {
    if constexpr (requires { Lanes::kFirstStepBlocks; }) {
        return Lanes::kFirstStepBlocks;
    } else {
        return kBlocksPerBranch;
    }
}

template <class Lanes>
constexpr int32_t large_candidate_ratio() {
    if constexpr (requires { Lanes::kLargeCandidateRatio; }) {
        return Lanes::kLargeCandidateRatio;
    } else {
        return 0;  // no cheaper test: every step counts as small
    }
}

// Candidates decided before the first early exit, as the path table reports.
template <class Lanes, int kBlocksPerBranch>
constexpr int first_step_candidates() {
    return Lanes::kWidth * first_step_blocks<Lanes, kBlocksPerBranch>();
}

// The largest n with n * n < bound, for bounds of dividends.
constexpr int32_t square_root_below(int64_t bound) {
    int32_t n = 0;
    while (int64_t{n + 1} * (n + 1) < bound) ++n;
    return n;
}

// Makes a call's first candidates opaque to the optimiser and dependent on
// that call's argument: everything computed from them (the later candidates,
// their reciprocals) is computed in each call, never folded into constants
// or hoisted out of a loop of calls.
template <class Register>
[[gnu::always_inline]] inline Register bound_to_call(Register lanes, int32_t x) {
#if defined(__aarch64__)
    asm("" : "+w"(lanes) : "r"(x));
#else
    asm("" : "+v"(lanes) : "r"(x));
#endif
    return lanes;
}

// Lanes kept as two registers, each bound alike.
template <class Pair>
requires requires(Pair lanes) {
    lanes.low, lanes.high;
}
[[gnu::always_inline]] inline Pair bound_to_call(Pair lanes, int32_t x) {
    return {bound_to_call(lanes.low, x), bound_to_call(lanes.high, x)};
}

// 1 if x is prime, 0 otherwise. Decides kBlocksPerBranch blocks of
// Lanes::kWidth candidates before each early-exit branch: fewer branches, at
// the price of a little work past the first divisor.
//
// Only the last step can reach past the limit, so only its candidates are
// clamped: the early-exit branches of the full steps then wait for the
// divisions alone, not for the square root, which shortens every
// mispredicted exit. The last step's candidates are clamped to the odd
// bound b = limit | 1, 3 <= b <= limit + 1 < x there, rather than masked:
// every lane then tests an odd d with 3 <= d < x, and any such d that
// divides x shows x composite, so the clamp changes no verdict; and, unlike
// the candidates past it, it never reaches x itself, which divides x.
template <class Lanes, int kBlocksPerBranch>
[[gnu::always_inline]] inline int32_t is_prime_by_lanes(int32_t x) {
    if (x <= 1) return 0;
    if (x == 2) return 1;
    if ((x & 1) == 0) return 0;
    const int32_t limit = truncated_sqrt(x);
    constexpr int32_t kStepSpan = 2 * Lanes::kWidth * kBlocksPerBranch;
    const auto dividend = Lanes::splat(x);
    const auto block_step = Lanes::splat(2 * Lanes::kWidth);
    auto candidates = bound_to_call(Lanes::first_candidates(), x);
    int32_t first = 3;  // the smallest candidate of the current step
    // Decides `blocks` blocks, moving on to the next step's candidates.
    const auto any_divisor = [&](int blocks, auto decide) {
        unsigned found = 0;
        for (int block = 0; block < blocks; ++block) {
            found |= decide(candidates);
            candidates = Lanes::add(candidates, block_step);
        }
        first += 2 * Lanes::kWidth * blocks;
        return found != 0;
    };
    // Most odd x have a small divisor, so the first step ends most tests;
    // laid out for that.
    constexpr int kFirstBlocks = first_step_blocks<Lanes, kBlocksPerBranch>();
    if (first + 2 * Lanes::kWidth * kFirstBlocks - 2 <= limit) {
        const bool found = any_divisor(
            kFirstBlocks, [&](auto d) { return first_step_divisors<Lanes>(dividend, d); });
        if (__builtin_expect(found, 1)) return 0;
    }
    constexpr int32_t kRatio = large_candidate_ratio<Lanes>();
    // The product first * kRatio below must fit in an Integer: first stays
    // at most the limit, whose bound follows from kExactBelow. (A ratio
    // needs float lanes with that bound.)
    if constexpr (kRatio != 0) {
        static_assert(int64_t{square_root_below(Lanes::kExactBelow)} * kRatio <= INT32_MAX,
                      "first * kRatio could overflow");
    }
    const auto small_candidates = [&] { return kRatio == 0 || first * kRatio < x; };
    while (first + kStepSpan - 2 <= limit && small_candidates()) {
        if (any_divisor(kBlocksPerBranch, [&](auto d) { return Lanes::divisors(dividend, d); }))
            return 0;
    }
    while (first + kStepSpan - 2 <= limit) {
        if (any_divisor(kBlocksPerBranch,
                        [&](auto d) { return large_candidate_divisors<Lanes>(dividend, d); }))
            return 0;
    }
    if (first <= limit) {
        const auto bound = Lanes::splat(limit | 1);
        const bool small = small_candidates();
        if (any_divisor(kBlocksPerBranch, [&](auto d) {
                const auto clamped = Lanes::min(d, bound);
                return small ? Lanes::divisors(dividend, clamped)
                             : large_candidate_divisors<Lanes>(dividend, clamped);
            })) {
            return 0;
        }
    }
    return 1;
}

// The floating-point control register: MXCSR on x86-64, FPCR on 64-bit Arm.
// Every argument above holds for round-to-nearest with exceptions masked and
// without flushing denormals (the reciprocal and quotient tests do not hold
// under the directed modes), which is the process's default. A caller may
// have set another mode, for its own Float output say, so every test runs
// with the default and gives the caller's back when it returns. Volatile
// asm keeps both writes in place around the arithmetic.
#if defined(__aarch64__)
using FloatControl = uint64_t;
constexpr FloatControl kDefaultFloatControl = 0;
inline FloatControl read_float_control() {
    FloatControl value;
    asm volatile("mrs %0, fpcr" : "=r"(value));
    return value;
}
inline void write_float_control(FloatControl value) {
    asm volatile("msr fpcr, %0" : : "r"(value));
}
inline bool is_default_float_control(FloatControl value) {
    return value == kDefaultFloatControl;
}
#else
using FloatControl = uint32_t;
// Every exception masked, round to nearest, no flush to zero; no flags set.
constexpr FloatControl kDefaultFloatControl = 0x1f80;
inline FloatControl read_float_control() {
    FloatControl value;
    asm volatile("stmxcsr %0" : "=m"(value));
    return value;
}
inline void write_float_control(FloatControl value) {
    asm volatile("ldmxcsr %0" : : "m"(value));
}
// The low six bits are the sticky exception flags, not control.
inline bool is_default_float_control(FloatControl value) {
    return (value & ~FloatControl{0x3f}) == kDefaultFloatControl;
}
#endif

// Runs test(x) under the default floating-point control, restoring the
// caller's afterwards. x passes through an empty volatile asm after the
// control is set, and the verdict before it is restored, so no arithmetic on
// either can be moved across the writes.
template <class Test>
[[gnu::always_inline]] inline int32_t under_default_float_control(int32_t x, Test test) {
    const FloatControl caller = read_float_control();
    const bool changed = !is_default_float_control(caller);
    if (__builtin_expect(changed, 0)) write_float_control(kDefaultFloatControl);
    asm volatile("" : "+r"(x));
    int32_t verdict = test(x);
    asm volatile("" : "+r"(verdict));
    if (__builtin_expect(changed, 0)) write_float_control(caller);
    return verdict;
}

// A path's test for every Integer: float lanes below their exact bound,
// double lanes above it, under the default floating-point control.
template <class Floats, int kFloatBlocks, class Doubles, int kDoubleBlocks>
inline int32_t is_prime_on_lanes(int32_t x) {
    return under_default_float_control(x, [](int32_t n) {
        return n < Floats::kExactBelow ? is_prime_by_lanes<Floats, kFloatBlocks>(n)
                                       : is_prime_by_lanes<Doubles, kDoubleBlocks>(n);
    });
}

// The benchmark loop on one path, with the test inlined into it, handing
// each Integer and its verdict to consume.
// The floating-point control is set once around the whole loop: each verdict
// goes to consume, which writes it out by volatile asm (or to memory) before
// the caller's control comes back.
template <class Floats, int kBlocks, class Consume>
inline void loop_over_range(Consume consume) {
    static_assert(kRangeLast < Floats::kExactBelow);
    const FloatControl caller = read_float_control();
    const bool changed = !is_default_float_control(caller);
    if (changed) write_float_control(kDefaultFloatControl);
    for (int32_t x = kRangeFirst; x <= kRangeLast; ++x) {
        consume(x, is_prime_by_lanes<Floats, kBlocks>(x));
    }
    if (changed) write_float_control(caller);
}

// The loop as the executable runs it: each verdict dropped into the sink.
template <class Floats, int kBlocks>
inline void run_range_on_lanes() {
    loop_over_range<Floats, kBlocks>([](int32_t, int32_t verdict) { sink_verdict(verdict); });
}

// The same loop, recording what it visited.
template <class Floats, int kBlocks>
inline void tally_range_on_lanes(RangeTally& tally) {
    loop_over_range<Floats, kBlocks>([&tally](int32_t x, int32_t verdict) {
        if (tally.count == 0) tally.first = x;
        tally.last = x;
        ++tally.count;
        tally.primes += verdict;
    });
}

}  // namespace
}  // namespace primes
