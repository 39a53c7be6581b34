// SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
// Verification by exhaustion: the verdict of every 32-bit Integer on every
// primality path that this CPU runs and on the exported isPrime_$_Integer,
// against a segmented sieve; and the prelude's number text of every Integer
// and of every Float bit pattern, against snprintf. Uses every core.
//
// Usage: verify [--part primes|integer-text|float-text]... [--path NAME]
//               [--from A] [--to B] [--threads N]
//   --part     what to check (repeatable; all three by default)
//   --path     only this primality path (the usage line lists this
//              build's), exported, or fastest (the one this CPU's
//              executable runs)
//   --from/--to  only the Integers from A to B (for float text: the bit
//              patterns whose value as an Integer lies there)
//   --threads  worker threads (default: one per core)
// Exits with 0 when nothing mismatched, 1 on any mismatch, 2 on bad usage.
#include <algorithm>
#include <atomic>
#include <bit>
#include <cerrno>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "is_prime.h"
#include "number_text.h"
#include "prime_paths.h"
#include "progress.h"
#include "segmented_sieve.h"

namespace verify {
namespace {

constexpr int64_t kChunk = int64_t{1} << 20;
constexpr std::size_t kMismatchesKept = 8;

// One Integer's check: true when the code under test agrees with the
// reference. `primes` is the sieve of the chunk that x lies in.
using Check = std::function<bool(int32_t x, bool reference_prime)>;

struct Part {
    std::string name;
    bool counts_primes;  // whether the sieve is needed
    Check check;
};

struct Outcome {
    uint64_t checked = 0;
    uint64_t primes = 0;
    uint64_t mismatches = 0;
    std::vector<int64_t> first_mismatches;
    double seconds = 0;
};

struct Options {
    int64_t from = INT32_MIN;
    int64_t to = INT32_MAX;
    unsigned threads = std::max(1u, std::thread::hardware_concurrency());
    std::vector<std::string> parts;
    std::string path;
};

[[noreturn]] void usage(const char* problem) {
    std::string paths;
    for (const primes::PrimePath& path : primes::prime_paths())
        paths += std::string(path.name) + "|";
    std::fprintf(stderr,
                 "verify: %s\nusage: verify [--part primes|integer-text|float-text]... "
                 "[--path %sexported|fastest] [--from A] [--to B] [--threads N]\n",
                 problem, paths.c_str());
    std::exit(2);
}

int64_t parse_number(const char* text, int64_t low, int64_t high) {
    char* end = nullptr;
    errno = 0;
    const long long value = std::strtoll(text, &end, 0);
    if (errno != 0 || end == text || *end != '\0' || value < low || value > high) {
        usage("a number is out of range or malformed");
    }
    return value;
}

Options parse_options(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string flag = argv[i];
        if (i + 1 >= argc) usage("every option takes a value");
        const char* value = argv[++i];
        if (flag == "--from") {
            options.from = parse_number(value, INT32_MIN, INT32_MAX);
        } else if (flag == "--to") {
            options.to = parse_number(value, INT32_MIN, INT32_MAX);
        } else if (flag == "--threads") {
            options.threads = static_cast<unsigned>(parse_number(value, 1, 1024));
        } else if (flag == "--part") {
            const std::string part = value;
            if (part != "primes" && part != "integer-text" && part != "float-text") {
                usage("unknown part");
            }
            options.parts.push_back(part);
        } else if (flag == "--path") {
            options.path = value;
            if (options.path == "fastest") options.path = primes::fastest_prime_path().name;
        } else {
            usage("unknown option");
        }
    }
    if (options.from > options.to) usage("--from is above --to");
    if (options.parts.empty()) options.parts = {"primes", "integer-text", "float-text"};
    if (!options.path.empty() &&
        std::find(options.parts.begin(), options.parts.end(), "primes") == options.parts.end()) {
        usage("--path needs the primes part");
    }
    return options;
}

bool same_text(const char* ours, std::size_t our_length, const char* libc, int libc_length) {
    return libc_length >= 0 && our_length == static_cast<std::size_t>(libc_length) &&
           std::memcmp(ours, libc, our_length) == 0;
}

bool integer_text_matches(int32_t x) {
    char ours[prelude::kNumberTextSize];
    char libc[prelude::kNumberTextSize];
    const std::size_t length = prelude::integer_text(x, ours);
    return same_text(ours, length, libc, std::snprintf(libc, sizeof libc, "%i", x));
}

bool float_text_matches(int32_t x) {
    const float value = std::bit_cast<float>(x);
    char ours[prelude::kNumberTextSize];
    char libc[prelude::kNumberTextSize];
    const std::size_t length = prelude::float_text(value, ours);
    return same_text(ours, length, libc,
                     std::snprintf(libc, sizeof libc, "%f", static_cast<double>(value)));
}

std::vector<Part> parts_to_run(const Options& options) {
    std::vector<Part> parts;
    for (const std::string& part : options.parts) {
        if (part == "primes") {
            for (const primes::PrimePath& path : primes::prime_paths()) {
                if (!options.path.empty() && options.path != path.name) continue;
                if (!primes::cpu_runs(path)) {
                    if (!options.path.empty()) usage("that path is not supported on this CPU");
                    std::fprintf(stderr, "path %s: not supported on this CPU, skipped\n",
                                 path.name);
                    continue;
                }
                const auto is_prime = path.is_prime;
                parts.push_back(
                    {std::string("primes/") + path.name, true,
                     [is_prime](int32_t x, bool prime) { return is_prime(x) == (prime ? 1 : 0); }});
            }
            if (options.path.empty() || options.path == "exported") {
                parts.push_back({"primes/exported", true, [](int32_t x, bool prime) {
                                     return isPrime_$_Integer(x) == (prime ? 1 : 0);
                                 }});
            }
        } else if (part == "integer-text") {
            parts.push_back({part, false, [](int32_t x, bool) { return integer_text_matches(x); }});
        } else {
            parts.push_back({part, false, [](int32_t x, bool) { return float_text_matches(x); }});
        }
    }
    if (parts.empty()) usage("no such path");
    return parts;
}

Outcome run_part(const Part& part, const Options& options, const SegmentedSieve& sieve) {
    const int64_t total = options.to - options.from + 1;
    const int64_t chunks = (total + kChunk - 1) / kChunk;
    std::atomic<int64_t> next_chunk{0};
    Outcome outcome;
    std::mutex outcome_mutex;
    const double start = now_seconds();
    {
        Progress progress(part.name, static_cast<uint64_t>(total));
        std::vector<std::jthread> workers;
        for (unsigned t = 0; t < options.threads; ++t) {
            workers.emplace_back([&] {
                std::vector<uint8_t> primes;
                Outcome mine;
                for (int64_t chunk; (chunk = next_chunk.fetch_add(1)) < chunks;) {
                    const int64_t first = options.from + chunk * kChunk;
                    const int64_t last = std::min(first + kChunk - 1, options.to);
                    if (part.counts_primes) sieve.sieve(first, last, primes);
                    for (int64_t x = first; x <= last; ++x) {
                        const bool prime =
                            part.counts_primes && primes[static_cast<std::size_t>(x - first)] != 0;
                        mine.primes += prime ? 1 : 0;
                        if (!part.check(static_cast<int32_t>(x), prime)) {
                            ++mine.mismatches;
                            if (mine.first_mismatches.size() < kMismatchesKept) {
                                mine.first_mismatches.push_back(x);
                            }
                        }
                    }
                    mine.checked += static_cast<uint64_t>(last - first + 1);
                    progress.add(static_cast<uint64_t>(last - first + 1));
                }
                std::lock_guard lock(outcome_mutex);
                outcome.checked += mine.checked;
                outcome.primes += mine.primes;
                outcome.mismatches += mine.mismatches;
                outcome.first_mismatches.insert(outcome.first_mismatches.end(),
                                                mine.first_mismatches.begin(),
                                                mine.first_mismatches.end());
            });
        }
    }
    outcome.seconds = now_seconds() - start;
    std::sort(outcome.first_mismatches.begin(), outcome.first_mismatches.end());
    if (outcome.first_mismatches.size() > kMismatchesKept) {
        outcome.first_mismatches.resize(kMismatchesKept);
    }
    return outcome;
}

void print_outcome(const Part& part, const Outcome& outcome) {
    std::printf("%-16s %13" PRIu64 " %13s %11" PRIu64 " %9.1f\n", part.name.c_str(),
                outcome.checked, part.counts_primes ? std::to_string(outcome.primes).c_str() : "-",
                outcome.mismatches, outcome.seconds);
    for (const int64_t x : outcome.first_mismatches) {
        std::printf("    mismatch at %" PRId64 "\n", x);
    }
    std::fflush(stdout);
}

}  // namespace
}  // namespace verify

int main(int argc, char** argv) {
    using namespace verify;
    const Options options = parse_options(argc, argv);
    const std::vector<Part> parts = parts_to_run(options);
    const SegmentedSieve sieve;
    std::printf("Integers from %" PRId64 " to %" PRId64 ", %u threads\n", options.from, options.to,
                options.threads);
    std::printf("%-16s %13s %13s %11s %9s\n", "part", "Integers", "primes", "mismatches",
                "seconds");
    std::fflush(stdout);
    uint64_t mismatches = 0;
    double seconds = 0;
    for (const Part& part : parts) {
        const Outcome outcome = run_part(part, options, sieve);
        print_outcome(part, outcome);
        mismatches += outcome.mismatches;
        seconds += outcome.seconds;
    }
    std::printf("%s: %" PRIu64 " mismatches in %.1f s\n", mismatches == 0 ? "PASS" : "FAIL",
                mismatches, seconds);
    return mismatches == 0 ? 0 : 1;
}
