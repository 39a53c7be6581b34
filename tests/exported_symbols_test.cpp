// The executable's dynamic symbol table holds exactly the project's entry points.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <set>
#include <sstream>
#include <string>

#include "expected_exports.h"

namespace primes::testing {
namespace {

// Symbols that the toolchain defines in every executable.
const std::set<std::string> kToolchainSymbols = {
    "_IO_stdin_used", "__bss_start",  "__data_start",    "_edata",
    "_end",           "_start",       "data_start",      "_init",
    "_fini",          "__dso_handle", "__libc_csu_init", "__libc_csu_fini",
};

// Symbols that a sanitizer build adds, such as the indicator beside each
// instrumented global.
bool from_sanitizer(const std::string& name) {
    for (const char* prefix : {"__asan", "__odr_asan", "__lsan", "__ubsan", "__sanitizer"}) {
        if (name.starts_with(prefix)) return true;
    }
    return false;
}

std::set<std::string> defined_dynamic_symbols(const std::string& file) {
    const std::string command = "nm -D --defined-only --format=posix '" + file + "'";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    if (!pipe) return {};
    std::string listing;
    char buffer[4096];
    size_t got = 0;
    while ((got = fread(buffer, 1, sizeof buffer, pipe.get())) > 0) listing.append(buffer, got);
    std::set<std::string> names;
    std::istringstream lines(listing);
    std::string name, rest;
    while (lines >> name && std::getline(lines, rest)) names.insert(name);
    return names;
}

TEST(ExportedSymbols, ExecutableExportsExactlyTheEntryPoints) {
    std::set<std::string> own;
    for (const auto& name : defined_dynamic_symbols(PRIMEBENCH_EXECUTABLE)) {
        if (!kToolchainSymbols.contains(name) && !from_sanitizer(name)) own.insert(name);
    }
    EXPECT_THAT(own, ::testing::ContainerEq(expected_exports()));
}

}  // namespace
}  // namespace primes::testing
