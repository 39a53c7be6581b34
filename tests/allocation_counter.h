// SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
#pragma once

#include <cstddef>

namespace prelude::testing {

// Counts the heap blocks that the code under test asks malloc for, while an
// instance is alive. Works by the linker's --wrap=malloc: only calls from the
// objects linked into the test binary (the prelude's) are seen.
class AllocationCounter {
  public:
    AllocationCounter();
    ~AllocationCounter();
    AllocationCounter(const AllocationCounter&) = delete;
    AllocationCounter& operator=(const AllocationCounter&) = delete;

    std::size_t count() const;
    std::size_t size(std::size_t index) const;  // the size of the index-th request
};

}  // namespace prelude::testing
