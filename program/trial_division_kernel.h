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
// A Lanes type meets the TrialDivisionLanes concept below: every member is
// mandatory, so a misspelt or renamed one fails to compile. A type with no
// cheaper test for the first step or for large candidates says so by
// forwarding to divisor_lanes(), with a ratio of 0.
#include <climits>
#include <concepts>
#include <cstdint>

#include "benchmark_range.h"
#include "truncated_sqrt.h"
#include "verdict_sink.h"

namespace primes {
// Internal linkage keeps every instantiation with its own source's
// instruction set.
namespace {

template <class Lanes>
concept TrialDivisionLanes = requires(typename Lanes::Vector v, int32_t value) {
    // The packed type and its number of lanes.
    typename Lanes::Vector;
    { Lanes::kWidth } -> std::convertible_to<int32_t>;
    // The lanes decide exactly every dividend x with 0 < x < kExactBelow.
    { Lanes::kExactBelow } -> std::convertible_to<int64_t>;
    // Blocks of kWidth candidates decided before each early exit: in the
    // first step, and in every later one.
    { Lanes::kFirstStepBlocks } -> std::convertible_to<int>;
    { Lanes::kBlocksPerStep } -> std::convertible_to<int>;
    // R, or 0 for none: steps whose every candidate d >= x / R are decided by
    // large_candidate_divisor_lanes().
    { Lanes::kLargeCandidateRatio } -> std::convertible_to<int32_t>;
    { Lanes::splat(value) } -> std::same_as<typename Lanes::Vector>;  // every lane the value
    // The odd candidates 3, 5, ..., 2 * kWidth + 1.
    { Lanes::initial_candidates() } -> std::same_as<typename Lanes::Vector>;
    { Lanes::add(v, v) } -> std::same_as<typename Lanes::Vector>;  // lane-wise
    { Lanes::min(v, v) } -> std::same_as<typename Lanes::Vector>;  // lane-wise
    // A lane mask of dividends x and candidates d: nonzero exactly when d
    // divides x in some lane.
    { Lanes::divisor_lanes(v, v) } -> std::same_as<unsigned>;
    // The same for the first step, whose exit is the branch mispredicted
    // most: it may trade throughput for an answer that depends less on x's
    // arrival.
    { Lanes::first_step_divisor_lanes(v, v) } -> std::same_as<unsigned>;
    // The same for steps of large candidates (above), more cheaply.
    { Lanes::large_candidate_divisor_lanes(v, v) } -> std::same_as<unsigned>;
}
&&Lanes::kWidth > 0 && Lanes::kFirstStepBlocks > 0 && Lanes::kBlocksPerStep > 0 &&
    Lanes::kLargeCandidateRatio >= 0;

// Lanes kept as two registers, so that two kinds of test work at once.
template <class Register>
struct RegisterPair {
    Register low;
    Register high;
};

alignas(64) constexpr float kFirstOddFloats[32] = {3,  5,  7,  9,  11, 13, 15, 17, 19, 21, 23,
                                                   25, 27, 29, 31, 33, 35, 37, 39, 41, 43, 45,
                                                   47, 49, 51, 53, 55, 57, 59, 61, 63, 65};
alignas(64) constexpr double kFirstOddDoubles[8] = {3, 5, 7, 9, 11, 13, 15, 17};

// Float lanes that divide decide exactly every dividend below this.
constexpr int64_t kFloatDivisionExactBelow = int64_t{1} << 24;
// Double lanes decide every positive Integer.
constexpr int64_t kEveryPositiveInteger = int64_t{INT32_MAX} + 1;

// Candidates decided before the first early exit, as the path table reports.
template <TrialDivisionLanes Lanes>
constexpr int first_step_candidates() {
    return Lanes::kWidth * Lanes::kFirstStepBlocks;
}

// The largest n with n * n < bound, for bounds of dividends.
constexpr int32_t square_root_below(int64_t bound) {
    int32_t n = 0;
    while (int64_t{n + 1} * (n + 1) < bound) ++n;
    return n;
}

// Makes a call's initial candidates opaque to the optimiser and dependent on
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

template <class Register>
[[gnu::always_inline]] inline RegisterPair<Register> bound_to_call(RegisterPair<Register> lanes,
                                                                   int32_t x) {
    return {bound_to_call(lanes.low, x), bound_to_call(lanes.high, x)};
}

// 1 if x is prime, 0 otherwise, for x < Lanes::kExactBelow, by trial
// division on Lanes. Decides kBlocksPerStep blocks of Lanes::kWidth
// candidates before each early-exit branch: fewer branches, at the price of
// a little work past the first divisor.
//
// Only the last step can reach past the limit, so only its candidates are
// clamped: the early-exit branches of the full steps then wait for the
// divisions alone, not for the square root, which shortens every
// mispredicted exit. The last step's candidates are clamped to the odd
// bound b = limit | 1, 3 <= b <= limit + 1 < x there, rather than masked:
// every lane then tests an odd d with 3 <= d < x, and any such d that
// divides x shows x composite, so the clamp changes no verdict; and, unlike
// the candidates past it, it never reaches x itself, which divides x.
template <TrialDivisionLanes Lanes>
[[gnu::always_inline]] inline int32_t trial_division(int32_t x) {
    if (x <= 1) return 0;
    if (x == 2) return 1;
    if ((x & 1) == 0) return 0;
    const int32_t limit = truncated_sqrt(x);
    constexpr int32_t kStepSpan = 2 * Lanes::kWidth * Lanes::kBlocksPerStep;
    const auto dividend = Lanes::splat(x);
    const auto block_step = Lanes::splat(2 * Lanes::kWidth);
    auto candidates = bound_to_call(Lanes::initial_candidates(), x);
    int32_t step_smallest = 3;  // the smallest candidate of the current step
    // Decides `blocks` blocks, moving on to the next step's candidates.
    const auto any_divisor = [&](int blocks, auto divisor_lanes) {
        unsigned found = 0;
        for (int block = 0; block < blocks; ++block) {
            found |= divisor_lanes(candidates);
            candidates = Lanes::add(candidates, block_step);
        }
        step_smallest += 2 * Lanes::kWidth * blocks;
        return found != 0;
    };
    // Most odd x have a small divisor, so the first step ends most tests;
    // laid out for that.
    if (step_smallest + 2 * Lanes::kWidth * Lanes::kFirstStepBlocks - 2 <= limit) {
        const bool found = any_divisor(Lanes::kFirstStepBlocks, [&](auto d) {
            return Lanes::first_step_divisor_lanes(dividend, d);
        });
        if (__builtin_expect(found, 1)) return 0;
    }
    constexpr int32_t kRatio = Lanes::kLargeCandidateRatio;
    // The product step_smallest * kRatio below must fit in an Integer: the
    // candidate stays at most the limit, whose bound follows from
    // kExactBelow.
    static_assert(int64_t{square_root_below(Lanes::kExactBelow)} * kRatio <= INT32_MAX,
                  "step_smallest * kRatio could overflow");
    const auto small_candidates = [&] { return kRatio == 0 || step_smallest * kRatio < x; };
    while (step_smallest + kStepSpan - 2 <= limit && small_candidates()) {
        if (any_divisor(Lanes::kBlocksPerStep,
                        [&](auto d) { return Lanes::divisor_lanes(dividend, d); }))
            return 0;
    }
    while (step_smallest + kStepSpan - 2 <= limit) {
        if (any_divisor(Lanes::kBlocksPerStep,
                        [&](auto d) { return Lanes::large_candidate_divisor_lanes(dividend, d); }))
            return 0;
    }
    if (step_smallest <= limit) {
        const auto bound = Lanes::splat(limit | 1);
        const bool small = small_candidates();
        if (any_divisor(Lanes::kBlocksPerStep, [&](auto d) {
                const auto clamped = Lanes::min(d, bound);
                return small ? Lanes::divisor_lanes(dividend, clamped)
                             : Lanes::large_candidate_divisor_lanes(dividend, clamped);
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
template <TrialDivisionLanes Floats, TrialDivisionLanes Doubles>
inline int32_t is_prime_on_path(int32_t x) {
    static_assert(Doubles::kExactBelow > INT32_MAX);
    return under_default_float_control(x, [](int32_t n) {
        return n < Floats::kExactBelow ? trial_division<Floats>(n) : trial_division<Doubles>(n);
    });
}

// The benchmark loop on one path, with the test inlined into it: each
// verdict dropped into the sink. The floating-point control is set once
// around the whole loop: the sink takes each verdict by volatile asm, before
// the caller's control comes back.
template <TrialDivisionLanes Floats>
inline void run_benchmark_range() {
    static_assert(kRangeLast < Floats::kExactBelow);
    const FloatControl caller = read_float_control();
    const bool changed = !is_default_float_control(caller);
    if (changed) write_float_control(kDefaultFloatControl);
    for (int32_t x = kRangeFirst; x <= kRangeLast; ++x) sink_verdict(trial_division<Floats>(x));
    if (changed) write_float_control(caller);
}

}  // namespace
}  // namespace primes
