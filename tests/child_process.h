// SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
#pragma once

#include <string>
#include <vector>

namespace primes::testing {

// What a finished child process left behind.
struct ChildResult {
    int exit_status = -1;  // the exit status, or -1 when it did not exit normally
    int signal = 0;        // the signal that ended it, if any
    std::string out;       // every byte it wrote to standard output
    std::string err;       // every byte it wrote to standard error
};

enum class StandardInput { kEmpty, kClosed };

// Runs argv[0] with the given arguments and waits for it to end.
ChildResult run_child(const std::vector<std::string>& argv,
                      StandardInput input = StandardInput::kEmpty);

}  // namespace primes::testing
