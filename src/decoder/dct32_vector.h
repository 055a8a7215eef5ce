// The 32-point DCT of the synthesis in SSE registers, for the vector forms. It performs the
// reference form's float operations on the same operands (halving level by level, then
// recombining), only four at a time, so its outputs are the reference form's bit for bit.
// Included by the form's own file; everything here has internal linkage, so each form keeps the
// code its compiler options give.
#pragma once

#if defined(__x86_64__)
#include <emmintrin.h>

#include <cstdint>

namespace yumekaze::decoder {
namespace {

inline __m128 DctReversed(__m128 v) { return _mm_shuffle_ps(v, v, _MM_SHUFFLE(0, 1, 2, 3)); }

// One halving of a block of N (8 or more) from `in` into `out`: N/2 sums x_i + x_{N-1-i}, then
// N/2 differences (x_i - x_{N-1-i}) x factor_i.
template <int N>
inline void DctSplit(const float* in, float* out, const float* factors) {
  for (int i = 0; i < N / 2; i += 4) {
    const __m128 front = _mm_loadu_ps(in + i);
    const __m128 back = DctReversed(_mm_loadu_ps(in + N - 4 - i));
    _mm_storeu_ps(out + i, _mm_add_ps(front, back));
    _mm_storeu_ps(out + N / 2 + i, _mm_mul_ps(_mm_sub_ps(front, back), _mm_loadu_ps(factors + i)));
  }
}

// Halving of one block of 4: [x0 x1 x2 x3] -> [x0 + x3, x1 + x2, (x0 - x3) c0, (x1 - x2) c1];
// factors holds c0 c1 c0 c1.
inline __m128 DctSplit4(__m128 x, __m128 factors) {
  const __m128 front = _mm_shuffle_ps(x, x, _MM_SHUFFLE(1, 0, 1, 0));
  const __m128 back = _mm_shuffle_ps(x, x, _MM_SHUFFLE(2, 3, 2, 3));
  const __m128 sums = _mm_add_ps(front, back);
  const __m128 differences = _mm_mul_ps(_mm_sub_ps(front, back), factors);
  return _mm_shuffle_ps(sums, differences, _MM_SHUFFLE(3, 2, 1, 0));
}

// Halving of two blocks of 2: [x0 x1 y0 y1] -> [x0 + x1, (x0 - x1) c, y0 + y1, (y0 - y1) c].
inline __m128 DctSplit2(__m128 x, __m128 factor) {
  const __m128 front = _mm_shuffle_ps(x, x, _MM_SHUFFLE(2, 2, 0, 0));
  const __m128 back = _mm_shuffle_ps(x, x, _MM_SHUFFLE(3, 3, 1, 1));
  const __m128 sums = _mm_add_ps(front, back);
  const __m128 differences = _mm_mul_ps(_mm_sub_ps(front, back), factor);
  const __m128 grouped = _mm_shuffle_ps(sums, differences, _MM_SHUFFLE(3, 1, 2, 0));
  return _mm_shuffle_ps(grouped, grouped, _MM_SHUFFLE(3, 1, 2, 0));
}

// [o1 o2 o3 -0]: adding -0.0 leaves every value as it is, so the last odd output stays alone.
inline __m128 DctNextOdd(__m128 o) {
  const __m128 shifted = _mm_castsi128_ps(_mm_srli_si128(_mm_castps_si128(o), 4));
  return _mm_or_ps(shifted, _mm_castsi128_ps(_mm_setr_epi32(0, 0, 0, INT32_MIN)));
}

// Recombination of a block of N (8 or more) from its halves' transforms in `in` (even half, then
// odd half) into `out`: out[2k] = even[k], out[2k + 1] = odd[k] + odd[k + 1], out[N - 1] = the
// last odd alone.
template <int N>
inline void DctCombine(const float* in, float* out) {
  constexpr int kHalf = N / 2;
  const float* odd = in + kHalf;
  for (int c = 0; c < kHalf / 4; ++c) {
    const __m128 o = _mm_loadu_ps(odd + 4 * c);
    const __m128 next = c + 1 < kHalf / 4 ? _mm_loadu_ps(odd + 4 * c + 1) : DctNextOdd(o);
    const __m128 sums = _mm_add_ps(o, next);
    const __m128 even = _mm_loadu_ps(in + 4 * c);
    _mm_storeu_ps(out + 8 * c, _mm_unpacklo_ps(even, sums));
    _mm_storeu_ps(out + 8 * c + 4, _mm_unpackhi_ps(even, sums));
  }
}

// table: the 31 factors of the cosine table (N = 32, 16, 8, 4, 2).
inline void Dct32Vector(const float* table, const float* input, float* output) {
  alignas(16) float a[32];
  alignas(16) float b[32];
  DctSplit<32>(input, a, table);
  DctSplit<16>(a, b, table + 16);
  DctSplit<16>(a + 16, b + 16, table + 16);
  for (int k = 0; k < 32; k += 8) DctSplit<8>(b + k, a + k, table + 24);
  const __m128 factors4 = _mm_setr_ps(table[28], table[29], table[28], table[29]);
  for (int k = 0; k < 32; k += 4) _mm_store_ps(b + k, DctSplit4(_mm_load_ps(a + k), factors4));
  const __m128 factor2 = _mm_set1_ps(table[30]);
  // Blocks of 2 are transformed once halved: [sum, difference].
  for (int k = 0; k < 32; k += 4) _mm_store_ps(a + k, DctSplit2(_mm_load_ps(b + k), factor2));
  // Blocks of 4: [e0 e1 o0 o1] -> [e0, o0 + o1, e1, o1].
  for (int k = 0; k < 32; k += 4) {
    const float e1 = a[k + 1];
    a[k + 1] = a[k + 2] + a[k + 3];
    a[k + 2] = e1;
  }
  for (int k = 0; k < 32; k += 8) DctCombine<8>(a + k, b + k);
  DctCombine<16>(b, a);
  DctCombine<16>(b + 16, a + 16);
  DctCombine<32>(a, output);
}

}  // namespace
}  // namespace yumekaze::decoder

#endif  // __x86_64__
