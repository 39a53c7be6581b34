#pragma once

#include <set>
#include <string>

namespace primes::testing {

// Every symbol that the executable must export, by its exact name.
inline std::set<std::string> expected_exports() {
    return {
        "isPrime_$_Integer",
    };
}

}  // namespace primes::testing
