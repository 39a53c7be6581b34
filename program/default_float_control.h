// SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
#pragma once
// The floating-point control under which every path decides: round to
// nearest, exceptions masked, denormals kept. The reciprocal and quotient
// tests hold only there, and it is the process's default; a caller may have
// set another (for its own Float output, say), so a test sets the default
// for its own arithmetic and gives the caller's control back when it ends.
//
// The register is MXCSR on x86-64 and FPCR on 64-bit Arm, read and written
// by volatile asm, which the compiler never moves across other volatile asm.
// Elsewhere only the rounding mode is portable (<cfenv>); the portable path
// decides by exact division, which needs nothing more.
#include <cstdint>

#if !defined(__x86_64__) && !defined(__aarch64__)
#include <cfenv>
#endif

namespace primes {
// Internal linkage: compiled into each per-instruction-set source.
namespace {

#if defined(__x86_64__)
using FloatControl = uint32_t;
// Every exception masked, round to nearest, no flush to zero; no flags set.
constexpr FloatControl kDefaultFloatControl = 0x1f80;
// The low six bits are the sticky exception flags, not control.
constexpr FloatControl kExceptionFlags = 0x3f;
#elif defined(__aarch64__)
using FloatControl = uint64_t;
constexpr FloatControl kDefaultFloatControl = 0;
constexpr FloatControl kExceptionFlags = 0;  // kept in FPSR, apart
#else
using FloatControl = int;
constexpr FloatControl kDefaultFloatControl = FE_TONEAREST;
constexpr FloatControl kExceptionFlags = 0;  // not part of the rounding mode
#endif

inline FloatControl read_float_control() {
    FloatControl value;
#if defined(__x86_64__)
    asm volatile("stmxcsr %0" : "=m"(value));
#elif defined(__aarch64__)
    asm volatile("mrs %0, fpcr" : "=r"(value));
#else
    value = std::fegetround();
#endif
    return value;
}

inline void write_float_control(FloatControl value) {
#if defined(__x86_64__)
    asm volatile("ldmxcsr %0" : : "m"(value));
#elif defined(__aarch64__)
    asm volatile("msr fpcr, %0" : : "r"(value));
#else
    std::fesetround(value);
#endif
}

// Sets the default control for its lifetime where the caller's differs, and
// gives the caller's back at its end. Reading costs a few cycles; writing
// happens only for a caller that changed the control.
class DefaultFloatControl {
  public:
    DefaultFloatControl() : caller_(read_float_control()) {
        if (__builtin_expect(changed(), 0)) write_float_control(kDefaultFloatControl);
    }
    ~DefaultFloatControl() {
        if (__builtin_expect(changed(), 0)) write_float_control(caller_);
    }
    DefaultFloatControl(const DefaultFloatControl&) = delete;
    DefaultFloatControl& operator=(const DefaultFloatControl&) = delete;

  private:
    bool changed() const { return (caller_ & ~kExceptionFlags) != kDefaultFloatControl; }
    FloatControl caller_;
};

}  // namespace
}  // namespace primes
