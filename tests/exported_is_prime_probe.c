/* SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception */
/* Loaded into the real executable with LD_PRELOAD: before its main runs,
 * checks the verdicts of the isPrime_$_Integer that the executable exports,
 * bound by the loader as any program alongside would bind it, and prints
 * where in the executable that binding points (for the path check). Ends the
 * process itself: status 0 when every verdict is right. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdint.h>
#include <stdio.h>
#include <unistd.h>

typedef int32_t (*IsPrime)(int32_t);

/* Plain trial division in 64-bit arithmetic. */
static int reference_is_prime(int64_t x) {
    if (x < 2) return 0;
    if (x % 2 == 0) return x == 2;
    for (int64_t d = 3; d * d <= x; d += 2) {
        if (x % d == 0) return 0;
    }
    return 1;
}

static long mismatches;
static long primes;

static void check_range(IsPrime is_prime, int64_t first, int64_t last) {
    for (int64_t x = first; x <= last; ++x) {
        const int expected = reference_is_prime(x);
        primes += expected;
        if (is_prime((int32_t)x) != expected) {
            if (mismatches < 5) printf("mismatch at %lld\n", (long long)x);
            ++mismatches;
        }
    }
}

__attribute__((constructor)) static void probe_exported_is_prime(void) {
    const IsPrime is_prime = (IsPrime)dlsym(RTLD_DEFAULT, "isPrime_$_Integer");
    Dl_info where;
    if (is_prime == NULL || dladdr((void*)is_prime, &where) == 0) {
        printf("isPrime_$_Integer is not exported\n");
        _exit(1);
    }
    /* Every kind of lane and every switch between them, and both ends. */
    check_range(is_prime, -1000, 100000);
    check_range(is_prime, (1 << 22) - 2000, (1 << 22) + 2000);
    check_range(is_prime, (1 << 24) - 2000, (1 << 24) + 2000);
    check_range(is_prime, INT32_MAX - 2000, INT32_MAX);
    check_range(is_prime, INT32_MIN, INT32_MIN + 100);
    printf("offset %lx primes %ld mismatches %ld\n",
           (unsigned long)((const char*)is_prime - (const char*)where.dli_fbase), primes,
           mismatches);
    fflush(stdout);
    _exit(mismatches == 0 ? 0 : 1);
}
