// Time of one whole benchmark range, 1..1,999,999, per primality implementation.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "benchmark_range.h"
#include "is_prime_scalar.h"

namespace {

template <int32_t (*IsPrime)(int32_t)>
void whole_range(benchmark::State& state) {
    for (auto _ : state) {
        for (int32_t x = primes::kRangeFirst; x <= primes::kRangeLast; ++x) {
            benchmark::DoNotOptimize(IsPrime(x));
        }
    }
    state.SetItemsProcessed(state.iterations() * (primes::kRangeLast - primes::kRangeFirst + 1));
}

BENCHMARK(whole_range<primes::is_prime_scalar>)
    ->Name("range/scalar")
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
