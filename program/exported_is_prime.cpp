// SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
// The exported isPrime_$_Integer: a plain function that calls the fastest
// path's test through a pointer chosen on its first call in the process.
// Not a loader-bound indirect function: the loader cannot bind one defined in
// the executable for a library relocated before it (a preloaded library
// linked with immediate binding, say), and would refuse to start the program.
#include <atomic>

#include "is_prime.h"
#include "prime_paths.h"

namespace {

using IsPrime = int32_t (*)(int32_t);

// Null until the first call. Every thread that finds it null chooses the
// same path and stores the same pointer, so relaxed order suffices.
std::atomic<IsPrime> chosen_test{nullptr};

// Out of line: the common call stays a load and an indirect call.
[[gnu::noinline, gnu::cold]] IsPrime choose_test() {
#if defined(__x86_64__)
    // The CPU model that __builtin_cpu_supports reads is filled in by a
    // constructor, which may not have run yet when another library's
    // constructor calls here; filling it in again is harmless.
    __builtin_cpu_init();
#endif
    const IsPrime test = primes::fastest_prime_path().is_prime;
    chosen_test.store(test, std::memory_order_relaxed);
    return test;
}

}  // namespace

extern "C" int32_t isPrime_$_Integer(int32_t x) {
    IsPrime test = chosen_test.load(std::memory_order_relaxed);
    if (__builtin_expect(test == nullptr, 0)) test = choose_test();
    return test(x);
}
