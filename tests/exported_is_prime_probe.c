/* SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception */
/* Preloaded into the real executable with LD_PRELOAD. It binds the
 * isPrime_$_Integer that the executable exports eagerly, as a pointer in its
 * own data and (like every library built here) with immediate binding, so
 * the loader resolves it before the executable is relocated. Its constructor,
 * before the executable's own, checks the verdicts under each of the four
 * rounding modes and restores the mode; on a wrong verdict it writes it to
 * standard error and aborts. Otherwise it writes nothing, and the executable
 * must run as it does alone. */
#include <fenv.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

typedef int32_t (*IsPrime)(int32_t);

extern int32_t exported_is_prime(int32_t x) __asm__("isPrime_$_Integer");
/* Relocated when this library is loaded. */
static IsPrime const bound_is_prime = &exported_is_prime;

/* Plain trial division in 64-bit arithmetic. */
static int reference_is_prime(int64_t x) {
    if (x < 2) return 0;
    if (x % 2 == 0) return x == 2;
    for (int64_t d = 3; d * d <= x; d += 2) {
        if (x % d == 0) return 0;
    }
    return 1;
}

static void check_range(int64_t first, int64_t last, const char* mode) {
    for (int64_t x = first; x <= last; ++x) {
        if (bound_is_prime((int32_t)x) != reference_is_prime(x)) {
            fprintf(stderr, "isPrime_$_Integer(%lld) is wrong under %s\n", (long long)x, mode);
            abort();
        }
    }
}

__attribute__((constructor)) static void probe_exported_is_prime(void) {
    static const struct {
        int mode;
        const char* name;
    } modes[] = {{FE_TONEAREST, "FE_TONEAREST"},
                 {FE_DOWNWARD, "FE_DOWNWARD"},
                 {FE_UPWARD, "FE_UPWARD"},
                 {FE_TOWARDZERO, "FE_TOWARDZERO"}};
    /* Integers wrong under a directed mode before the tests set the mode
     * themselves: 16671 = 3 * 5557, 4227 = 3 * 1409, 1999999 = 17 * 117647,
     * and the prime 12582919. */
    static const int32_t sensitive[] = {16671, 4227, 1999999, 12582919};
    for (size_t m = 0; m < sizeof modes / sizeof modes[0]; ++m) {
        if (fesetround(modes[m].mode) != 0) abort();
        for (size_t i = 0; i < sizeof sensitive / sizeof sensitive[0]; ++i)
            check_range(sensitive[i], sensitive[i], modes[m].name);
        /* Every kind of lane and every switch between them, and both ends. */
        check_range(-1000, 30000, modes[m].name);
        check_range((1 << 22) - 1000, (1 << 22) + 1000, modes[m].name);
        check_range((1 << 24) - 1000, (1 << 24) + 1000, modes[m].name);
        check_range(INT32_MAX - 1000, INT32_MAX, modes[m].name);
        check_range(INT32_MIN, INT32_MIN + 100, modes[m].name);
        if (fegetround() != modes[m].mode) {
            fprintf(stderr, "isPrime_$_Integer did not restore %s\n", modes[m].name);
            abort();
        }
    }
    fesetround(FE_TONEAREST);
}
