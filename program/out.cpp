// SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
// The benchmark program: tests every Integer of the range for primality and
// drops each verdict. It reads nothing, writes nothing and exits with 0.
#include "is_prime.h"
#include "prime_paths.h"

namespace {

using IsPrime = int32_t (*)(int32_t);

}  // namespace

extern "C" {

#if defined(__aarch64__)
// One path on this architecture, so nothing to choose at load time.
int32_t isPrime_$_Integer(int32_t x) {
    return primes::is_prime_neon(x);
}
#else
// Run once by the dynamic loader, before any constructor: the CPU model that
// __builtin_cpu_supports reads is not filled in yet, so it is filled here.
// Nothing here may be instrumented by a sanitizer, whose runtime is not up.
// Not static: Clang finds an ifunc's resolver by its symbol name. Hidden, as
// everything not marked for export is.
__attribute__((no_sanitize("address", "undefined"))) IsPrime resolve_is_prime() {
    __builtin_cpu_init();
    return primes::fastest_prime_path().is_prime;
}

// The fastest path's test, bound once at load time as an indirect function.
int32_t isPrime_$_Integer(int32_t x) __attribute__((ifunc("resolve_is_prime")));
#endif

}  // extern "C"

int main() {
    // The path is chosen once; the loop over the range runs inside it.
    primes::fastest_prime_path().run_range();
    return 0;
}
