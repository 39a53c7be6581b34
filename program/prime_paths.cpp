// SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
#include "prime_paths.h"

namespace primes {
namespace {

bool always() {
    return true;
}

#if defined(__aarch64__)
// Every 64-bit Arm CPU has NEON (Advanced SIMD) with fused multiply-adds.
constexpr PrimePath kPaths[] = {
    {"neon", &always, &is_prime_neon, &run_range_neon, &tally_range_neon, kFirstStepCandidatesNeon},
};
#else
// __builtin_cpu_supports also checks that the operating system saves the
// wider registers (XGETBV), not only that the CPU has the instructions.
// Each checks every instruction set its path's source is compiled for
// (program/CMakeLists.txt).
bool has_avx2_and_fma() {
    return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
}
bool has_avx512() {
    return has_avx2_and_fma() && __builtin_cpu_supports("avx512f");
}

constexpr PrimePath kPaths[] = {
    {"sse2", &always, &is_prime_sse2, &run_range_sse2, &tally_range_sse2, kFirstStepCandidatesSse2},
    {"avx2", &has_avx2_and_fma, &is_prime_avx2, &run_range_avx2, &tally_range_avx2,
     kFirstStepCandidatesAvx2},
    {"avx512", &has_avx512, &is_prime_avx512, &run_range_avx512, &tally_range_avx512,
     kFirstStepCandidatesAvx512},
};
#endif

}  // namespace

std::span<const PrimePath> prime_paths() {
    return kPaths;
}

const PrimePath& fastest_prime_path() {
    // A few reads of the CPU model that the runtime fills in at start-up
    // (the exported test fills it in itself when called before that).
    const PrimePath* fastest = &kPaths[0];
    for (const PrimePath& path : kPaths) {
        if (path.supported()) fastest = &path;
    }
    return *fastest;
}

}  // namespace primes
