// SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
#pragma once
// The first step of trial division in integer lanes: each of its fixed
// candidates d = 3, 5, ..., 2n + 1 is decided as compilers decide
// `x % 3 == 0`, by the product q = x * inv(d) modulo 2^32 with d's inverse
// modulo 2^32, which is small exactly when d divides x. No rounding mode is
// read. Why the bounds below decide exactly: docs/exactness.md, "The first
// step by inverses".
#include <cstddef>
#include <cstdint>

#include "trial_division_kernel.h"

namespace primes {
// Internal linkage keeps every instantiation with its own source's
// instruction set.
namespace {

// The inverse of odd d modulo 2^32, by Newton's iteration: d * d == 1
// modulo 8, and each step doubles the bits that are right.
constexpr uint32_t inverse_modulo_2_32(uint32_t d) {
    uint32_t inverse = d;
    for (int bits = 3; bits < 32; bits *= 2) inverse *= 2 - d * inverse;
    return inverse;
}

template <int kCount>
constexpr bool every_inverse_checks(const AlignedLanes<uint32_t, kCount>& inverses) {
    for (int i = 0; i < kCount; ++i) {
        if (static_cast<uint32_t>(2 * i + 3) * inverses.lane[i] != 1) return false;
    }
    return true;
}

// The fewest bits k with x / 3 < 2^k for every 0 < x < bound.
constexpr int quotient_bits_below(int64_t bound) {
    int bits = 0;
    while ((int64_t{1} << bits) * 3 <= bound - 1) ++bits;
    return bits;
}

// The k of the bound 2^k that Ops tests against: its own, if it has one,
// otherwise the least that exceeds every quotient.
template <class Ops, int kLeast>
constexpr int bound_bits() {
    if constexpr (requires { Ops::kQuotientBits; }) {
        static_assert(Ops::kQuotientBits >= kLeast, "every quotient below the bound");
        return Ops::kQuotientBits;
    } else {
        return kLeast;
    }
}

// Ops gives one instruction set's operations on a register of 32-bit
// unsigned lanes:
//   Register, kLanes    the register and its number of lanes
//   splat, load         every lane the value; kLanes lanes from an aligned
//                       array
//   multiply(a, b)      each product's low 32 bits
//   any_below<k>(a)     nonzero when some lane is below 2^k
//   least(a, b)         a register with a lane below 2^k exactly when a or
//                       b has one: the lane-wise minimum, or less
// and, optionally, kQuotientBits: the one k its any_below takes.
//
// Decides the odd candidates 3, 5, ..., 2 kCandidates + 1 for dividends
// 0 < x < kDividendsBelow, by one bound 2^k for every lane: every x / d,
// d >= 3, is below it, and no product 2^k d reaches 2^32, so q < 2^k
// exactly when d divides x.
template <class Ops, int kCandidates, int64_t kDividendsBelow>
struct InverseFirstStep {
    static constexpr int kCandidateCount = kCandidates;
    static constexpr int64_t kDividendBound = kDividendsBelow;
    static constexpr int kQuotientBits = bound_bits<Ops, quotient_bits_below(kDividendsBelow)>();
    static_assert((int64_t{1} << kQuotientBits) * (2 * kCandidates + 1) <= int64_t{1} << 32,
                  "the largest candidate times the bound within 2^32");

    static constexpr int kRegisters = kCandidates / Ops::kLanes;
    static_assert(kRegisters * Ops::kLanes == kCandidates, "whole registers of candidates");
    static constexpr AlignedLanes<uint32_t, kCandidates> kInverses =
        for_first_odd<uint32_t, kCandidates>(
            [](int d) { return inverse_modulo_2_32(static_cast<uint32_t>(d)); });
    static_assert(every_inverse_checks(kInverses), "d * inv(d) == 1 modulo 2^32");

    [[gnu::always_inline]] static bool has_divisor(int32_t x) {
        using Register = typename Ops::Register;
        const Register dividend = Ops::splat(static_cast<uint32_t>(x));
        Register quotient[static_cast<std::size_t>(kRegisters)];
        for (int i = 0; i < kRegisters; ++i)
            quotient[i] = Ops::multiply(dividend, Ops::load(kInverses.lane + i * Ops::kLanes));
        // A tree of minimums, for a short chain to the verdict.
        for (int count = kRegisters; count > 1; count = (count + 1) / 2) {
            for (int i = 0; i < count / 2; ++i)
                quotient[i] = Ops::least(quotient[i], quotient[i + (count + 1) / 2]);
        }
        return Ops::template any_below<kQuotientBits>(quotient[0]) != 0;
    }
};

// Plain unsigned arithmetic, for targets without a packed 32-bit multiply.
struct ScalarIntegerOps {
    using Register = uint32_t;
    static constexpr int kLanes = 1;
    static Register splat(uint32_t value) { return value; }
    static Register load(const uint32_t* lane) { return *lane; }
    static Register multiply(Register a, Register b) { return a * b; }
    static Register least(Register a, Register b) { return b < a ? b : a; }
    template <int kBits>
    static unsigned any_below(Register a) {
        return static_cast<unsigned>((a >> kBits) == 0);
    }
};

}  // namespace
}  // namespace primes
