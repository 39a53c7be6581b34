// SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace primes::testing {

using PrimalityTest = int32_t (*)(int32_t);

// One implementation of the primality contract, and whether this CPU runs it.
struct PrimeImplementation {
    std::string name;
    PrimalityTest test;
    bool supported;
};

inline void PrintTo(const PrimeImplementation& implementation, std::ostream* out) {
    *out << implementation.name;
}

// Every implementation that the contract tests check.
std::vector<PrimeImplementation> prime_implementations();

}  // namespace primes::testing
