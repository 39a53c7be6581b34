// SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "path_count.h"

namespace primes {

// One way of running the primality test, described in its own source
// (program/is_prime_<source>.cpp), which defines its paths as
// `extern const PathList <source>_paths`, its one external symbol.
struct PrimePath {
    const char* name;
    // The instruction sets its source is compiled for, separated by spaces,
    // as GCC's -m options and __builtin_cpu_supports name them (empty for
    // the architecture's baseline). CMake reads them from the source; the
    // CPU must report every one for the path to run.
    const char* instruction_sets;
    int first_step_candidates;     // decided before the first early exit
    int32_t (*is_prime)(int32_t);  // 1 if x is prime, 0 otherwise, for every Integer
    void (*run_range)();           // the benchmark loop over the whole range, on this path
    // Null for a general path. A path tuned for one kind of CPU follows the
    // general one in its source and returns whether this CPU is that kind.
    bool (*preferred)();
};

using PathList = std::span<const PrimePath>;
using PathTable = std::array<PrimePath, kPathCount>;

// Every path built for this architecture, slowest first.
PathTable prime_paths();

// Whether this CPU reports every instruction set the path names.
bool cpu_runs(const PrimePath& path);

// The last path of the table that this CPU runs and, if tuned for a kind of
// CPU, is this kind: the fastest.
PrimePath fastest_prime_path();

}  // namespace primes
