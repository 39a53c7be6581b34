// SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
#pragma once

#include <cstdint>

namespace primes {

// Trial division with one integer remainder per odd candidate: the plain
// form that the benchmarks time every path against. 1 if x is prime, 0
// otherwise, for every 32-bit x.
int32_t is_prime_scalar(int32_t x);

}  // namespace primes
