#include "prime_implementations.h"

#include "is_prime_scalar.h"

namespace primes::testing {

std::vector<PrimeImplementation> prime_implementations() {
    return {
        {"scalar", &is_prime_scalar, true},
    };
}

}  // namespace primes::testing
