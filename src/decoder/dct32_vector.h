// The 32-point DCT of the synthesis in SSE registers, for the vector forms. It performs the
// reference form's float operations on the same operands (halving level by level, then
// recombining), only four at a time, so its outputs are the reference form's bit for bit.
// Included by the form's own file; everything here has internal linkage, so each form keeps the
// code its compiler options give.
#pragma once

#if defined(__x86_64__)
#include <emmintrin.h>

#include <cstdint>

#include "decoder/synthesis.h"

namespace yumekaze::decoder {
namespace {

inline __m128 DctReversed(__m128 v) { return _mm_shuffle_ps(v, v, _MM_SHUFFLE(0, 1, 2, 3)); }

// [a1 a2 a3 b0]: the odd outputs one further on.
inline __m128 DctNext(__m128 a, __m128 b) {
  return _mm_castsi128_ps(_mm_or_si128(_mm_srli_si128(_mm_castps_si128(a), 4),
                                       _mm_slli_si128(_mm_castps_si128(b), 12)));
}
// [a1 a2 a3 -0]: the last odd output stays alone, as adding -0.0 leaves every value as it is.
inline __m128 DctNextLast(__m128 a) {
  return _mm_or_ps(_mm_castsi128_ps(_mm_srli_si128(_mm_castps_si128(a), 4)),
                   _mm_castsi128_ps(_mm_setr_epi32(0, 0, 0, INT32_MIN)));
}

// table: the 31 factors of the cosine table (N = 32, 16, 8, 4, 2). The 32 values stay in eight
// registers throughout; each level halves every block (sums, then differences times the level's
// factors), and the recombination goes back up: out[2k] = even[k], out[2k + 1] = odd[k] +
// odd[k + 1].
inline void Dct32Vector(const float* table, const float* input, DctInput layout, float* output) {
  __m128 x[8];
  __m128 y[8];
  if (layout == kDctContiguous) {
#pragma GCC unroll 8
    for (int v = 0; v < 8; ++v) x[v] = _mm_loadu_ps(input + 4 * v);
  } else {
// Two registers of left/right pairs give four values of each channel.
#pragma GCC unroll 8
    for (int v = 0; v < 8; ++v) {
      const __m128 first = _mm_loadu_ps(input + 8 * v);
      const __m128 second = _mm_loadu_ps(input + 8 * v + 4);
      const __m128 left = _mm_shuffle_ps(first, second, _MM_SHUFFLE(2, 0, 2, 0));
      const __m128 right = _mm_shuffle_ps(first, second, _MM_SHUFFLE(3, 1, 3, 1));
      x[v] = layout == kDctLeft    ? left
             : layout == kDctRight ? right
                                   : _mm_mul_ps(_mm_add_ps(left, right), _mm_set1_ps(0.5f));
    }
  }
#pragma GCC unroll 8
  for (int i = 0; i < 4; ++i) {
    const __m128 back = DctReversed(x[7 - i]);
    y[i] = _mm_add_ps(x[i], back);
    y[4 + i] = _mm_mul_ps(_mm_sub_ps(x[i], back), _mm_loadu_ps(table + 4 * i));
  }
#pragma GCC unroll 8
  for (int b = 0; b < 8; b += 4) {
#pragma GCC unroll 8
    for (int i = 0; i < 2; ++i) {
      const __m128 back = DctReversed(y[b + 3 - i]);
      x[b + i] = _mm_add_ps(y[b + i], back);
      x[b + 2 + i] = _mm_mul_ps(_mm_sub_ps(y[b + i], back), _mm_loadu_ps(table + 16 + 4 * i));
    }
  }
  const __m128 factors8 = _mm_loadu_ps(table + 24);
#pragma GCC unroll 8
  for (int b = 0; b < 8; b += 2) {
    const __m128 back = DctReversed(x[b + 1]);
    y[b] = _mm_add_ps(x[b], back);
    y[b + 1] = _mm_mul_ps(_mm_sub_ps(x[b], back), factors8);
  }
  // Blocks of 4 and 2, four blocks at a time: transposed, each register holds one position of
  // four blocks, so the halvings and the recombination are plain lane-wise operations.
  const __m128 c0 = _mm_set1_ps(table[28]);
  const __m128 c1 = _mm_set1_ps(table[29]);
  const __m128 c2 = _mm_set1_ps(table[30]);
#pragma GCC unroll 2
  for (int g = 0; g < 8; g += 4) {
    __m128 p0 = y[g];
    __m128 p1 = y[g + 1];
    __m128 p2 = y[g + 2];
    __m128 p3 = y[g + 3];
    _MM_TRANSPOSE4_PS(p0, p1, p2, p3);
    // Halving of 4: sums x0 + x3, x1 + x2; differences (x0 - x3) c0, (x1 - x2) c1.
    const __m128 s0 = _mm_add_ps(p0, p3);
    const __m128 s1 = _mm_add_ps(p1, p2);
    const __m128 d0 = _mm_mul_ps(_mm_sub_ps(p0, p3), c0);
    const __m128 d1 = _mm_mul_ps(_mm_sub_ps(p1, p2), c1);
    // Halving of each 2 (which transforms it), then [e0, o0 + o1, e1, o1].
    __m128 q0 = _mm_add_ps(s0, s1);
    __m128 q2 = _mm_mul_ps(_mm_sub_ps(s0, s1), c2);
    const __m128 o0 = _mm_add_ps(d0, d1);
    __m128 q3 = _mm_mul_ps(_mm_sub_ps(d0, d1), c2);
    __m128 q1 = _mm_add_ps(o0, q3);
    _MM_TRANSPOSE4_PS(q0, q1, q2, q3);
    y[g] = q0;
    y[g + 1] = q1;
    y[g + 2] = q2;
    y[g + 3] = q3;
  }
#pragma GCC unroll 8
  for (int b = 0; b < 8; b += 2) {
    const __m128 sums = _mm_add_ps(y[b + 1], DctNextLast(y[b + 1]));
    x[b] = _mm_unpacklo_ps(y[b], sums);
    x[b + 1] = _mm_unpackhi_ps(y[b], sums);
  }
#pragma GCC unroll 8
  for (int b = 0; b < 8; b += 4) {
    const __m128 first = _mm_add_ps(x[b + 2], DctNext(x[b + 2], x[b + 3]));
    const __m128 second = _mm_add_ps(x[b + 3], DctNextLast(x[b + 3]));
    y[b] = _mm_unpacklo_ps(x[b], first);
    y[b + 1] = _mm_unpackhi_ps(x[b], first);
    y[b + 2] = _mm_unpacklo_ps(x[b + 1], second);
    y[b + 3] = _mm_unpackhi_ps(x[b + 1], second);
  }
#pragma GCC unroll 8
  for (int c = 0; c < 4; ++c) {
    const __m128 next = c < 3 ? DctNext(y[4 + c], y[5 + c]) : DctNextLast(y[7]);
    const __m128 sums = _mm_add_ps(y[4 + c], next);
    _mm_storeu_ps(output + 8 * c, _mm_unpacklo_ps(y[c], sums));
    _mm_storeu_ps(output + 8 * c + 4, _mm_unpackhi_ps(y[c], sums));
  }
}

}  // namespace
}  // namespace yumekaze::decoder

#endif  // __x86_64__
