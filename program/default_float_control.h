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
inline FloatControl read_float_control() {
    FloatControl value;
    asm volatile("stmxcsr %0" : "=m"(value));
    return value;
}
inline void write_float_control(FloatControl value) {
    asm volatile("ldmxcsr %0" : : "m"(value));
}
// The low six bits are the sticky exception flags, not control.
inline bool is_default_float_control(FloatControl value) {
    return (value & ~FloatControl{0x3f}) == kDefaultFloatControl;
}
#elif defined(__aarch64__)
using FloatControl = uint64_t;
constexpr FloatControl kDefaultFloatControl = 0;
inline FloatControl read_float_control() {
    FloatControl value;
    asm volatile("mrs %0, fpcr" : "=r"(value));
    return value;
}
inline void write_float_control(FloatControl value) {
    asm volatile("msr fpcr, %0" : : "r"(value));
}
inline bool is_default_float_control(FloatControl value) {
    return value == kDefaultFloatControl;
}
#else
using FloatControl = int;
constexpr FloatControl kDefaultFloatControl = FE_TONEAREST;
inline FloatControl read_float_control() {
    return std::fegetround();
}
inline void write_float_control(FloatControl value) {
    std::fesetround(value);
}
inline bool is_default_float_control(FloatControl value) {
    return value == kDefaultFloatControl;
}
#endif

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
    bool changed() const { return !is_default_float_control(caller_); }
    FloatControl caller_;
};

}  // namespace
}  // namespace primes
