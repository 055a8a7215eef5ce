// AVX2 and FMA forms of the Layer III inner routines. This file alone is compiled with -mavx2
// -mfma; SelectLayer3Variants installs its routines only when the processor has both.
#include "decoder/layer3/layer3_simd.h"

#if defined(__x86_64__) || defined(__i386__)

#include <immintrin.h>

#include "decoder/layer3/hybrid_synthesis_lanes.h"

namespace yumekaze::decoder {
namespace {

struct Avx2Lanes {
  using Reg = __m256d;
  static constexpr int kLanes = 4;
  static Reg Set(double v) { return _mm256_set1_pd(v); }
  static Reg Add(Reg a, Reg b) { return _mm256_add_pd(a, b); }
  static Reg Sub(Reg a, Reg b) { return _mm256_sub_pd(a, b); }
  static Reg Mul(Reg a, Reg b) { return _mm256_mul_pd(a, b); }
  static Reg MulAdd(Reg a, Reg b, Reg c) { return _mm256_fmadd_pd(a, b, c); }
  static Reg Load(const double* p) { return _mm256_load_pd(p); }
  static void Store(double* p, Reg v) { _mm256_store_pd(p, v); }

  static void LoadSubbands(const float* src, double* dst) {
    for (int k = 0; k < 16; k += 4) {
      __m128 r0 = _mm_loadu_ps(src + k);
      __m128 r1 = _mm_loadu_ps(src + 18 + k);
      __m128 r2 = _mm_loadu_ps(src + 36 + k);
      __m128 r3 = _mm_loadu_ps(src + 54 + k);
      _MM_TRANSPOSE4_PS(r0, r1, r2, r3);
      _mm256_store_pd(dst + 4 * k, _mm256_cvtps_pd(r0));
      _mm256_store_pd(dst + 4 * k + 4, _mm256_cvtps_pd(r1));
      _mm256_store_pd(dst + 4 * k + 8, _mm256_cvtps_pd(r2));
      _mm256_store_pd(dst + 4 * k + 12, _mm256_cvtps_pd(r3));
    }
    for (int k = 16; k < 18; ++k) {
      const __m128 r = _mm_set_ps(src[54 + k], src[36 + k], src[18 + k], src[k]);
      _mm256_store_pd(dst + 4 * k, _mm256_cvtps_pd(r));
    }
  }

  static void StoreSubbands(const double* src, float* dst, int lanes) {
    if (lanes == 4) {
      for (int k = 0; k < 16; k += 4) {
        __m128 r0 = _mm256_cvtpd_ps(_mm256_load_pd(src + 4 * k));
        __m128 r1 = _mm256_cvtpd_ps(_mm256_load_pd(src + 4 * k + 4));
        __m128 r2 = _mm256_cvtpd_ps(_mm256_load_pd(src + 4 * k + 8));
        __m128 r3 = _mm256_cvtpd_ps(_mm256_load_pd(src + 4 * k + 12));
        _MM_TRANSPOSE4_PS(r0, r1, r2, r3);
        _mm_storeu_ps(dst + k, r0);
        _mm_storeu_ps(dst + 18 + k, r1);
        _mm_storeu_ps(dst + 36 + k, r2);
        _mm_storeu_ps(dst + 54 + k, r3);
      }
      for (int k = 16; k < 18; ++k) {
        alignas(16) float row[4];
        _mm_store_ps(row, _mm256_cvtpd_ps(_mm256_load_pd(src + 4 * k)));
        for (int lane = 0; lane < 4; ++lane) dst[18 * lane + k] = row[lane];
      }
      return;
    }
    for (int lane = 0; lane < lanes; ++lane) {
      for (int k = 0; k < 18; ++k) dst[18 * lane + k] = static_cast<float>(src[4 * k + lane]);
    }
  }

  static void StoreRow(float* dst, Reg v) { _mm_storeu_ps(dst, _mm256_cvtpd_ps(v)); }
};

// Reverses the order of eight floats.
__m256 Reverse(__m256 v) {
  return _mm256_permutevar8x32_ps(v, _mm256_set_epi32(0, 1, 2, 3, 4, 5, 6, 7));
}

}  // namespace

int32_t HybridSynthesisAvx2(const Layer3Tables& tables, float* spectrum, float* overlap, float* out,
                            int32_t blockType, int32_t mixedLongLines, int32_t longLines,
                            int32_t lines, int32_t previousLines) {
  return HybridSynthesisLanes<Avx2Lanes>(tables, spectrum, overlap, out, blockType, mixedLongLines,
                                         longLines, lines, previousLines);
}

// Eight butterflies per boundary in two vectors of four doubles. The float products are exact in
// double, so each output is rounded once, as in the reference form, fused or not.
void AliasReduceAvx2(const Layer3Tables& tables, float* spectrum, int32_t boundaries) {
  const __m256d csLow = _mm256_cvtps_pd(_mm_loadu_ps(tables.AliasCs));
  const __m256d csHigh = _mm256_cvtps_pd(_mm_loadu_ps(tables.AliasCs + 4));
  const __m256d caLow = _mm256_cvtps_pd(_mm_loadu_ps(tables.AliasCa));
  const __m256d caHigh = _mm256_cvtps_pd(_mm_loadu_ps(tables.AliasCa + 4));
  for (int32_t k = 1; k <= boundaries; ++k) {
    float* upper = spectrum + 18 * k;
    const __m256 a = Reverse(_mm256_loadu_ps(upper - 8));  // a[i] = upper[-1 - i]
    const __m256 b = _mm256_loadu_ps(upper);
    const __m256d aLow = _mm256_cvtps_pd(_mm256_castps256_ps128(a));
    const __m256d aHigh = _mm256_cvtps_pd(_mm256_extractf128_ps(a, 1));
    const __m256d bLow = _mm256_cvtps_pd(_mm256_castps256_ps128(b));
    const __m256d bHigh = _mm256_cvtps_pd(_mm256_extractf128_ps(b, 1));
    const __m128 newALow =
        _mm256_cvtpd_ps(_mm256_fmsub_pd(aLow, csLow, _mm256_mul_pd(bLow, caLow)));
    const __m128 newAHigh =
        _mm256_cvtpd_ps(_mm256_fmsub_pd(aHigh, csHigh, _mm256_mul_pd(bHigh, caHigh)));
    const __m128 newBLow =
        _mm256_cvtpd_ps(_mm256_fmadd_pd(bLow, csLow, _mm256_mul_pd(aLow, caLow)));
    const __m128 newBHigh =
        _mm256_cvtpd_ps(_mm256_fmadd_pd(bHigh, csHigh, _mm256_mul_pd(aHigh, caHigh)));
    _mm256_storeu_ps(upper - 8, Reverse(_mm256_set_m128(newAHigh, newALow)));
    _mm256_storeu_ps(upper, _mm256_set_m128(newBHigh, newBLow));
  }
}

// Four lines at a time while all are in the table's range, by four table loads: on processors
// whose gathers and masked stores are microcoded this beats eight-wide gathers. Single-precision
// products as in the reference form. Returns whether any line was nonzero.
bool RequantizeRunAvx2(const Layer3Tables& tables, const int32_t* quantized, float* dest,
                       int32_t count, float factor) {
  const float* large = LargePowerTable();
  const float* powers = tables.PowTable;
  const __m128 scale = _mm_set1_ps(factor);
  uint32_t any = 0;
  int32_t i = 0;
  for (; i + 4 <= count; i += 4) {
    const int32_t* q = quantized + i;
    const uint32_t i0 = static_cast<uint32_t>(q[0]) + 32u;
    const uint32_t i1 = static_cast<uint32_t>(q[1]) + 32u;
    const uint32_t i2 = static_cast<uint32_t>(q[2]) + 32u;
    const uint32_t i3 = static_cast<uint32_t>(q[3]) + 32u;
    any |= static_cast<uint32_t>(q[0] | q[1] | q[2] | q[3]);
    if ((i0 | i1 | i2 | i3) < 64) {
      _mm_storeu_ps(dest + i,
                    _mm_mul_ps(_mm_setr_ps(powers[i0], powers[i1], powers[i2], powers[i3]), scale));
    } else {
      for (int32_t j = i; j < i + 4; ++j)
        dest[j] = RequantizeOne(tables, large, quantized[j], factor);
    }
  }
  for (; i < count; ++i) {
    any |= static_cast<uint32_t>(quantized[i]);
    dest[i] = RequantizeOne(tables, large, quantized[i], factor);
  }
  return any != 0;
}

}  // namespace yumekaze::decoder

#endif
