// SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
#include "prime_paths.h"

namespace primes {
namespace {

// The choice also runs inside the loader's resolver of the exported test,
// before a sanitizer's runtime is up, so none of it is instrumented.
#define PRIMEBENCH_UNINSTRUMENTED __attribute__((no_sanitize("address", "undefined")))

PRIMEBENCH_UNINSTRUMENTED bool always() {
    return true;
}

#if defined(__aarch64__)
// Every 64-bit Arm CPU has NEON (Advanced SIMD) with fused multiply-adds.
constexpr PrimePath kPaths[] = {
    {"neon", &always, &is_prime_neon, &run_range_neon, &tally_range_neon},
};
#else
// __builtin_cpu_supports also checks that the operating system saves the
// wider registers (XGETBV), not only that the CPU has the instructions.
// The AVX2 path also refines reciprocals with fused multiply-adds.
PRIMEBENCH_UNINSTRUMENTED bool has_avx2_and_fma() {
    return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
}
PRIMEBENCH_UNINSTRUMENTED bool has_avx512() {
    return __builtin_cpu_supports("avx512f");
}

constexpr PrimePath kPaths[] = {
    {"sse2", &always, &is_prime_sse2, &run_range_sse2, &tally_range_sse2},
    {"avx2", &has_avx2_and_fma, &is_prime_avx2, &run_range_avx2, &tally_range_avx2},
    {"avx512", &has_avx512, &is_prime_avx512, &run_range_avx512, &tally_range_avx512},
};
#endif

}  // namespace

std::span<const PrimePath> prime_paths() {
    return kPaths;
}

PRIMEBENCH_UNINSTRUMENTED const PrimePath& fastest_prime_path() {
    // A few reads of the CPU model that the runtime fills in at start-up
    // (a loader's resolver fills it in itself first): nothing to guard.
    const PrimePath* fastest = &kPaths[0];
    for (const PrimePath& path : kPaths) {
        if (path.supported()) fastest = &path;
    }
    return *fastest;
}

}  // namespace primes
