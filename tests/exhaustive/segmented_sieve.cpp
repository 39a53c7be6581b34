// SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
#include "segmented_sieve.h"

#include <algorithm>
#include <cstddef>

namespace verify {

SegmentedSieve::SegmentedSieve() {
    constexpr uint32_t kLimit = 46'341;  // 46,341^2 > 2^31 - 1
    std::vector<bool> composite(kLimit + 1, false);
    for (uint32_t p = 2; p <= kLimit; ++p) {
        if (composite[p]) continue;
        base_primes_.push_back(p);
        for (uint64_t multiple = uint64_t{p} * p; multiple <= kLimit; multiple += p) {
            composite[multiple] = true;
        }
    }
}

void SegmentedSieve::sieve(int64_t first, int64_t last, std::vector<uint8_t>& primes) const {
    primes.assign(static_cast<std::size_t>(last - first + 1), 0);
    const int64_t start = std::max<int64_t>(first, 2);
    if (start > last) return;
    std::fill(primes.begin() + (start - first), primes.end(), 1);
    for (const uint32_t p : base_primes_) {
        const int64_t square = int64_t{p} * p;
        if (square > last) break;
        // The first multiple of p in the stretch that is not p itself.
        int64_t multiple = std::max(square, (start + p - 1) / p * p);
        for (; multiple <= last; multiple += p)
            primes[static_cast<std::size_t>(multiple - first)] = 0;
    }
}

}  // namespace verify
