// SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
// Time of one whole benchmark range, 1..1,999,999, per primality implementation.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "benchmark_range.h"
#include "is_prime_scalar.h"
#include "prime_paths.h"

namespace {

void whole_range(benchmark::State& state, int32_t (*is_prime)(int32_t)) {
    for (auto _ : state) {
        for (int32_t x = primes::kRangeFirst; x <= primes::kRangeLast; ++x) {
            benchmark::DoNotOptimize(is_prime(x));
        }
    }
    state.SetItemsProcessed(state.iterations() * (primes::kRangeLast - primes::kRangeFirst + 1));
}

// The loop as the executable runs it: chosen once, inlined into the path.
void whole_range_on_path(benchmark::State& state, void (*run_range)()) {
    for (auto _ : state) run_range();
    state.SetItemsProcessed(state.iterations() * (primes::kRangeLast - primes::kRangeFirst + 1));
}

void register_all() {
    benchmark::RegisterBenchmark("range/scalar", whole_range, &primes::is_prime_scalar)
        ->Unit(benchmark::kMillisecond);
    for (const primes::PrimePath& path : primes::prime_paths()) {
        if (!primes::cpu_runs(path)) continue;  // not runnable here; reported by the tests
        const std::string name = path.name;
        benchmark::RegisterBenchmark(("range/" + name + "/call").c_str(), whole_range,
                                     path.is_prime)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("range/" + name + "/loop").c_str(), whole_range_on_path,
                                     path.run_range)
            ->Unit(benchmark::kMillisecond);
    }
}

}  // namespace

int main(int argc, char** argv) {
    // What the executable runs on this CPU, in the report's header.
    const primes::PrimePath& fastest = primes::fastest_prime_path();
    benchmark::AddCustomContext("primebench path", fastest.name);
    benchmark::AddCustomContext("first step",
                                std::to_string(fastest.first_step_candidates) + " candidates");
    register_all();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
