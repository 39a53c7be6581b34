// SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
// The dynamic symbol tables of the executable and of the shared library hold
// exactly the project's entry points. The entry points are what the compiler
// left default-visible in the prelude's objects (PRELUDE_API); they are
// checked against the header as the compiler reads it, the naming scheme and
// the benchmarks.
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

std::string output_of(const std::string& command) {
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    if (!pipe) return {};
    std::string listing;
    char buffer[4096];
    size_t got = 0;
    while ((got = fread(buffer, 1, sizeof buffer, pipe.get())) > 0) listing.append(buffer, got);
    return listing;
}

// Each defined dynamic symbol, as nm names it (with its version, if any), and
// its nm type letter.
std::map<std::string, std::string> defined_dynamic_symbols(const std::string& file) {
    const std::string listing = output_of("nm -D --defined-only --format=posix '" + file + "'");
    std::map<std::string, std::string> symbols;
    std::istringstream lines(listing);
    std::string name, type, rest;
    while (lines >> name >> type && std::getline(lines, rest)) symbols[name] = type;
    return symbols;
}

// The prelude's entry points and UNKNOWNOBJECT: the defined symbols that its
// objects (the static library's members) give default visibility, with their
// ELF types (FUNC, OBJECT).
std::map<std::string, std::string> prelude_exports() {
    const std::string listing = output_of("readelf -sW '" PRELUDE_STATIC_LIBRARY "'");
    // Num: Value Size Type Bind Vis [other] Ndx Name; Ndx is UND when undefined.
    const std::regex defined(
        R"(\s*\d+: [0-9a-f]+\s+\d+ (\w+)\s+(GLOBAL|WEAK)\s+DEFAULT( \[[^\]]*\])?\s+(\d+|ABS|COM) (\S+))");
    std::map<std::string, std::string> exports;
    std::istringstream lines(listing);
    std::string line;
    std::smatch match;
    while (std::getline(lines, line)) {
        if (std::regex_match(line, match, defined) && !from_sanitizer(match[5].str())) {
            exports[match[5].str()] = match[1].str();
        }
    }
    return exports;
}

// The names among `symbols` of type `only` ("" for all).
std::set<std::string> names_of(const std::map<std::string, std::string>& symbols,
                               const std::string& only = "") {
    std::set<std::string> names;
    for (const auto& [name, type] : symbols) {
        if (only.empty() || type == only) names.insert(name);
    }
    return names;
}

// The functions that the header declares, as GCC lists them (-aux-info), are
// the exported functions: none is left hidden or undefined, and nothing else
// is exported.
TEST(ExportedSymbols, HeaderDeclaresExactlyTheExportedFunctions) {
#ifdef PRELUDE_HEADER_GCC
    const std::string listing = output_of("'" PRELUDE_HEADER_GCC
                                          "' -std=c11 -fsyntax-only "
                                          "-aux-info /dev/stdout -x c '" PRELUDE_HEADER "'");
    // "/* FILE:LINE:NC */ extern TYPE NAME (PARAMETERS);"
    const std::regex declaration(
        R"(/\* (.*):\d+:\w+ \*/ extern .*?([A-Za-z_$][A-Za-z0-9_$]*) \(.*)");
    std::set<std::string> declared;
    std::istringstream lines(listing);
    std::string line;
    std::smatch match;
    while (std::getline(lines, line)) {
        if (std::regex_match(line, match, declaration) && match[1].str() == PRELUDE_HEADER) {
            declared.insert(match[2].str());
        }
    }
    EXPECT_FALSE(declared.empty());
    EXPECT_THAT(declared, ::testing::ContainerEq(names_of(prelude_exports(), "FUNC")));
#else
    GTEST_SKIP() << "the header's declarations are listed by GCC's -aux-info";
#endif
}

// Each entry point's benchmark is named after it, alone or before a '/'.
TEST(ExportedSymbols, EveryEntryPointHasABenchmark) {
#ifdef PRELUDE_BENCH
    std::set<std::string> benchmarked;
    std::istringstream lines(output_of("'" PRELUDE_BENCH "' --benchmark_list_tests"));
    std::string line;
    while (std::getline(lines, line)) benchmarked.insert(line.substr(0, line.find('/')));
    for (const std::string& name : names_of(prelude_exports(), "FUNC")) {
        EXPECT_TRUE(benchmarked.contains(name)) << name;
    }
#else
    GTEST_SKIP() << "the benchmarks are not built";
#endif
}

TEST(ExportedSymbols, ExecutableExportsExactlyTheEntryPoints) {
    const auto symbols = defined_dynamic_symbols(PRIMEBENCH_EXECUTABLE);
    std::set<std::string> own;
    for (const auto& [name, type] : symbols) {
        if (!kToolchainSymbols.contains(name) && !from_sanitizer(name)) own.insert(name);
    }
    // The prelude's names, and the program's own function.
    std::set<std::string> expected = names_of(prelude_exports());
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

// Every entry point is words joined by "_$_", the form the version script
// exports (the data object is the one name outside it), under the one node.
TEST(ExportedSymbols, SharedLibraryExportsThePreludeUnderOneVersion) {
    const auto exports = prelude_exports();
    EXPECT_FALSE(exports.empty());
    const std::regex scheme(R"([A-Za-z][A-Za-z0-9]*(_\$_[A-Za-z][A-Za-z0-9]*)+)");
    std::set<std::string> expected = {PRELUDE_VERSION_NODE};
    for (const auto& [name, type] : exports) {
        EXPECT_TRUE(std::regex_match(name, scheme) || name == "UNKNOWNOBJECT")
            << name << " has default visibility but is not words joined by \"_$_\", such as "
            << "String_$_plus_$_Integer";
        expected.insert(name + "@@" PRELUDE_VERSION_NODE);
    }
    std::set<std::string> own;
    for (const auto& [name, type] : defined_dynamic_symbols(PRELUDE_SHARED_LIBRARY)) {
        if (!from_sanitizer(name)) own.insert(name);
    }
    EXPECT_THAT(own, ::testing::ContainerEq(expected));
}

}  // namespace
}  // namespace primes::testing
