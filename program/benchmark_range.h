// SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
#pragma once

#include <cstdint>

namespace primes {

// The Integers that one run of the benchmark tests, in ascending order.
inline constexpr int32_t kRangeFirst = 1;
inline constexpr int32_t kRangeLast = 1'999'999;

}  // namespace primes
