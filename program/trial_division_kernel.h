// SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
#pragma once
// Trial division that decides several odd candidates per step with packed
// floating-point arithmetic: a division, or on the AVX2, AVX-512 and NEON
// paths for some lanes a quotient from a reciprocal estimate. On the float
// lanes the first step, whose candidates are fixed, is decided apart by
// integer inverses (inverse_first_step.h). Included only
// by the per-instruction-set sources; each supplies its own Lanes types. Why
// every test decides divisibility exactly, and why the steps below test
// every odd candidate up to the square root and no further: docs/exactness.md.
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

// Declares a Lanes type that decides every step after the first by
// divisor_lanes(), with no cheaper test for large candidates.
struct OneTestForEveryStep {
    static constexpr int32_t kLargeCandidateRatio = 0;
};

// The first step, whose exit is the branch mispredicted most, decided in the
// lanes like the later steps: kBlocks blocks of kWidth candidates.
template <int kBlocks>
struct FirstStepInLanes {
    static constexpr int kBlockCount = kBlocks;
};

// The first step decided apart from the lanes, before any floating-point
// work, for dividends below kDividendBound (inverse_first_step.h).
template <class Step>
concept FirstStepApart = requires(int32_t x) {
    { Step::has_divisor(x) } -> std::same_as<bool>;
    { Step::kCandidateCount } -> std::convertible_to<int>;
    { Step::kDividendBound } -> std::convertible_to<int64_t>;
};

// Whether a first step suits Lanes: apart, for all of their dividends; or
// in lanes, of at least one block.
template <class Step, int64_t kExactBelow>
constexpr bool suits_lanes() {
    if constexpr (FirstStepApart<Step>) {
        return Step::kDividendBound >= kExactBelow;
    } else {
        return Step::kBlockCount > 0;
    }
}

template <class Lanes>
concept TrialDivisionLanes = requires(typename Lanes::Vector v, int32_t value) {
    // The packed type and its number of lanes.
    typename Lanes::Vector;
    { Lanes::kWidth } -> std::convertible_to<int32_t>;
    // The lanes decide exactly every dividend x with 0 < x < kExactBelow.
    { Lanes::kExactBelow } -> std::convertible_to<int64_t>;
    // How the first step is decided: FirstStepInLanes or FirstStepApart.
    typename Lanes::FirstStep;
    // Blocks of kWidth candidates decided before each early exit after the
    // first step.
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
&&Lanes::kWidth > 0 && Lanes::kBlocksPerStep > 0 && Lanes::kLargeCandidateRatio >= 0 &&
    suits_lanes<typename Lanes::FirstStep, Lanes::kExactBelow>() &&
    // The same for steps of large candidates, more cheaply: required exactly
    // when R is given, so that a misspelt or renamed member fails to compile
    // rather than go unused.
    ((Lanes::kLargeCandidateRatio > 0) == requires(typename Lanes::Vector v) {
        { Lanes::large_candidate_divisor_lanes(v, v) } -> std::same_as<unsigned>;
    });

// Lanes kept as two registers, so that two kinds of test work at once.
template <class Register>
struct RegisterPair {
    Register low;
    Register high;
};

// kCount lanes, aligned for loads of every lane.
template <class Number, int kCount>
struct AlignedLanes {
    alignas(64) Number lane[static_cast<std::size_t>(kCount)];
};

// value(d) for each odd candidate d = 3, 5, ..., 2 kCount + 1, in order.
template <class Number, int kCount, class Value>
constexpr AlignedLanes<Number, kCount> for_first_odd(Value value) {
    AlignedLanes<Number, kCount> lanes{};
    for (int i = 0; i < kCount; ++i) lanes.lane[i] = value(2 * i + 3);
    return lanes;
}

// The odd candidates themselves: kFirstOdd<Number, kWidth>.lane holds as
// many as the lanes read.
template <class Number, int kCount>
constexpr AlignedLanes<Number, kCount> kFirstOdd = for_first_odd<Number, kCount>([](int d) {
    return static_cast<Number>(d);
});

// Float lanes that divide decide exactly every dividend below this.
constexpr int64_t kFloatDivisionExactBelow = int64_t{1} << 24;
// Above every Integer: the bound of the double lanes, which decide them all.
constexpr int64_t kAboveEveryInteger = int64_t{INT32_MAX} + 1;

// Candidates decided before the first early exit, as the path table reports.
template <TrialDivisionLanes Lanes>
constexpr int first_step_candidates() {
    using FirstStep = typename Lanes::FirstStep;
    if constexpr (FirstStepApart<FirstStep>) {
        return FirstStep::kCandidateCount;
    } else {
        return Lanes::kWidth * FirstStep::kBlockCount;
    }
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

// 1 if odd x >= 3 is prime, 0 otherwise, for x < Lanes::kExactBelow, by
// trial division on Lanes; a first step apart has been decided already,
// and found no divisor, when x is at least its largest candidate's square.
// Decides kBlocksPerStep blocks of Lanes::kWidth candidates before each
// early-exit branch: fewer branches, at the price of a little work past the
// first divisor.
//
// No early exit but the last step's waits for the square root, which
// shortens every mispredicted exit: the first step runs when its largest
// candidate's square is at most x, a comparison with a constant, and only
// the last step, the one that can reach past the limit, has its candidates
// clamped to it (docs/exactness.md, "The steps' bounds").
template <TrialDivisionLanes Lanes>
[[gnu::always_inline]] inline int32_t steps_in_lanes(int32_t x) {
    using FirstStep = typename Lanes::FirstStep;
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
    constexpr int32_t kFirstStepLargest = 2 * first_step_candidates<Lanes>() + 1;
    if (x >= kFirstStepLargest * kFirstStepLargest) {
        if constexpr (FirstStepApart<FirstStep>) {
            candidates = Lanes::add(candidates, Lanes::splat(kFirstStepLargest - 1));
            step_smallest = kFirstStepLargest + 2;
        } else {
            // Most odd x have a small divisor, so the first step ends most
            // tests; laid out for that.
            const bool found = any_divisor(
                FirstStep::kBlockCount, [&](auto d) { return Lanes::divisor_lanes(dividend, d); });
            if (__builtin_expect(found, 1)) return 0;
        }
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

// Runs steps(x) under the control the caller has set.
struct UnderCallersFloatControl {
    template <class Steps>
    [[gnu::always_inline]] int32_t operator()(int32_t x, Steps steps) const {
        return steps(x);
    }
};

// Runs steps(x) under the default floating-point control. x passes through
// an empty volatile asm after the control is set, and the verdict before it
// is restored, so no arithmetic on either can be moved across the writes.
struct UnderDefaultFloatControl {
    template <class Steps>
    [[gnu::always_inline]] int32_t operator()(int32_t x, Steps steps) const {
        const DefaultFloatControl control;
        asm volatile("" : "+r"(x));
        int32_t verdict = steps(x);
        asm volatile("" : "+r"(verdict));
        return verdict;
    }
};

// 1 if x is prime, 0 otherwise, for x < Lanes::kExactBelow: a first step
// apart, which reads no floating-point control, then the steps in lanes
// under the control that under_float_control sets.
template <TrialDivisionLanes Lanes, class UnderFloatControl>
[[gnu::always_inline]] inline int32_t trial_division(int32_t x,
                                                     UnderFloatControl under_float_control) {
    if (x <= 1) return 0;
    if (x == 2) return 1;
    if ((x & 1) == 0) return 0;
    using FirstStep = typename Lanes::FirstStep;
    if constexpr (FirstStepApart<FirstStep>) {
        // Most odd x have a small divisor, so the first step ends most
        // tests; laid out for that.
        constexpr int32_t kLargest = 2 * FirstStep::kCandidateCount + 1;
        if (x >= kLargest * kLargest && __builtin_expect(FirstStep::has_divisor(x), 1)) return 0;
    }
    return under_float_control(x, [](int32_t n) { return steps_in_lanes<Lanes>(n); });
}

// A path's test for every Integer: float lanes below their exact bound,
// double lanes above it, each under the default floating-point control.
template <TrialDivisionLanes Floats, TrialDivisionLanes Doubles>
inline int32_t is_prime_on_path(int32_t x) {
    static_assert(Doubles::kExactBelow > INT32_MAX);
    return x < Floats::kExactBelow ? trial_division<Floats>(x, UnderDefaultFloatControl{})
                                   : trial_division<Doubles>(x, UnderDefaultFloatControl{});
}

// The benchmark loop on one path, with the test inlined into it: each
// verdict dropped into the sink. The floating-point control is set once
// around the whole loop: the sink takes each verdict by volatile asm, before
// the caller's control comes back.
template <TrialDivisionLanes Floats>
inline void run_benchmark_range() {
    static_assert(kRangeLast < Floats::kExactBelow);
    const DefaultFloatControl control;
    for (int32_t x = kRangeFirst; x <= kRangeLast; ++x)
        sink_verdict(trial_division<Floats>(x, UnderCallersFloatControl{}));
}

}  // namespace
}  // namespace primes
