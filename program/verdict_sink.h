// SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
#pragma once

#include <cstdint>

namespace primes {
// Internal linkage: this header is also compiled into the per-instruction-set
// sources, and no out-of-line copy built for one set may serve another.
namespace {

// Hands a verdict to the compiler as if it were used, so that neither the call
// that produced it nor the loop around it can be removed as dead code. It
// emits no instruction and writes nothing.
inline void sink_verdict(int32_t verdict) {
    asm volatile("" : : "r"(verdict));
}

}  // namespace
}  // namespace primes
