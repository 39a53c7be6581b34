// SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
// Every prelude entry point on representative operands, each number operation
// beside the plain libc form of the same work: snprintf into a 512-byte
// buffer, one malloc and the copies for a concatenation; fprintf (and fwrite
// with fputc for a String's print) for output. Stream forms write to
// /dev/null; the free forms write to a stdout that points there too.
// bench/prelude_table.sh prints the medians side by side with their ratios.
#include <benchmark/benchmark.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "primebench/prelude.h"

namespace {

// Small, large and negative Integers.
constexpr int32_t kIntegers[16] = {
    0,         7,           42,          -1, 365, -2024,         99'999,
    1'000'000, -65'536,     123'456'789, 9,  -7,  2'147'483'647, -2'147'483'647 - 1,
    31,        -999'999'999};
// Floats of everyday magnitudes, and a share of large ones.
constexpr float kFloats[16] = {0.1f,      1.5f,     3.14159f, 42.0f,   -7.25f, 123.456f,
                               0.001f,    2.71828f, -0.5f,    1000.5f, 99.99f, -1e-3f,
                               65'536.0f, 1e10f,    -3.4e38f, 1e20f};

const std::string kShortText = "hello, world";
const std::string kLongText(1000, 'x');

String view(const std::string& text) {
    return String{text.data(), text.size(), text.size()};
}

void release(String made) {
    std::free(const_cast<char*>(made.data));
}

// The plain libc form of a concatenation with a number: the text by
// snprintf into the local buffer (done by the caller), one block of the
// final size, the copies.
String libc_join(const char* first, std::size_t first_length, const char* second,
                 std::size_t second_length) {
    const std::size_t length = first_length + second_length;
    char* block = static_cast<char*>(std::malloc(length + 1));
    std::memcpy(block, first, first_length);
    std::memcpy(block + first_length, second, second_length);
    block[length] = '\0';
    return String{block, length, length};
}

struct LibcText {
    char bytes[512];
    std::size_t length;
};

LibcText libc_integer_text(int32_t value) {
    LibcText text;
    text.length =
        static_cast<std::size_t>(std::snprintf(text.bytes, sizeof text.bytes, "%i", value));
    return text;
}

LibcText libc_float_text(float value) {
    LibcText text;
    text.length = static_cast<std::size_t>(
        std::snprintf(text.bytes, sizeof text.bytes, "%f", static_cast<double>(value)));
    return text;
}

template <class Make>
void concatenation(benchmark::State& state, Make make) {
    unsigned i = 0;
    for (auto _ : state) {
        const String made = make(i++ % 16);
        benchmark::DoNotOptimize(made.data);
        release(made);
    }
}

// Stdout and a stream both point at /dev/null for the output benchmarks.
class NullOutput {
  public:
    NullOutput() : stream_(std::fopen("/dev/null", "w")), saved_stdout_(stdout) {
        stdout = stream_;
    }
    ~NullOutput() {
        stdout = saved_stdout_;
        std::fclose(stream_);
    }
    NullOutput(const NullOutput&) = delete;
    NullOutput& operator=(const NullOutput&) = delete;
    FILE* stream() const { return stream_; }

  private:
    FILE* stream_;
    FILE* saved_stdout_;
};

template <class Write>
void output(benchmark::State& state, Write write) {
    NullOutput null;
    unsigned i = 0;
    for (auto _ : state) benchmark::DoNotOptimize(write(null.stream(), i++ % 16));
}

template <class Compute>
void arithmetic(benchmark::State& state, Compute compute) {
    unsigned i = 0;
    for (auto _ : state) benchmark::DoNotOptimize(compute(i++ % 16));
}

void register_strings() {
    benchmark::RegisterBenchmark("String_$_stringlit", [](benchmark::State& state) {
        for (auto _ : state) benchmark::DoNotOptimize(String_$_stringlit(kShortText.c_str()));
    });
    for (const std::string* text : {&kShortText, &kLongText}) {
        const std::string size = text == &kShortText ? "/short" : "/long";
        const String s = view(*text);
        benchmark::RegisterBenchmark(
            ("String_$_assign_$_String" + size).c_str(), [s](benchmark::State& state) {
                concatenation(state, [s](unsigned) { return String_$_assign_$_String(s, s); });
            });
        benchmark::RegisterBenchmark(
            ("String_$_plus_$_String" + size).c_str(), [s](benchmark::State& state) {
                concatenation(state, [s](unsigned) { return String_$_plus_$_String(s, s); });
            });
    }
    using Make = String (*)(unsigned);
    const struct {
        const char* name;
        Make prelude;
        Make libc;
    } numbers[] = {
        {"String_$_plus_$_Integer",
         [](unsigned i) { return String_$_plus_$_Integer(view(kShortText), kIntegers[i]); },
         [](unsigned i) {
             const LibcText text = libc_integer_text(kIntegers[i]);
             return libc_join(kShortText.data(), kShortText.size(), text.bytes, text.length);
         }},
        {"Integer_$_plus_$_String",
         [](unsigned i) { return Integer_$_plus_$_String(kIntegers[i], view(kShortText)); },
         [](unsigned i) {
             const LibcText text = libc_integer_text(kIntegers[i]);
             return libc_join(text.bytes, text.length, kShortText.data(), kShortText.size());
         }},
        {"String_$_plus_$_Float",
         [](unsigned i) { return String_$_plus_$_Float(view(kShortText), kFloats[i]); },
         [](unsigned i) {
             const LibcText text = libc_float_text(kFloats[i]);
             return libc_join(kShortText.data(), kShortText.size(), text.bytes, text.length);
         }},
        {"Float_$_plus_$_String",
         [](unsigned i) { return Float_$_plus_$_String(kFloats[i], view(kShortText)); },
         [](unsigned i) {
             const LibcText text = libc_float_text(kFloats[i]);
             return libc_join(text.bytes, text.length, kShortText.data(), kShortText.size());
         }},
    };
    for (const auto& number : numbers) {
        benchmark::RegisterBenchmark(number.name, [make = number.prelude](benchmark::State& state) {
            concatenation(state, make);
        });
        benchmark::RegisterBenchmark(
            (std::string(number.name) + "/libc").c_str(),
            [make = number.libc](benchmark::State& state) { concatenation(state, make); });
    }
}

void register_output() {
    using Write = int32_t (*)(FILE*, unsigned);
    const struct {
        const char* name;
        Write prelude;
        Write libc;
    } writes[] = {
        {"Stream_$_print_$_String",
         [](FILE* f, unsigned) { return Stream_$_print_$_String(f, view(kShortText)); },
         [](FILE* f, unsigned) {
             return static_cast<int32_t>(std::fwrite(kShortText.data(), 1, kShortText.size(), f)) +
                    std::fputc('\n', f);
         }},
        {"Stream_$_echo_$_String",
         [](FILE* f, unsigned) { return Stream_$_echo_$_String(f, view(kShortText)); },
         [](FILE* f, unsigned) {
             return static_cast<int32_t>(std::fwrite(kShortText.data(), 1, kShortText.size(), f));
         }},
        {"Stream_$_print_$_Integer",
         [](FILE* f, unsigned i) { return Stream_$_print_$_Integer(f, kIntegers[i]); },
         [](FILE* f, unsigned i) { return std::fprintf(f, "%d\n", kIntegers[i]); }},
        {"Stream_$_echo_$_Integer",
         [](FILE* f, unsigned i) { return Stream_$_echo_$_Integer(f, kIntegers[i]); },
         [](FILE* f, unsigned i) { return std::fprintf(f, "%d", kIntegers[i]); }},
        {"Stream_$_print_$_Float",
         [](FILE* f, unsigned i) { return Stream_$_print_$_Float(f, kFloats[i]); },
         [](FILE* f, unsigned i) {
             return std::fprintf(f, "%f\n", static_cast<double>(kFloats[i]));
         }},
        {"Stream_$_echo_$_Float",
         [](FILE* f, unsigned i) { return Stream_$_echo_$_Float(f, kFloats[i]); },
         [](FILE* f, unsigned i) {
             return std::fprintf(f, "%f", static_cast<double>(kFloats[i]));
         }},
        {"print_$_String", [](FILE*, unsigned) { return print_$_String(view(kShortText)); },
         [](FILE*, unsigned) {
             return static_cast<int32_t>(
                        std::fwrite(kShortText.data(), 1, kShortText.size(), stdout)) +
                    std::fputc('\n', stdout);
         }},
        {"echo_$_String", [](FILE*, unsigned) { return echo_$_String(view(kShortText)); },
         [](FILE*, unsigned) {
             return static_cast<int32_t>(
                 std::fwrite(kShortText.data(), 1, kShortText.size(), stdout));
         }},
        {"print_$_Integer", [](FILE*, unsigned i) { return print_$_Integer(kIntegers[i]); },
         [](FILE*, unsigned i) { return std::fprintf(stdout, "%d\n", kIntegers[i]); }},
        {"echo_$_Integer", [](FILE*, unsigned i) { return echo_$_Integer(kIntegers[i]); },
         [](FILE*, unsigned i) { return std::fprintf(stdout, "%d", kIntegers[i]); }},
        {"print_$_Float", [](FILE*, unsigned i) { return print_$_Float(kFloats[i]); },
         [](FILE*, unsigned i) {
             return std::fprintf(stdout, "%f\n", static_cast<double>(kFloats[i]));
         }},
        {"echo_$_Float", [](FILE*, unsigned i) { return echo_$_Float(kFloats[i]); },
         [](FILE*, unsigned i) {
             return std::fprintf(stdout, "%f", static_cast<double>(kFloats[i]));
         }},
    };
    for (const auto& write : writes) {
        benchmark::RegisterBenchmark(
            write.name, [w = write.prelude](benchmark::State& state) { output(state, w); });
        benchmark::RegisterBenchmark(
            (std::string(write.name) + "/libc").c_str(),
            [w = write.libc](benchmark::State& state) { output(state, w); });
    }
}

void register_arithmetic_and_selection() {
    benchmark::RegisterBenchmark("Integer_$_exponent_$_Integer", [](benchmark::State& state) {
        arithmetic(state, [](unsigned i) {
            return Integer_$_exponent_$_Integer(static_cast<int32_t>(i) - 8,
                                                static_cast<int32_t>(i % 7));
        });
    });
    benchmark::RegisterBenchmark("Float_$_exponent_$_Integer", [](benchmark::State& state) {
        arithmetic(state, [](unsigned i) {
            return Float_$_exponent_$_Integer(kFloats[i], static_cast<int32_t>(i % 5));
        });
    });
    benchmark::RegisterBenchmark("Integer_$_exponent_$_Float", [](benchmark::State& state) {
        arithmetic(state, [](unsigned i) {
            return Integer_$_exponent_$_Float(kIntegers[i], 0.5f + static_cast<float>(i % 3));
        });
    });
    benchmark::RegisterBenchmark("Float_$_exponent_$_Float", [](benchmark::State& state) {
        arithmetic(state, [](unsigned i) {
            return Float_$_exponent_$_Float(std::fabs(kFloats[i]), 1.5f);
        });
    });
    benchmark::RegisterBenchmark("Integer_$_compare_$_Integer", [](benchmark::State& state) {
        arithmetic(state, [](unsigned i) {
            return Integer_$_compare_$_Integer(kIntegers[i], kIntegers[(i + 5) % 16]);
        });
    });
    benchmark::RegisterBenchmark("Ternary_$_pick_$_String_$_String_$_String",
                                 [](benchmark::State& state) {
                                     const String s = view(kShortText);
                                     arithmetic(state, [s](unsigned i) {
                                         return Ternary_$_pick_$_String_$_String_$_String(
                                                    static_cast<int32_t>(i % 3) - 1, s, s, s)
                                             .length;
                                     });
                                 });
}

}  // namespace

int main(int argc, char** argv) {
    register_strings();
    register_output();
    register_arithmetic_and_selection();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
