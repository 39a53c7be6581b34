// SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
#pragma once

#include <cstdint>
#include <vector>

namespace primes::testing {

// Sieve of Eratosthenes: sieve[n] is true when n is prime, for 0 <= n <= last.
std::vector<bool> sieve_up_to(int32_t last);

// An independent verdict for any 32-bit Integer: division by the sieved primes
// up to the square root, computed in 64-bit arithmetic.
class ReferencePrimality {
  public:
    ReferencePrimality();
    bool is_prime(int64_t x) const;

  private:
    std::vector<int64_t> small_primes_;  // every prime p with p * p <= 2^31
};

}  // namespace primes::testing
