// SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
// The portable path, for every 64-bit CPU without one of its own: plain C++
// over arrays of floats or doubles, no intrinsics, which the compiler maps
// onto whatever the target has. Every lane divides, which decides exactly
// (docs/exactness.md), so no architecture's reciprocal
// estimate is needed.
#include <cstddef>
#include <cstdint>

#include "inverse_first_step.h"
#include "prime_paths.h"
#include "trial_division_kernel.h"

namespace primes {
namespace {

template <class Number, int32_t kLaneCount, class FirstStepKind, int kBlocks, int64_t kExactBound>
struct PortableLanes : OneTestForEveryStep {
    static constexpr int64_t kExactBelow = kExactBound;
    using Vector = PlainLanes<Number, static_cast<std::size_t>(kLaneCount)>;
    static constexpr int32_t kWidth = kLaneCount;
    using FirstStep = FirstStepKind;
    static constexpr int kBlocksPerStep = kBlocks;
    static Vector splat(int32_t value) {
        Vector lanes;
        for (Number& lane : lanes.lane) lane = static_cast<Number>(value);
        return lanes;
    }
    static Vector initial_candidates() {
        Vector lanes;
        for (int32_t i = 0; i < kWidth; ++i) lanes.lane[i] = static_cast<Number>(2 * i + 3);
        return lanes;
    }
    static Vector add(Vector a, Vector b) {
        for (int32_t i = 0; i < kWidth; ++i) a.lane[i] += b.lane[i];
        return a;
    }
    static Vector min(Vector a, Vector b) {
        for (int32_t i = 0; i < kWidth; ++i)
            a.lane[i] = b.lane[i] < a.lane[i] ? b.lane[i] : a.lane[i];
        return a;
    }
    // The quotient is below 2^31, so its truncation fits an Integer.
    static unsigned divisor_lanes(Vector x, Vector d) {
        unsigned found = 0;
        for (int32_t i = 0; i < kWidth; ++i) {
            const Number quotient = x.lane[i] / d.lane[i];
            const Number whole = static_cast<Number>(static_cast<int32_t>(quotient));
            found |= static_cast<unsigned>(quotient == whole);
        }
        return found;
    }
};

using PortableFloats =
    PortableLanes<float, 4, InverseFirstStep<ScalarIntegerOps, 32, kFloatDivisionExactBelow>, 1,
                  kFloatDivisionExactBelow>;
using PortableDoubles = PortableLanes<double, 4, FirstStepInLanes<2>, 2, kAboveEveryInteger>;

// This source's paths, as prime_paths.h describes them.
constexpr PrimePath kPaths[] = {
    {.name = "generic",
     .instruction_sets = "",
     .first_step_candidates = first_step_candidates<PortableFloats>(),
     .is_prime = &is_prime_on_path<PortableFloats, PortableDoubles>,
     .run_range = &run_benchmark_range<PortableFloats>,
     .preferred = nullptr},
};

}  // namespace

extern const PathList generic_paths = kPaths;

}  // namespace primes
