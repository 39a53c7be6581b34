// SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
// The benchmark program: tests every Integer of the range for primality and
// drops each verdict. It reads nothing, writes nothing and exits with 0.
// The exported isPrime_$_Integer is defined in exported_is_prime.cpp.
#include "prime_paths.h"

int main() {
    // The path is chosen once; the loop over the range runs inside it.
    primes::fastest_prime_path().run_range();
    return 0;
}
