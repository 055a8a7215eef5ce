// The 32-point DCT of the synthesis in vector registers, for the vector forms. It performs the
// reference form's float operations on the same operands (halving level by level, then
// recombining), only four at a time, so its outputs are the reference form's bit for bit. The
// 128-bit form transforms one slot; the 256-bit form (AVX2 builds only) two slots at once, one in
// each half of the registers, which keeps two independent chains of operations in flight.
// Included by the form's own file; everything here has internal linkage, so each form keeps the
// code its compiler options give.
#pragma once

#if defined(__x86_64__)
#include <emmintrin.h>
#if defined(__AVX2__)
#include <immintrin.h>
#endif

#include <cstdint>

#include "decoder/synthesis.h"

namespace yumekaze::decoder {
namespace {

// Four values of one slot, from any of the input layouts.
inline __m128 DctLoad(const float* input, DctInput layout, int v) {
  if (layout == kDctContiguous) return _mm_loadu_ps(input + 4 * v);
  // Two registers of left/right pairs give four values of each channel.
  const __m128 first = _mm_loadu_ps(input + 8 * v);
  const __m128 second = _mm_loadu_ps(input + 8 * v + 4);
  const __m128 left = _mm_shuffle_ps(first, second, _MM_SHUFFLE(2, 0, 2, 0));
  const __m128 right = _mm_shuffle_ps(first, second, _MM_SHUFFLE(3, 1, 3, 1));
  return layout == kDctLeft    ? left
         : layout == kDctRight ? right
                               : _mm_mul_ps(_mm_add_ps(left, right), _mm_set1_ps(0.5f));
}

// One slot per register.
struct DctLanes128 {
  using Reg = __m128;
  static Reg Load(const float* input, int32_t, DctInput layout, int v) {
    return DctLoad(input, layout, v);
  }
  static void Store(float* first, float*, int offset, Reg v) { _mm_storeu_ps(first + offset, v); }
  static Reg Factors(const float* table) { return _mm_loadu_ps(table); }
  static Reg Set(float v) { return _mm_set1_ps(v); }
  static Reg Add(Reg a, Reg b) { return _mm_add_ps(a, b); }
  static Reg Sub(Reg a, Reg b) { return _mm_sub_ps(a, b); }
  static Reg Mul(Reg a, Reg b) { return _mm_mul_ps(a, b); }
  static Reg Reversed(Reg v) { return _mm_shuffle_ps(v, v, _MM_SHUFFLE(0, 1, 2, 3)); }
  static Reg UnpackLow(Reg a, Reg b) { return _mm_unpacklo_ps(a, b); }
  static Reg UnpackHigh(Reg a, Reg b) { return _mm_unpackhi_ps(a, b); }
  static Reg LowHalves(Reg a, Reg b) { return _mm_movelh_ps(a, b); }
  static Reg HighHalves(Reg a, Reg b) { return _mm_movehl_ps(b, a); }
  // [a1 a2 a3 b0]
  static Reg Next(Reg a, Reg b) {
    return _mm_castsi128_ps(_mm_or_si128(_mm_srli_si128(_mm_castps_si128(a), 4),
                                         _mm_slli_si128(_mm_castps_si128(b), 12)));
  }
  // [a1 a2 a3 -0]
  static Reg NextLast(Reg a) {
    return _mm_or_ps(_mm_castsi128_ps(_mm_srli_si128(_mm_castps_si128(a), 4)),
                     _mm_castsi128_ps(_mm_setr_epi32(0, 0, 0, INT32_MIN)));
  }
};

#if defined(__AVX2__)
// Two slots per register: the first in the low half, the second in the high half. Every
// operation stays within its half.
struct DctLanes256 {
  using Reg = __m256;
  static Reg Load(const float* input, int32_t slotStride, DctInput layout, int v) {
    if (layout == kDctBoth) {
      // Four left/right pairs, parted into the halves with one permutation.
      return _mm256_permutevar8x32_ps(_mm256_loadu_ps(input + 8 * v),
                                      _mm256_setr_epi32(0, 2, 4, 6, 1, 3, 5, 7));
    }
    return _mm256_set_m128(DctLoad(input + slotStride, layout, v), DctLoad(input, layout, v));
  }
  static void Store(float* first, float* second, int offset, Reg v) {
    _mm_storeu_ps(first + offset, _mm256_castps256_ps128(v));
    _mm_storeu_ps(second + offset, _mm256_extractf128_ps(v, 1));
  }
  static Reg Factors(const float* table) {
    return _mm256_broadcast_ps(reinterpret_cast<const __m128*>(table));
  }
  static Reg Set(float v) { return _mm256_set1_ps(v); }
  static Reg Add(Reg a, Reg b) { return _mm256_add_ps(a, b); }
  static Reg Sub(Reg a, Reg b) { return _mm256_sub_ps(a, b); }
  static Reg Mul(Reg a, Reg b) { return _mm256_mul_ps(a, b); }
  static Reg Reversed(Reg v) { return _mm256_shuffle_ps(v, v, _MM_SHUFFLE(0, 1, 2, 3)); }
  static Reg UnpackLow(Reg a, Reg b) { return _mm256_unpacklo_ps(a, b); }
  static Reg UnpackHigh(Reg a, Reg b) { return _mm256_unpackhi_ps(a, b); }
  static Reg LowHalves(Reg a, Reg b) {
    return _mm256_castpd_ps(_mm256_unpacklo_pd(_mm256_castps_pd(a), _mm256_castps_pd(b)));
  }
  static Reg HighHalves(Reg a, Reg b) {
    return _mm256_castpd_ps(_mm256_unpackhi_pd(_mm256_castps_pd(a), _mm256_castps_pd(b)));
  }
  static Reg Next(Reg a, Reg b) {
    return _mm256_castsi256_ps(_mm256_or_si256(_mm256_srli_si256(_mm256_castps_si256(a), 4),
                                               _mm256_slli_si256(_mm256_castps_si256(b), 12)));
  }
  static Reg NextLast(Reg a) {
    const __m256i negativeZero = _mm256_setr_epi32(0, 0, 0, INT32_MIN, 0, 0, 0, INT32_MIN);
    return _mm256_castsi256_ps(
        _mm256_or_si256(_mm256_srli_si256(_mm256_castps_si256(a), 4), negativeZero));
  }
};
#endif

// Transposes four registers of four values (per half, in the 256-bit form).
template <class L>
inline void DctTranspose(typename L::Reg& r0, typename L::Reg& r1, typename L::Reg& r2,
                         typename L::Reg& r3) {
  const typename L::Reg t0 = L::UnpackLow(r0, r1);
  const typename L::Reg t1 = L::UnpackLow(r2, r3);
  const typename L::Reg t2 = L::UnpackHigh(r0, r1);
  const typename L::Reg t3 = L::UnpackHigh(r2, r3);
  r0 = L::LowHalves(t0, t1);
  r1 = L::HighHalves(t0, t1);
  r2 = L::LowHalves(t2, t3);
  r3 = L::HighHalves(t2, t3);
}

// table: the 31 factors of the cosine table (N = 32, 16, 8, 4, 2). The 32 values stay in eight
// registers throughout; each level halves every block (sums, then differences times the level's
// factors), and the recombination goes back up: out[2k] = even[k], out[2k + 1] = odd[k] +
// odd[k + 1]. The 128-bit form reads and writes the first slot only.
template <class L>
inline void Dct32Vector(const float* table, const float* input, int32_t slotStride, DctInput layout,
                        float* first, float* second) {
  using Reg = typename L::Reg;
  Reg x[8];
  Reg y[8];
#pragma GCC unroll 8
  for (int v = 0; v < 8; ++v) x[v] = L::Load(input, slotStride, layout, v);
#pragma GCC unroll 8
  for (int i = 0; i < 4; ++i) {
    const Reg back = L::Reversed(x[7 - i]);
    y[i] = L::Add(x[i], back);
    y[4 + i] = L::Mul(L::Sub(x[i], back), L::Factors(table + 4 * i));
  }
#pragma GCC unroll 8
  for (int b = 0; b < 8; b += 4) {
#pragma GCC unroll 8
    for (int i = 0; i < 2; ++i) {
      const Reg back = L::Reversed(y[b + 3 - i]);
      x[b + i] = L::Add(y[b + i], back);
      x[b + 2 + i] = L::Mul(L::Sub(y[b + i], back), L::Factors(table + 16 + 4 * i));
    }
  }
  const Reg factors8 = L::Factors(table + 24);
#pragma GCC unroll 8
  for (int b = 0; b < 8; b += 2) {
    const Reg back = L::Reversed(x[b + 1]);
    y[b] = L::Add(x[b], back);
    y[b + 1] = L::Mul(L::Sub(x[b], back), factors8);
  }
  // Blocks of 4 and 2, four blocks at a time: transposed, each register holds one position of
  // four blocks, so the halvings and the recombination are plain lane-wise operations.
  const Reg c0 = L::Set(table[28]);
  const Reg c1 = L::Set(table[29]);
  const Reg c2 = L::Set(table[30]);
#pragma GCC unroll 2
  for (int g = 0; g < 8; g += 4) {
    Reg p0 = y[g];
    Reg p1 = y[g + 1];
    Reg p2 = y[g + 2];
    Reg p3 = y[g + 3];
    DctTranspose<L>(p0, p1, p2, p3);
    // Halving of 4: sums x0 + x3, x1 + x2; differences (x0 - x3) c0, (x1 - x2) c1.
    const Reg s0 = L::Add(p0, p3);
    const Reg s1 = L::Add(p1, p2);
    const Reg d0 = L::Mul(L::Sub(p0, p3), c0);
    const Reg d1 = L::Mul(L::Sub(p1, p2), c1);
    // Halving of each 2 (which transforms it), then [e0, o0 + o1, e1, o1].
    Reg q0 = L::Add(s0, s1);
    Reg q2 = L::Mul(L::Sub(s0, s1), c2);
    const Reg o0 = L::Add(d0, d1);
    Reg q3 = L::Mul(L::Sub(d0, d1), c2);
    Reg q1 = L::Add(o0, q3);
    DctTranspose<L>(q0, q1, q2, q3);
    y[g] = q0;
    y[g + 1] = q1;
    y[g + 2] = q2;
    y[g + 3] = q3;
  }
  // The last odd output of a block stays alone: adding -0.0 leaves every value as it is.
#pragma GCC unroll 8
  for (int b = 0; b < 8; b += 2) {
    const Reg sums = L::Add(y[b + 1], L::NextLast(y[b + 1]));
    x[b] = L::UnpackLow(y[b], sums);
    x[b + 1] = L::UnpackHigh(y[b], sums);
  }
#pragma GCC unroll 8
  for (int b = 0; b < 8; b += 4) {
    const Reg firstSums = L::Add(x[b + 2], L::Next(x[b + 2], x[b + 3]));
    const Reg secondSums = L::Add(x[b + 3], L::NextLast(x[b + 3]));
    y[b] = L::UnpackLow(x[b], firstSums);
    y[b + 1] = L::UnpackHigh(x[b], firstSums);
    y[b + 2] = L::UnpackLow(x[b + 1], secondSums);
    y[b + 3] = L::UnpackHigh(x[b + 1], secondSums);
  }
#pragma GCC unroll 8
  for (int c = 0; c < 4; ++c) {
    const Reg next = c < 3 ? L::Next(y[4 + c], y[5 + c]) : L::NextLast(y[7]);
    const Reg sums = L::Add(y[4 + c], next);
    L::Store(first, second, 8 * c, L::UnpackLow(y[c], sums));
    L::Store(first, second, 8 * c + 4, L::UnpackHigh(y[c], sums));
  }
}

}  // namespace
}  // namespace yumekaze::decoder

#endif  // __x86_64__
