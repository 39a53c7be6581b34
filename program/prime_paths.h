// SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
#pragma once

#include <cstdint>
#include <span>

namespace primes {

// One way of running the primality test, built for one instruction set.
struct PrimePath {
    const char* name;
    bool (*supported)();           // whether this CPU runs it
    int32_t (*is_prime)(int32_t);  // 1 if x is prime, 0 otherwise, for every Integer
    void (*run_range)();           // the benchmark loop over the whole range, on this path
    int first_step_candidates;     // decided before the first early exit
    bool (*suits)();               // null, or whether this CPU is the one it is tuned for
};

// Each path's first-step size, checked against its Lanes in its source.
inline constexpr int kFirstStepCandidatesGeneric = 4;
inline constexpr int kFirstStepCandidatesSse2 = 8;
inline constexpr int kFirstStepCandidatesAvx2 = 32;
inline constexpr int kFirstStepCandidatesAvx512 = 64;
inline constexpr int kFirstStepCandidatesAvx512Zen4 = 32;
inline constexpr int kFirstStepCandidatesNeon = 32;

// Every path, slowest first. A path tuned for one kind of CPU follows the
// general one and is chosen only on that kind.
std::span<const PrimePath> prime_paths();

// The fastest path that this CPU supports, by the CPU's features (and, for
// paths tuned to one kind of CPU, by its kind).
const PrimePath& fastest_prime_path();

// Each path's functions, defined in a source compiled for its instruction set.
// The portable path is built everywhere, and chosen where no other runs.
int32_t is_prime_generic(int32_t x);
void run_range_generic();
#if defined(__aarch64__)
int32_t is_prime_neon(int32_t x);
void run_range_neon();
#elif defined(__x86_64__)
int32_t is_prime_sse2(int32_t x);
int32_t is_prime_avx2(int32_t x);
int32_t is_prime_avx512(int32_t x);
int32_t is_prime_avx512_zen4(int32_t x);
void run_range_sse2();
void run_range_avx2();
void run_range_avx512();
void run_range_avx512_zen4();
#endif

}  // namespace primes
