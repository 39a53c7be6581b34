// SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
// Number text without the formatted-printing machinery, byte for byte as
// "%i" and "%f" write it.
#include "number_text.h"

#include <langinfo.h>

#include <bit>
#include <cfenv>
#include <cstdio>
#include <cstring>

namespace prelude {
namespace {

constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

void write_pair(char* at, unsigned pair) {
    std::memcpy(at, kDigitPairs + 2 * pair, 2);
}

// The number of decimal digits of value (1 for 0), from its bit width.
std::size_t decimal_digits(uint64_t value) {
    static constexpr uint64_t kPowersOfTen[] = {1,
                                                10,
                                                100,
                                                1'000,
                                                10'000,
                                                100'000,
                                                1'000'000,
                                                10'000'000,
                                                100'000'000,
                                                1'000'000'000,
                                                10'000'000'000,
                                                100'000'000'000,
                                                1'000'000'000'000,
                                                10'000'000'000'000,
                                                100'000'000'000'000,
                                                1'000'000'000'000'000,
                                                10'000'000'000'000'000,
                                                100'000'000'000'000'000,
                                                1'000'000'000'000'000'000,
                                                10'000'000'000'000'000'000u};
    // With width bits, value lies in [2^(width-1), 2^width): its digit count
    // is guess or guess + 1, guess = floor(width * log10(2)) (1233 / 4096 is
    // log10(2) to within 2^-17, close enough for every width up to 64).
    const uint64_t nonzero = value | 1;
    const auto guess = static_cast<std::size_t>(std::bit_width(nonzero) * 1233) >> 12;
    return guess + (nonzero >= kPowersOfTen[guess] ? 1 : 0);
}

// The decimal digits of value, without leading zeros, at text; their count.
// Unsigned is uint32_t where that suffices: its divisions are cheaper.
template <class Unsigned>
std::size_t write_decimal(Unsigned value, char* text) {
    const std::size_t count = decimal_digits(value);
    char* end = text + count;
    while (value >= 100) {
        end -= 2;
        write_pair(end, static_cast<unsigned>(value % 100));
        value /= 100;
    }
    if (value >= 10) {
        write_pair(end - 2, static_cast<unsigned>(value));
    } else {
        end[-1] = static_cast<char>('0' + value);
    }
    return count;
}

// Exactly `count` decimal digits of value (below 10^count), zeros in front.
void write_fixed_width(uint32_t value, char* text, int count) {
    for (int at = count; at >= 2; at -= 2) {
        write_pair(text + at - 2, value % 100);
        value /= 100;
    }
    if (count % 2 != 0) text[0] = static_cast<char>('0' + value);
}

constexpr uint32_t kLimbBase = 1'000'000'000;  // nine decimal digits a limb

// The digits of m * 2^e, for m < 2^24 and 0 <= e <= 104 (at most 39 digits),
// by doubling in base 10^9, so no wider-than-64-bit arithmetic is needed.
std::size_t write_scaled_decimal(uint32_t m, int e, char* text) {
    uint32_t limbs[5] = {m};  // least significant first
    int used = 1;
    while (e > 0) {
        const int shift = e < 29 ? e : 29;  // a limb times 2^29 fits in 64 bits
        e -= shift;
        uint64_t carry = 0;
        for (int i = 0; i < used; ++i) {
            const uint64_t wide = (uint64_t{limbs[i]} << shift) + carry;
            limbs[i] = static_cast<uint32_t>(wide % kLimbBase);
            carry = wide / kLimbBase;
        }
        if (carry != 0) limbs[used++] = static_cast<uint32_t>(carry);
    }
    std::size_t length = write_decimal(limbs[used - 1], text);
    for (int i = used - 2; i >= 0; --i) {
        write_fixed_width(limbs[i], text + length, 9);
        length += 9;
    }
    return length;
}

// Whether "%f" would write as the fast conversion does: a "." decimal point
// in this thread's locale and round-to-nearest.
bool formats_as_c_locale() {
    const char* point = nl_langinfo(RADIXCHAR);
    return point[0] == '.' && point[1] == '\0' && std::fegetround() == FE_TONEAREST;
}

std::size_t libc_float_text(float value, char* text) {
    const int count = std::snprintf(text, kNumberTextSize, "%f", static_cast<double>(value));
    return count > 0 ? static_cast<std::size_t>(count) : 0;
}

std::size_t copy_word(const char* word, std::size_t length, char* text) {
    std::memcpy(text, word, length);
    return length;
}

}  // namespace

std::size_t integer_text(int32_t value, char* text) {
    std::size_t length = 0;
    uint32_t magnitude = static_cast<uint32_t>(value);
    if (value < 0) {
        text[length++] = '-';
        magnitude = 0u - magnitude;
    }
    return length + write_decimal(magnitude, text + length);
}

// A finite Float is m * 2^e exactly, with m < 2^24 and -149 <= e <= 104. Its
// text is the integer part, then the fraction times 10^6 rounded to the
// nearest integer, ties to even (glibc's rounding of the exact value), with a
// carry into the integer part when that reaches 10^6.
std::size_t float_text(float value, char* text) {
    const auto bits = std::bit_cast<uint32_t>(value);
    const bool negative = (bits >> 31) != 0;
    const uint32_t biased_exponent = (bits >> 23) & 0xff;
    const uint32_t fraction_bits = bits & 0x7fffff;
    // Whether a NaN keeps its sign when widened to double is the CPU's
    // choice (RISC-V makes every widened NaN the positive default one), so
    // libc writes NaNs, from the widened value as "%f" sees it.
    if (biased_exponent == 0xff && fraction_bits != 0) return libc_float_text(value, text);
    std::size_t length = 0;
    if (negative) text[length++] = '-';
    if (biased_exponent == 0xff) return length + copy_word("inf", 3, text + length);
    if (!formats_as_c_locale()) return libc_float_text(value, text);

    const uint32_t m = biased_exponent == 0 ? fraction_bits : fraction_bits | 0x800000;
    const int e = biased_exponent == 0 ? -149 : static_cast<int>(biased_exponent) - 150;
    uint32_t millionths = 0;
    if (e >= 0) {
        length += e <= 40 ? write_decimal(uint64_t{m} << e, text + length)
                          : write_scaled_decimal(m, e, text + length);
    } else {
        const int k = -e;  // value = m / 2^k
        uint64_t whole = k < 32 ? m >> k : 0;
        if (k <= 63) {
            const uint64_t part = m - (whole << k);    // below 2^k and below 2^24
            const uint64_t scaled = part * 1'000'000;  // below 2^44
            uint64_t rounded = scaled >> k;
            const uint64_t rest = scaled - (rounded << k);
            const uint64_t half = uint64_t{1} << (k - 1);
            if (rest > half || (rest == half && (rounded & 1) != 0)) ++rounded;
            if (rounded == 1'000'000) {
                rounded = 0;
                ++whole;
            }
            millionths = static_cast<uint32_t>(rounded);
        }
        // For k > 63 the fraction times 10^6 is below 2^44, far below half of
        // 2^k: it rounds to 0.
        length += write_decimal(whole, text + length);
    }
    text[length++] = '.';
    write_fixed_width(millionths, text + length, 6);
    return length + 6;
}

}  // namespace prelude
