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

// The inverses of the first kCount odd candidates from 3, and the largest
// quotient floor((2^32 - 1) / d) of each.
template <int kCount>
struct FirstStepConstants {
    alignas(64) uint32_t inverse[static_cast<std::size_t>(kCount)];
    alignas(64) uint32_t largest_quotient[static_cast<std::size_t>(kCount)];
};

template <int kCount>
constexpr FirstStepConstants<kCount> first_step_constants() {
    FirstStepConstants<kCount> constants{};
    for (int i = 0; i < kCount; ++i) {
        const auto d = static_cast<uint32_t>(2 * i + 3);
        constants.inverse[i] = inverse_modulo_2_32(d);
        constants.largest_quotient[i] = UINT32_MAX / d;
    }
    return constants;
}

template <int kCount>
constexpr bool every_inverse_checks(const FirstStepConstants<kCount>& constants) {
    for (int i = 0; i < kCount; ++i) {
        if (static_cast<uint32_t>(2 * i + 3) * constants.inverse[i] != 1) return false;
    }
    return true;
}

// The fewest bits k with x / 3 < 2^k for every 0 < x < bound.
constexpr int quotient_bits_below(int64_t bound) {
    int bits = 0;
    while ((int64_t{1} << bits) * 3 <= bound - 1) ++bits;
    return bits;
}

// Ops gives one instruction set's operations on a register of 32-bit
// unsigned lanes:
//   Register, kLanes          the register and its number of lanes
//   splat, load               every lane the value; aligned lanes
//   multiply(a, b)            each product's low 32 bits
//   min(a, b)                 lane-wise, unsigned
//   any_below<k>(a)           nonzero when some lane is below 2^k
//   any_at_most(a, b)         nonzero when some lane of a is at most b's
//
// Decides the odd candidates 3, 5, ..., 2 kCandidates + 1 for dividends
// 0 < x < kDividendsBelow.
template <class Ops, int kCandidates, int64_t kDividendsBelow>
struct InverseFirstStep {
    static constexpr int kCandidateCount = kCandidates;
    static constexpr int64_t kDividendBound = kDividendsBelow;
    static constexpr int kRegisters = kCandidates / Ops::kLanes;
    static_assert(kRegisters * Ops::kLanes == kCandidates, "whole registers of candidates");
    static_assert(kDividendsBelow <= int64_t{UINT32_MAX} + 1, "dividends are 32-bit");

    static constexpr int64_t kLargestCandidate = 2 * kCandidates + 1;
    // One bound for every lane, 2^k, when every x / d is below it and no
    // product 2^k * d reaches 2^32: then q < 2^k exactly when d divides x.
    // Otherwise each lane has its own, q <= floor((2^32 - 1) / d).
    static constexpr int kQuotientBits = quotient_bits_below(kDividendsBelow);
    static constexpr bool kOneBound =
        (int64_t{1} << kQuotientBits) * kLargestCandidate <= int64_t{UINT32_MAX} + 1;

    static constexpr FirstStepConstants<kCandidates> kConstants =
        first_step_constants<kCandidates>();
    static_assert(every_inverse_checks(kConstants), "d * inv(d) == 1 modulo 2^32");

    [[gnu::always_inline]] static bool has_divisor(int32_t x) {
        using Register = typename Ops::Register;
        const Register dividend = Ops::splat(static_cast<uint32_t>(x));
        Register quotient[static_cast<std::size_t>(kRegisters)];
        for (int i = 0; i < kRegisters; ++i)
            quotient[i] = Ops::multiply(dividend, Ops::load(kConstants.inverse + i * Ops::kLanes));
        if constexpr (kOneBound) {
            // The least quotient of each lane, by a tree of minimums.
            for (int count = kRegisters; count > 1; count = (count + 1) / 2) {
                for (int i = 0; i < count / 2; ++i)
                    quotient[i] = Ops::min(quotient[i], quotient[i + (count + 1) / 2]);
            }
            return Ops::template any_below<kQuotientBits>(quotient[0]) != 0;
        } else {
            unsigned found = 0;
            for (int i = 0; i < kRegisters; ++i) {
                const Register largest = Ops::load(kConstants.largest_quotient + i * Ops::kLanes);
                found |= Ops::any_at_most(quotient[i], largest);
            }
            return found != 0;
        }
    }
};

// Plain unsigned arithmetic, for targets without a packed 32-bit multiply.
struct ScalarIntegerOps {
    using Register = uint32_t;
    static constexpr int kLanes = 1;
    static Register splat(uint32_t value) { return value; }
    static Register load(const uint32_t* lane) { return *lane; }
    static Register multiply(Register a, Register b) { return a * b; }
    static Register min(Register a, Register b) { return b < a ? b : a; }
    template <int kBits>
    static unsigned any_below(Register a) {
        return static_cast<unsigned>((a >> kBits) == 0);
    }
    static unsigned any_at_most(Register a, Register b) { return static_cast<unsigned>(a <= b); }
};

}  // namespace
}  // namespace primes
