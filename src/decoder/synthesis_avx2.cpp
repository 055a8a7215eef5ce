// AVX2 + FMA form of the windowing: four output samples per register in double precision. A
// product of two floats is exact in double precision, so a fused multiply-add rounds exactly as
// the reference form's separate multiply and add; the PCM equals the reference form's.
// Compiled with -mavx2 -mfma; called only when the processor has both.
#if defined(__x86_64__)
#include <immintrin.h>

#include "decoder/dct32_vector.h"
#include "decoder/synthesis.h"
#include "decoder/synthesis_lanes.h"

namespace yumekaze::decoder {
namespace {

constexpr int32_t kRingMask = 511;

inline __m256d Reversed(__m256d v) { return _mm256_permute4x64_pd(v, _MM_SHUFFLE(0, 1, 2, 3)); }

// Clamps to the 16-bit range (NaN gives the lower bound, as in the reference form), rounds half
// to even and packs eight samples.
inline __m128i ToPcm(__m256d first, __m256d second) {
  const __m256d lower = _mm256_set1_pd(-32768.0);
  const __m256d upper = _mm256_set1_pd(32767.0);
  first = _mm256_min_pd(_mm256_max_pd(first, lower), upper);
  second = _mm256_min_pd(_mm256_max_pd(second, lower), upper);
  return _mm_packs_epi32(_mm256_cvtpd_epi32(first), _mm256_cvtpd_epi32(second));
}

// The 32 samples of one channel's slot, eight per register in order.
struct SlotPcm {
  __m128i part[4];
};

__attribute__((always_inline)) inline SlotPcm WindowAvx2(const float* ring, int32_t position) {
  const SynthLaneWindow& lanes = kSynthLaneWindow;
  __m256d low[4];
  __m256d high[4];
#pragma GCC unroll 8
  for (int i = 0; i < 4; ++i) low[i] = high[i] = _mm256_setzero_pd();
#pragma GCC unroll 8
  // Unrolled, so that the offsets into the lane table are constants.
  for (int32_t m = 0; m < 8; ++m) {
    const float* a = ring + ((position + 16 + 64 * m) & kRingMask);
    const float* b = ring + ((position + 33 + 64 * m) & kRingMask);
    const double* lowAdd = lanes.Low[m][0];
    const double* lowSub = lanes.Low[m][1];
    const double* highA = lanes.High[m][0];
    const double* highB = lanes.High[m][1];
    // Each block of four ring values is widened once and used forwards and backwards.
    __m256d aWide[4];
    __m256d bWide[4];
#pragma GCC unroll 8
    for (int q = 0; q < 4; ++q) {
      aWide[q] = _mm256_cvtps_pd(_mm_loadu_ps(a + 4 * q));
      bWide[q] = _mm256_cvtps_pd(_mm_loadu_ps(b + 4 * q));
    }
#pragma GCC unroll 8
    for (int q = 0; q < 4; ++q) {
      low[q] = _mm256_fmadd_pd(_mm256_load_pd(lowAdd + 4 * q), aWide[q], low[q]);
      low[q] = _mm256_fnmadd_pd(_mm256_load_pd(lowSub + 4 * q), Reversed(bWide[3 - q]), low[q]);
      high[q] = _mm256_fmadd_pd(_mm256_load_pd(highA + 4 * q), Reversed(aWide[3 - q]), high[q]);
      high[q] = _mm256_fmadd_pd(_mm256_load_pd(highB + 4 * q), bWide[q], high[q]);
    }
  }
  // Samples 17..24 and 25..31 (and an unused lane) join sample 16 in the registers' order.
  const __m128i high0 = ToPcm(high[0], high[1]);
  const __m128i high1 = ToPcm(high[2], high[3]);
  const int middle = WindowMiddleSample(ring, position);
  return {{ToPcm(low[0], low[1]), ToPcm(low[2], low[3]),
           _mm_insert_epi16(_mm_slli_si128(high0, 2), middle, 0),
           _mm_alignr_epi8(high1, high0, 14)}};
}

}  // namespace

void WindowMonoAvx2(const float* ring, int32_t position, uint8_t* output) {
  const SlotPcm pcm = WindowAvx2(ring, position);
  for (int k = 0; k < 4; ++k) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(output + 16 * k), pcm.part[k]);
  }
}

void WindowPairAvx2(const float* left, const float* right, int32_t position, uint8_t* output) {
  const SlotPcm first = WindowAvx2(left, position);
  const SlotPcm second = WindowAvx2(right, position);
  for (int k = 0; k < 4; ++k) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(output + 32 * k),
                     _mm_unpacklo_epi16(first.part[k], second.part[k]));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(output + 32 * k + 16),
                     _mm_unpackhi_epi16(first.part[k], second.part[k]));
  }
}

void Dct32Avx2(const float* table, const float* input, int32_t slotStride, DctInput layout,
               float* first, float* second) {
  Dct32Vector<DctLanes256>(table, input, slotStride, layout, first, second);
}

}  // namespace yumekaze::decoder

#endif  // __x86_64__
