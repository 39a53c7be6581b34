// SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
#pragma once

#include <cstdint>

#define PRIMEBENCH_EXPORT __attribute__((visibility("default")))

// 1 if x is prime, 0 otherwise; defined for every Integer, negative ones
// included. Exported from the executable under exactly this name.
extern "C" PRIMEBENCH_EXPORT int32_t isPrime_$_Integer(int32_t x);
