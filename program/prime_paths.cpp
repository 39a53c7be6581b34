// SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
#include "prime_paths.h"

#if defined(__x86_64__)
#include <cpuid.h>

#include "path_dispatch_tests.h"
#endif

namespace primes {
namespace {

bool always() {
    return true;
}

#if defined(__aarch64__)
// Every 64-bit Arm CPU has NEON (Advanced SIMD) with fused multiply-adds.
constexpr PrimePath kPaths[] = {
    {"generic", &always, &is_prime_generic, &run_range_generic, kFirstStepCandidatesGeneric,
     nullptr},
    {"neon", &always, &is_prime_neon, &run_range_neon, kFirstStepCandidatesNeon, nullptr},
};
#elif defined(__x86_64__)
// __builtin_cpu_supports, in the generated cpu_runs_avx2() and
// cpu_runs_avx512(), also checks that the operating system saves the wider
// registers (XGETBV), not only that the CPU has the instructions.
// AMD family 19h with AVX-512: Zen 4, which runs each 512-bit operation as
// two 256-bit halves (Zen 3, the same family, has no AVX-512).
bool is_zen4() {
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (__get_cpuid(0, &eax, &ebx, &ecx, &edx) == 0) return false;
    // "AuthenticAMD", in EBX, EDX, ECX.
    const bool amd = ebx == 0x68747541 && edx == 0x69746e65 && ecx == 0x444d4163;
    if (!amd || __get_cpuid(1, &eax, &ebx, &ecx, &edx) == 0) return false;
    const unsigned base_family = (eax >> 8) & 0xf;
    const unsigned family = base_family == 0xf ? base_family + ((eax >> 20) & 0xff) : base_family;
    return family == 0x19;
}

constexpr PrimePath kPaths[] = {
    {"generic", &always, &is_prime_generic, &run_range_generic, kFirstStepCandidatesGeneric,
     nullptr},
    {"sse2", &always, &is_prime_sse2, &run_range_sse2, kFirstStepCandidatesSse2, nullptr},
    {"avx2", &cpu_runs_avx2, &is_prime_avx2, &run_range_avx2, kFirstStepCandidatesAvx2, nullptr},
    {"avx512", &cpu_runs_avx512, &is_prime_avx512, &run_range_avx512, kFirstStepCandidatesAvx512,
     nullptr},
    {"avx512_zen4", &cpu_runs_avx512, &is_prime_avx512_zen4, &run_range_avx512_zen4,
     kFirstStepCandidatesAvx512Zen4, &is_zen4},
};
#else
// No vector path of its own: the portable one.
constexpr PrimePath kPaths[] = {
    {"generic", &always, &is_prime_generic, &run_range_generic, kFirstStepCandidatesGeneric,
     nullptr},
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
        if (path.supported() && (path.suits == nullptr || path.suits())) fastest = &path;
    }
    return *fastest;
}

}  // namespace primes
