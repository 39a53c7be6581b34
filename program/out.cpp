// The benchmark program: tests every Integer of the range for primality and
// drops each verdict. It reads nothing, writes nothing and exits with 0.
#include "is_prime.h"
#include "prime_paths.h"

extern "C" int32_t isPrime_$_Integer(int32_t x) {
    return primes::fastest_prime_path().is_prime(x);
}

int main() {
    // The path is chosen once; the loop over the range runs inside it.
    primes::fastest_prime_path().run_range();
    return 0;
}
