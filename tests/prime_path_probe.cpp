// SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
// Prints each path of the table with the instruction sets it names, whether
// this CPU runs it and whether it is preferred here, then the path chosen
// and the number of primes it finds in the benchmark range: what a CPU's
// choice is checked by.
#include <cstdio>

#include "benchmark_range.h"
#include "prime_paths.h"

int main() {
    for (const primes::PrimePath& path : primes::prime_paths()) {
        const bool runs = primes::cpu_runs(path);
        const char* preferred = path.preferred == nullptr ? "general"
                                : !runs                   ? "unknown"
                                : path.preferred()        ? "preferred"
                                                          : "not-preferred";
        std::printf("path %s %s %s [%s]\n", path.name, runs ? "runs" : "cannot-run", preferred,
                    path.instruction_sets);
    }
    const primes::PrimePath& chosen = primes::fastest_prime_path();
    int count = 0;
    for (int32_t x = primes::kRangeFirst; x <= primes::kRangeLast; ++x) count += chosen.is_prime(x);
    std::printf("chosen %s %d\n", chosen.name, count);
    return 0;
}
