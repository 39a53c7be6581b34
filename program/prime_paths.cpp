// SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
#include "prime_paths.h"

#include <string_view>

namespace primes {
namespace {

// Whether the CPU reports an instruction set, and the operating system
// saves its registers. __builtin_cpu_supports takes only literal names, so
// each set a path may name is listed here once.
bool cpu_reports(std::string_view set) {
#if defined(__x86_64__)
    if (set == "avx2") return __builtin_cpu_supports("avx2");
    if (set == "fma") return __builtin_cpu_supports("fma");
    if (set == "avx512f") return __builtin_cpu_supports("avx512f");
#endif
    static_cast<void>(set);
    return false;
}

}  // namespace

bool cpu_runs(const PrimePath& path) {
    std::string_view sets = path.instruction_sets;
    while (!sets.empty()) {
        const std::size_t end = sets.find(' ');
        // Not substr, whose range check an unoptimised build keeps, and with
        // it a call into the C++ runtime.
        const std::size_t length = end == std::string_view::npos ? sets.size() : end;
        if (!cpu_reports(std::string_view(sets.data(), length))) return false;
        sets.remove_prefix(end == std::string_view::npos ? sets.size() : end + 1);
    }
    return true;
}

PrimePath fastest_prime_path() {
    // A few reads of the CPU model that the runtime fills in at start-up
    // (the exported test fills it in itself when called before that).
    const PathTable paths = prime_paths();
    PrimePath fastest = paths.front();
    for (const PrimePath& path : paths) {
        if (cpu_runs(path) && (path.preferred == nullptr || path.preferred())) fastest = path;
    }
    return fastest;
}

}  // namespace primes
