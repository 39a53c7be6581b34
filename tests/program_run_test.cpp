// SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
// The real executable: silent, and successful whatever it is given.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "child_process.h"

namespace primes::testing {
namespace {

// The executable with these arguments, under the emulator's words (joined by
// '|') in a cross build.
std::vector<std::string> executable_with(std::vector<std::string> arguments) {
    std::vector<std::string> argv;
    for (std::string_view prefix = PRIMEBENCH_RUN_PREFIX; !prefix.empty();) {
        const std::size_t end = prefix.find('|');
        argv.emplace_back(prefix.substr(0, end));
        prefix = end == std::string_view::npos ? "" : prefix.substr(end + 1);
    }
    argv.emplace_back(PRIMEBENCH_EXECUTABLE);
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return argv;
}

void expect_silent_success(const ChildResult& run) {
    EXPECT_EQ(run.exit_status, 0);
    EXPECT_EQ(run.signal, 0);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "");
}

TEST(ProgramRun, NoArguments) {
    expect_silent_success(run_child(executable_with({})));
}

TEST(ProgramRun, SeveralArgumentsAreIgnored) {
    expect_silent_success(
        run_child(executable_with({"--help", "-v", "", "17", "a b", "\xff\xfe"})));
}

TEST(ProgramRun, StandardInputClosed) {
    expect_silent_success(run_child(executable_with({}), StandardInput::kClosed));
}

}  // namespace
}  // namespace primes::testing
