// SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
// The dynamic symbol tables of the executable and of the shared library hold
// exactly the project's entry points.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <memory>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <utility>

#include "expected_exports.h"

namespace primes::testing {
namespace {

// Symbols that the toolchain defines in every executable (the last four on
// 64-bit Arm only).
const std::set<std::string> kToolchainSymbols = {
    "_IO_stdin_used",
    "__bss_start",
    "__data_start",
    "_edata",
    "_end",
    "_start",
    "data_start",
    "_init",
    "_fini",
    "__dso_handle",
    "__libc_csu_init",
    "__libc_csu_fini",
    "__bss_start__",
    "__bss_end__",
    "_bss_end__",
    "__end__",
    // RISC-V's linker script: the global pointer and the small-data bounds.
    "__global_pointer$",
    "__DATA_BEGIN__",
    "__SDATA_BEGIN__",
    "__BSS_END__",
};

// Symbols that a sanitizer build adds, such as the indicator beside each
// instrumented global.
bool from_sanitizer(const std::string& name) {
    for (const char* prefix : {"__asan", "__odr_asan", "__lsan", "__ubsan", "__sanitizer"}) {
        if (name.starts_with(prefix)) return true;
    }
    return false;
}

// Each defined dynamic symbol, as nm names it (with its version, if any), and
// its nm type letter.
std::map<std::string, std::string> defined_dynamic_symbols(const std::string& file) {
    const std::string command = "nm -D --defined-only --format=posix '" + file + "'";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    if (!pipe) return {};
    std::string listing;
    char buffer[4096];
    size_t got = 0;
    while ((got = fread(buffer, 1, sizeof buffer, pipe.get())) > 0) listing.append(buffer, got);
    std::map<std::string, std::string> symbols;
    std::istringstream lines(listing);
    std::string name, type, rest;
    while (lines >> name >> type && std::getline(lines, rest)) symbols[name] = type;
    return symbols;
}

TEST(ExportedSymbols, ExecutableExportsExactlyTheEntryPoints) {
    const auto symbols = defined_dynamic_symbols(PRIMEBENCH_EXECUTABLE);
    std::set<std::string> own;
    for (const auto& [name, type] : symbols) {
        if (!kToolchainSymbols.contains(name) && !from_sanitizer(name)) own.insert(name);
    }
    // The prelude's names, and the program's own function.
    std::set<std::string> expected = prelude_exports();
    expected.insert("isPrime_$_Integer");
    EXPECT_THAT(own, ::testing::ContainerEq(expected));
    // A plain function, never a loader-bound indirect one ("i"), which the
    // loader cannot bind for a library relocated before the executable.
    EXPECT_EQ(symbols.count("isPrime_$_Integer") ? symbols.at("isPrime_$_Integer") : "", "T");
}

// Each path source defines nothing with external linkage but its path list,
// primes::<source>_paths: anything else (an inline function, a template
// instance) could be merged by the linker with a copy built for another
// instruction set.
TEST(ExportedSymbols, PathObjectsDefineOnlyTheirPathList) {
    const std::string command =
        "nm -C --defined-only --extern-only --format=posix '" PRIME_PATHS_ARCHIVE "'";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    ASSERT_TRUE(pipe);
    std::map<std::string, std::set<std::string>> defined;  // by path source
    std::string source;
    char line[4096];
    const std::regex member(R"(.*\[is_prime_(\w+)\.cpp\.o\]:$)");
    const std::regex symbol(R"((.*) [A-Za-z] [0-9a-f]*( [0-9a-f]*)?$)");
    std::smatch match;
    while (fgets(line, sizeof line, pipe.get()) != nullptr) {
        std::string text(line);
        if (!text.empty() && text.back() == '\n') text.pop_back();
        if (text.ends_with(":")) {
            source = std::regex_match(text, match, member) ? match[1].str() : "";
            if (!source.empty()) defined[source];
        } else if (!source.empty() && std::regex_match(text, match, symbol)) {
            // The compiler's hidden pointer to the exception personality
            // routine is data, the same in every object, never code; so are
            // a sanitizer's indicators beside each global.
            const std::string name = match[1].str();
            if (!name.starts_with("DW.ref.") && !from_sanitizer(name)) defined[source].insert(name);
        }
    }
    EXPECT_FALSE(defined.empty());
    for (const auto& [name, symbols] : defined) {
        EXPECT_THAT(symbols, ::testing::ElementsAre("primes::" + name + "_paths")) << name;
    }
}

TEST(ExportedSymbols, SharedLibraryExportsThePreludeUnderOneVersion) {
    std::set<std::string> expected = {kPreludeVersionNode};
    for (const std::string& name : prelude_exports()) {
        expected.insert(name + "@@" + kPreludeVersionNode);
    }
    std::set<std::string> own;
    for (const auto& [name, type] : defined_dynamic_symbols(PRELUDE_SHARED_LIBRARY)) {
        if (!from_sanitizer(name)) own.insert(name);
    }
    EXPECT_THAT(own, ::testing::ContainerEq(expected));
}

}  // namespace
}  // namespace primes::testing
