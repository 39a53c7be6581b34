// The benchmark program: tests every Integer of the range for primality and
// drops each verdict. It reads nothing, writes nothing and exits with 0.
#include "benchmark_range.h"
#include "is_prime.h"
#include "is_prime_scalar.h"
#include "verdict_sink.h"

extern "C" int32_t isPrime_$_Integer(int32_t x) {
    return primes::is_prime_scalar(x);
}

int main() {
    for (int32_t x = primes::kRangeFirst; x <= primes::kRangeLast; ++x) {
        primes::sink_verdict(isPrime_$_Integer(x));
    }
    return 0;
}
