// SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
// Prints the path that this CPU runs and the number of primes it finds in the
// benchmark range, so that an emulated CPU's choice can be checked.
#include <cstdio>

#include "benchmark_range.h"
#include "prime_paths.h"

int main() {
    const primes::PrimePath& path = primes::fastest_prime_path();
    int count = 0;
    for (int32_t x = primes::kRangeFirst; x <= primes::kRangeLast; ++x) count += path.is_prime(x);
    std::printf("%s %d\n", path.name, count);
    return 0;
}
