// SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
#include "prime_implementations.h"

#include "is_prime_scalar.h"
#include "prime_paths.h"

namespace primes::testing {

std::vector<PrimeImplementation> prime_implementations() {
    std::vector<PrimeImplementation> all{{"scalar", &is_prime_scalar, true}};
    for (const PrimePath& path : prime_paths()) {
        all.push_back({path.name, path.is_prime, cpu_runs(path)});
    }
    return all;
}

}  // namespace primes::testing
