// SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
#pragma once

#include <cstdint>

namespace primes {

// The Integers that one run of the benchmark tests, in ascending order.
inline constexpr int32_t kRangeFirst = 1;
inline constexpr int32_t kRangeLast = 1'999'999;

// What one run of the benchmark loop visited, for checking its bounds: the
// first and last Integers tested, how many, and how many were prime.
struct RangeTally {
    int32_t first = 0;
    int32_t last = 0;
    int32_t count = 0;
    int32_t primes = 0;
    // No member functions: one would have external linkage and be compiled,
    // at -O0 out of line, into each per-instruction-set object.
};

}  // namespace primes
