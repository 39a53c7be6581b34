#include "prime_paths.h"

namespace primes {
namespace {

// __builtin_cpu_supports also checks that the operating system saves the
// wider registers (XGETBV), not only that the CPU has the instructions.
bool always() {
    return true;
}
bool has_avx2() {
    return __builtin_cpu_supports("avx2");
}
bool has_avx512() {
    return __builtin_cpu_supports("avx512f");
}

constexpr PrimePath kPaths[] = {
    {"sse2", &always, &is_prime_sse2, &run_range_sse2},
    {"avx2", &has_avx2, &is_prime_avx2, &run_range_avx2},
    {"avx512", &has_avx512, &is_prime_avx512, &run_range_avx512},
};

}  // namespace

std::span<const PrimePath> prime_paths() {
    return kPaths;
}

const PrimePath& fastest_prime_path() {
    // A few reads of the CPU model that the runtime filled in at start-up:
    // cheap enough to repeat, and nothing to initialise or guard.
    const PrimePath* fastest = &kPaths[0];
    for (const PrimePath& path : kPaths) {
        if (path.supported()) fastest = &path;
    }
    return *fastest;
}

}  // namespace primes
