// SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
#include "is_prime_scalar.h"

#include "truncated_sqrt.h"

namespace primes {

int32_t is_prime_scalar(int32_t x) {
    if (x <= 1) return 0;
    if (x == 2) return 1;
    if ((x & 1) == 0) return 0;
    const int32_t limit = truncated_sqrt(x);
    // limit <= 46340, so the candidate never overflows.
    for (int32_t candidate = 3; candidate <= limit; candidate += 2) {
        if (x % candidate == 0) return 0;
    }
    return 1;
}

}  // namespace primes
