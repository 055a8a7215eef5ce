// SSE2 form of the windowing: two output samples per register in double precision. Every lane
// adds the same exact products in the same order as the reference form and rounds half to even
// (the default rounding of the conversion), so the PCM equals the reference form's.
#if defined(__x86_64__)
#include <emmintrin.h>

#include "decoder/dct32_vector.h"
#include "decoder/synthesis.h"
#include "decoder/synthesis_lanes.h"
#include "decoder/synthesis_window.h"

namespace yumekaze::decoder {
namespace {

constexpr int32_t kRingMask = 511;

inline __m128 Reversed(__m128 v) { return _mm_shuffle_ps(v, v, _MM_SHUFFLE(0, 1, 2, 3)); }
inline __m128d LowHalf(__m128 v) { return _mm_cvtps_pd(v); }
inline __m128d HighHalf(__m128 v) { return _mm_cvtps_pd(_mm_movehl_ps(v, v)); }

// Clamps to the 16-bit range (NaN gives the lower bound, as in the reference form) and rounds.
inline __m128i ToPcm(__m128d low, __m128d high) {
  const __m128d lower = _mm_set1_pd(-32768.0);
  const __m128d upper = _mm_set1_pd(32767.0);
  low = _mm_min_pd(_mm_max_pd(low, lower), upper);
  high = _mm_min_pd(_mm_max_pd(high, lower), upper);
  return _mm_unpacklo_epi64(_mm_cvtpd_epi32(low), _mm_cvtpd_epi32(high));
}

template <int Stride>
void WindowSse2(const float* ring, int32_t position, uint8_t* output) {
  const SynthLaneWindow& lanes = kSynthLaneWindow;
  __m128d low[8];
  __m128d high[8];
#pragma GCC unroll 8
  for (int i = 0; i < 8; ++i) low[i] = high[i] = _mm_setzero_pd();
  for (int32_t m = 0; m < 8; ++m) {
    const float* a = ring + ((position + 16 + 64 * m) & kRingMask);
    const float* b = ring + ((position + 33 + 64 * m) & kRingMask);
    const double* lowAdd = lanes.Low[m][0];
    const double* lowSub = lanes.Low[m][1];
    const double* highA = lanes.High[m][0];
    const double* highB = lanes.High[m][1];
#pragma GCC unroll 8
    for (int q = 0; q < 4; ++q) {
      const __m128 aq = _mm_loadu_ps(a + 4 * q);
      const __m128 bq = _mm_loadu_ps(b + 4 * q);
      const __m128 aRev = Reversed(_mm_loadu_ps(a + 12 - 4 * q));
      const __m128 bRev = Reversed(_mm_loadu_ps(b + 12 - 4 * q));
      const int l = 2 * q;
      low[l] = _mm_add_pd(low[l], _mm_mul_pd(_mm_load_pd(lowAdd + 4 * q), LowHalf(aq)));
      low[l + 1] =
          _mm_add_pd(low[l + 1], _mm_mul_pd(_mm_load_pd(lowAdd + 4 * q + 2), HighHalf(aq)));
      low[l] = _mm_sub_pd(low[l], _mm_mul_pd(_mm_load_pd(lowSub + 4 * q), LowHalf(bRev)));
      low[l + 1] =
          _mm_sub_pd(low[l + 1], _mm_mul_pd(_mm_load_pd(lowSub + 4 * q + 2), HighHalf(bRev)));
      high[l] = _mm_add_pd(high[l], _mm_mul_pd(_mm_load_pd(highA + 4 * q), LowHalf(aRev)));
      high[l + 1] =
          _mm_add_pd(high[l + 1], _mm_mul_pd(_mm_load_pd(highA + 4 * q + 2), HighHalf(aRev)));
      high[l] = _mm_add_pd(high[l], _mm_mul_pd(_mm_load_pd(highB + 4 * q), LowHalf(bq)));
      high[l + 1] =
          _mm_add_pd(high[l + 1], _mm_mul_pd(_mm_load_pd(highB + 4 * q + 2), HighHalf(bq)));
    }
  }
  alignas(16) int16_t pcm[33];
#pragma GCC unroll 8
  for (int q = 0; q < 2; ++q) {
    const __m128i first = ToPcm(low[4 * q], low[4 * q + 1]);
    const __m128i second = ToPcm(low[4 * q + 2], low[4 * q + 3]);
    _mm_store_si128(reinterpret_cast<__m128i*>(pcm + 8 * q), _mm_packs_epi32(first, second));
  }
#pragma GCC unroll 8
  for (int q = 0; q < 2; ++q) {
    const __m128i first = ToPcm(high[4 * q], high[4 * q + 1]);
    const __m128i second = ToPcm(high[4 * q + 2], high[4 * q + 3]);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(pcm + 17 + 8 * q), _mm_packs_epi32(first, second));
  }
  pcm[16] = static_cast<int16_t>(WindowMiddleSample(ring, position));
  StoreSlotPcm<Stride>(pcm, output);
}

}  // namespace

void WindowMonoSse2(const float* ring, int32_t position, uint8_t* output) {
  WindowSse2<2>(ring, position, output);
}
void WindowStereoSse2(const float* ring, int32_t position, uint8_t* output) {
  WindowSse2<4>(ring, position, output);
}

void Dct32Sse2(const float* table, const float* input, int32_t slotStride, DctInput layout,
               float* first, float* second) {
  if (layout == kDctBoth) {
    Dct32Vector<DctLanes128>(table, input, 0, kDctLeft, first, nullptr);
    Dct32Vector<DctLanes128>(table, input, 0, kDctRight, second, nullptr);
    return;
  }
  Dct32Vector<DctLanes128>(table, input, 0, layout, first, nullptr);
  Dct32Vector<DctLanes128>(table, input + slotStride, 0, layout, second, nullptr);
}

}  // namespace yumekaze::decoder

#endif  // __x86_64__
