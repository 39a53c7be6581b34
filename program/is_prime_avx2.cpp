// The AVX2 path: 8 float or 4 double lanes.
#include <immintrin.h>

#include <cstdint>

#include "prime_paths.h"
#include "trial_division_kernel.h"

namespace primes {
namespace {

struct Avx2Floats {
    static constexpr int32_t kExactBelow = kFloatDivisionExactBelow;
    using Vector = __m256;
    static constexpr int32_t kWidth = 8;
    static Vector splat(int32_t value) { return _mm256_set1_ps(static_cast<float>(value)); }
    static Vector first_candidates() { return _mm256_load_ps(kFirstOddFloats); }
    static Vector add(Vector a, Vector b) { return _mm256_add_ps(a, b); }
    static unsigned divisors(Vector x, Vector d) {
        const __m256 quotient = _mm256_div_ps(x, d);
        const __m256 whole = _mm256_round_ps(quotient, _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC);
        return static_cast<unsigned>(
            _mm256_movemask_ps(_mm256_cmp_ps(quotient, whole, _CMP_EQ_OQ)));
    }
    static unsigned within(Vector d, Vector limit) {
        return static_cast<unsigned>(_mm256_movemask_ps(_mm256_cmp_ps(d, limit, _CMP_LE_OQ)));
    }
};

struct Avx2Doubles {
    using Vector = __m256d;
    static constexpr int32_t kWidth = 4;
    static Vector splat(int32_t value) { return _mm256_set1_pd(value); }
    static Vector first_candidates() { return _mm256_load_pd(kFirstOddDoubles); }
    static Vector add(Vector a, Vector b) { return _mm256_add_pd(a, b); }
    static unsigned divisors(Vector x, Vector d) {
        const __m256d quotient = _mm256_div_pd(x, d);
        const __m256d whole = _mm256_round_pd(quotient, _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC);
        return static_cast<unsigned>(
            _mm256_movemask_pd(_mm256_cmp_pd(quotient, whole, _CMP_EQ_OQ)));
    }
    static unsigned within(Vector d, Vector limit) {
        return static_cast<unsigned>(_mm256_movemask_pd(_mm256_cmp_pd(d, limit, _CMP_LE_OQ)));
    }
};

}  // namespace

int32_t is_prime_avx2(int32_t x) {
    return is_prime_on_lanes<Avx2Floats, 2, Avx2Doubles, 4>(x);
}

void run_range_avx2() {
    run_range_on_lanes<Avx2Floats, 2>();
}

void tally_range_avx2(RangeTally& tally) {
    tally_range_on_lanes<Avx2Floats, 2>(tally);
}

}  // namespace primes
