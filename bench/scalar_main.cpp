// SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
// The benchmark program built from the plain scalar form: the baseline that
// the real executable is timed against.
#include "benchmark_range.h"
#include "is_prime_scalar.h"
#include "verdict_sink.h"

int main() {
    for (int32_t x = primes::kRangeFirst; x <= primes::kRangeLast; ++x) {
        primes::sink_verdict(primes::is_prime_scalar(x));
    }
    return 0;
}
