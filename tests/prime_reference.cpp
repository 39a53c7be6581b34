// SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
#include "prime_reference.h"

#include <cstddef>

namespace primes::testing {

std::vector<bool> sieve_up_to(int32_t last) {
    const auto size = static_cast<std::size_t>(last) + 1;
    std::vector<bool> sieve(size, true);
    sieve[0] = false;
    if (size > 1) sieve[1] = false;
    for (std::size_t p = 2; p * p < size; ++p) {
        if (!sieve[p]) continue;
        for (std::size_t multiple = p * p; multiple < size; multiple += p) sieve[multiple] = false;
    }
    return sieve;
}

ReferencePrimality::ReferencePrimality() {
    const auto sieve = sieve_up_to(46'341);
    for (int32_t n = 2; n <= 46'341; ++n) {
        if (sieve[static_cast<std::size_t>(n)]) small_primes_.push_back(n);
    }
}

bool ReferencePrimality::is_prime(int64_t x) const {
    if (x < 2) return false;
    for (int64_t p : small_primes_) {
        if (p * p > x) break;
        if (x % p == 0) return false;
    }
    return true;
}

}  // namespace primes::testing
