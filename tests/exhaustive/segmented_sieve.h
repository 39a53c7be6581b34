// SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
#pragma once

#include <cstdint>
#include <vector>

namespace verify {

// The primes of any stretch of the 32-bit Integers, by a segmented sieve of
// Eratosthenes: each stretch is crossed off by the primes up to 46,341
// (the square root of 2^31), so any stretch costs about its length.
class SegmentedSieve {
  public:
    SegmentedSieve();

    // primes[i] = 1 when first + i is prime, 0 otherwise, for every Integer
    // from first to last; negative Integers, 0 and 1 are not prime.
    void sieve(int64_t first, int64_t last, std::vector<uint8_t>& primes) const;

  private:
    std::vector<uint32_t> base_primes_;
};

}  // namespace verify
