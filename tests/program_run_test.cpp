// The real executable: silent, and successful whatever it is given.
#include <gtest/gtest.h>

#include "child_process.h"

namespace primes::testing {
namespace {

void expect_silent_success(const ChildResult& run) {
    EXPECT_EQ(run.exit_status, 0);
    EXPECT_EQ(run.signal, 0);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "");
}

TEST(ProgramRun, NoArguments) {
    expect_silent_success(run_child({PRIMEBENCH_EXECUTABLE}));
}

TEST(ProgramRun, SeveralArgumentsAreIgnored) {
    expect_silent_success(
        run_child({PRIMEBENCH_EXECUTABLE, "--help", "-v", "", "17", "a b", "\xff\xfe"}));
}

TEST(ProgramRun, StandardInputClosed) {
    expect_silent_success(run_child({PRIMEBENCH_EXECUTABLE}, StandardInput::kClosed));
}

}  // namespace
}  // namespace primes::testing
