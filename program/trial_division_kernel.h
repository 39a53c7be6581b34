// SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
#pragma once
// Trial division that decides several odd candidates per step with packed
// floating-point arithmetic: a division, or on the AVX2, AVX-512 and NEON
// paths for some lanes a quotient from a reciprocal estimate. Included only
// by the per-instruction-set sources; each supplies its own Lanes types. Why
// every test decides divisibility exactly, and why the steps below test
// every odd candidate up to the square root and no further: HACKING.md, "Why
// the kernel is exact".
#include <climits>
#include <concepts>
#include <cstddef>
#include <cstdint>

#include "benchmark_range.h"
#include "default_float_control.h"
#include "truncated_sqrt.h"
#include "verdict_sink.h"

namespace primes {
// Internal linkage keeps every instantiation with its own source's
// instruction set.
namespace {

// Declares a Lanes type that decides every step by divisor_lanes(), with no
// cheaper test for the first step or for large candidates.
struct OneTestForEveryStep {
    static constexpr int32_t kLargeCandidateRatio = 0;
};

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
}
&&Lanes::kWidth > 0 && Lanes::kFirstStepBlocks > 0 && Lanes::kBlocksPerStep > 0 &&
    Lanes::kLargeCandidateRatio >= 0 &&
    // The same mask for the first step, whose exit is the branch mispredicted
    // most, so that it may trade throughput for latency: required exactly
    // when the type does not declare OneTestForEveryStep, so that a misspelt
    // or renamed member fails to compile rather than go unused.
    (std::derived_from<Lanes, OneTestForEveryStep> !=
     requires(typename Lanes::Vector v) {
         { Lanes::first_step_divisor_lanes(v, v) } -> std::same_as<unsigned>;
     }) &&
    // The same for steps of large candidates, more cheaply: required exactly
    // when R is given.
    ((Lanes::kLargeCandidateRatio > 0) == requires(typename Lanes::Vector v) {
        { Lanes::large_candidate_divisor_lanes(v, v) } -> std::same_as<unsigned>;
    });

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
#elif defined(__x86_64__)
    asm("" : "+v"(lanes) : "r"(x));
#else
    asm("" : "+m"(lanes) : "r"(x));
#endif
    return lanes;
}

// Plain lanes, of any architecture, pass through memory: the one operand
// kind that every target's compiler accepts for an array.
template <class Number, std::size_t kCount>
struct PlainLanes {
    Number lane[kCount];
};

template <class Number, std::size_t kCount>
[[gnu::always_inline]] inline PlainLanes<Number, kCount> bound_to_call(
    PlainLanes<Number, kCount> lanes, int32_t x) {
    asm("" : "+m"(lanes) : "r"(x));
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
// No early exit but the last step's waits for the square root, which
// shortens every mispredicted exit: the first step runs when its largest
// candidate's square is at most x, a comparison with a constant, and only
// the last step, the one that can reach past the limit, has its candidates
// clamped to it (HACKING.md, "Why the kernel is exact": the steps' bounds).
template <TrialDivisionLanes Lanes>
[[gnu::always_inline]] inline int32_t trial_division(int32_t x) {
    if (x <= 1) return 0;
    if (x == 2) return 1;
    if ((x & 1) == 0) return 0;
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
    constexpr int32_t kFirstStepLargest = 2 * Lanes::kWidth * Lanes::kFirstStepBlocks + 1;
    if (x >= kFirstStepLargest * kFirstStepLargest) {
        const bool found = any_divisor(Lanes::kFirstStepBlocks, [&](auto d) {
            if constexpr (std::derived_from<Lanes, OneTestForEveryStep>) {
                return Lanes::divisor_lanes(dividend, d);
            } else {
                return Lanes::first_step_divisor_lanes(dividend, d);
            }
        });
        if (__builtin_expect(found, 1)) return 0;
    }
    const int32_t limit = truncated_sqrt(x);
    constexpr int32_t kRatio = Lanes::kLargeCandidateRatio;
    // The product step_smallest * kRatio below must fit in an Integer: the
    // candidate stays at most the limit, whose bound follows from
    // kExactBelow.
    static_assert(int64_t{square_root_below(Lanes::kExactBelow)} * kRatio <= INT32_MAX,
                  "step_smallest * kRatio could overflow");
    const auto small_candidates = [&] { return kRatio == 0 || step_smallest * kRatio < x; };
    const auto large_candidate_lanes = [&](auto d) {
        if constexpr (kRatio > 0) {
            return Lanes::large_candidate_divisor_lanes(dividend, d);
        } else {
            return Lanes::divisor_lanes(dividend, d);  // never reached: every candidate is small
        }
    };
    while (step_smallest + kStepSpan - 2 <= limit && small_candidates()) {
        if (any_divisor(Lanes::kBlocksPerStep,
                        [&](auto d) { return Lanes::divisor_lanes(dividend, d); }))
            return 0;
    }
    while (step_smallest + kStepSpan - 2 <= limit) {
        if (any_divisor(Lanes::kBlocksPerStep, large_candidate_lanes)) return 0;
    }
    if (step_smallest <= limit) {
        const auto bound = Lanes::splat(limit | 1);
        const bool small = small_candidates();
        if (any_divisor(Lanes::kBlocksPerStep, [&](auto d) {
                const auto clamped = Lanes::min(d, bound);
                return small ? Lanes::divisor_lanes(dividend, clamped)
                             : large_candidate_lanes(clamped);
            })) {
            return 0;
        }
    }
    return 1;
}

// Runs test(x) under the default floating-point control. x passes through
// an empty volatile asm after the control is set, and the verdict before it
// is restored, so no arithmetic on either can be moved across the writes.
template <class Test>
[[gnu::always_inline]] inline int32_t under_default_float_control(int32_t x, Test test) {
    const DefaultFloatControl control;
    asm volatile("" : "+r"(x));
    int32_t verdict = test(x);
    asm volatile("" : "+r"(verdict));
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
    const DefaultFloatControl control;
    for (int32_t x = kRangeFirst; x <= kRangeLast; ++x) sink_verdict(trial_division<Floats>(x));
}

}  // namespace
}  // namespace primes
