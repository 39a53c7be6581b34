// SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
#include "allocation_counter.h"

#include <cstdlib>

extern "C" void* __real_malloc(std::size_t size);

namespace {

constexpr std::size_t kMaxRecorded = 64;
bool counting = false;
std::size_t requests = 0;
std::size_t sizes[kMaxRecorded];

}  // namespace

extern "C" void* __wrap_malloc(std::size_t size) {
    if (counting) {
        if (requests < kMaxRecorded) sizes[requests] = size;
        ++requests;
    }
    return __real_malloc(size);
}

namespace prelude::testing {

AllocationCounter::AllocationCounter() {
    requests = 0;
    counting = true;
}

AllocationCounter::~AllocationCounter() {
    counting = false;
}

std::size_t AllocationCounter::count() const {
    return requests;
}

std::size_t AllocationCounter::size(std::size_t index) const {
    return index < kMaxRecorded && index < requests ? sizes[index] : 0;
}

}  // namespace prelude::testing
