// SSE2 forms of the Layer III inner routines: double lanes two at a time.
#include "decoder/layer3/layer3_simd.h"

#if defined(__x86_64__) || defined(__i386__)

#include <emmintrin.h>

#include "decoder/layer3/hybrid_synthesis_lanes.h"

namespace yumekaze::decoder {
namespace {

struct Sse2Lanes {
  using Reg = __m128d;
  static constexpr int kLanes = 2;
  static Reg Set(double v) { return _mm_set1_pd(v); }
  static Reg Add(Reg a, Reg b) { return _mm_add_pd(a, b); }
  static Reg Sub(Reg a, Reg b) { return _mm_sub_pd(a, b); }
  static Reg Mul(Reg a, Reg b) { return _mm_mul_pd(a, b); }
  static Reg MulAdd(Reg a, Reg b, Reg c) { return _mm_add_pd(_mm_mul_pd(a, b), c); }
  static Reg Load(const double* p) { return _mm_load_pd(p); }
  static void Store(double* p, Reg v) { _mm_store_pd(p, v); }

  static void LoadSubbands(const float* src, double* dst) {
    for (int k = 0; k < 16; k += 4) {
      const __m128 a = _mm_loadu_ps(src + k);
      const __m128 b = _mm_loadu_ps(src + 18 + k);
      const __m128 low = _mm_unpacklo_ps(a, b);   // a0 b0 a1 b1
      const __m128 high = _mm_unpackhi_ps(a, b);  // a2 b2 a3 b3
      _mm_store_pd(dst + 2 * k, _mm_cvtps_pd(low));
      _mm_store_pd(dst + 2 * k + 2, _mm_cvtps_pd(_mm_movehl_ps(low, low)));
      _mm_store_pd(dst + 2 * k + 4, _mm_cvtps_pd(high));
      _mm_store_pd(dst + 2 * k + 6, _mm_cvtps_pd(_mm_movehl_ps(high, high)));
    }
    for (int k = 16; k < 18; ++k) {
      dst[2 * k] = src[k];
      dst[2 * k + 1] = src[18 + k];
    }
  }

  static void StoreSubbands(const double* src, float* dst, int lanes) {
    if (lanes == 2) {
      for (int k = 0; k < 16; k += 4) {
        const __m128 r01 = _mm_movelh_ps(_mm_cvtpd_ps(_mm_load_pd(src + 2 * k)),
                                         _mm_cvtpd_ps(_mm_load_pd(src + 2 * k + 2)));
        const __m128 r23 = _mm_movelh_ps(_mm_cvtpd_ps(_mm_load_pd(src + 2 * k + 4)),
                                         _mm_cvtpd_ps(_mm_load_pd(src + 2 * k + 6)));
        // r01 = a0 b0 a1 b1, r23 = a2 b2 a3 b3.
        _mm_storeu_ps(dst + k, _mm_shuffle_ps(r01, r23, _MM_SHUFFLE(2, 0, 2, 0)));
        _mm_storeu_ps(dst + 18 + k, _mm_shuffle_ps(r01, r23, _MM_SHUFFLE(3, 1, 3, 1)));
      }
      for (int k = 16; k < 18; ++k) {
        dst[k] = static_cast<float>(src[2 * k]);
        dst[18 + k] = static_cast<float>(src[2 * k + 1]);
      }
      return;
    }
    for (int k = 0; k < 18; ++k) dst[k] = static_cast<float>(src[2 * k]);
  }

  static void StoreRow(float* dst, Reg v) {
    _mm_storel_pi(reinterpret_cast<__m64*>(dst), _mm_cvtpd_ps(v));
  }
};

// Four floats in reverse order.
__m128 Reverse(__m128 v) { return _mm_shuffle_ps(v, v, _MM_SHUFFLE(0, 1, 2, 3)); }

__m128 ToFloats(__m128d low, __m128d high) {
  return _mm_movelh_ps(_mm_cvtpd_ps(low), _mm_cvtpd_ps(high));
}

}  // namespace

int32_t HybridSynthesisSse2(const Layer3Tables& tables, float* spectrum, float* overlap, float* out,
                            int32_t blockType, int32_t mixedLongLines, int32_t longLines,
                            int32_t lines, int32_t previousLines) {
  return HybridSynthesisLanes<Sse2Lanes>(tables, spectrum, overlap, out, blockType, mixedLongLines,
                                         longLines, lines, previousLines);
}

// Butterflies in double lanes: the float products are exact in double, so each output is rounded
// once, as in the reference form.
void AliasReduceSse2(const Layer3Tables& tables, float* spectrum, int32_t boundaries) {
  __m128d cs[4];
  __m128d ca[4];
  for (int h = 0; h < 4; ++h) {
    cs[h] = _mm_set_pd(tables.AliasCs[2 * h + 1], tables.AliasCs[2 * h]);
    ca[h] = _mm_set_pd(tables.AliasCa[2 * h + 1], tables.AliasCa[2 * h]);
  }
  for (int32_t k = 1; k <= boundaries; ++k) {
    float* upper = spectrum + 18 * k;
    for (int half = 0; half < 2; ++half) {
      // Butterflies 4 half .. 4 half + 3: a[i] = upper[-1 - i], b[i] = upper[i].
      const __m128 a = Reverse(_mm_loadu_ps(upper - 4 - 4 * half));
      const __m128 b = _mm_loadu_ps(upper + 4 * half);
      const __m128d aLow = _mm_cvtps_pd(a);
      const __m128d aHigh = _mm_cvtps_pd(_mm_movehl_ps(a, a));
      const __m128d bLow = _mm_cvtps_pd(b);
      const __m128d bHigh = _mm_cvtps_pd(_mm_movehl_ps(b, b));
      const __m128d csLow = cs[2 * half];
      const __m128d csHigh = cs[2 * half + 1];
      const __m128d caLow = ca[2 * half];
      const __m128d caHigh = ca[2 * half + 1];
      const __m128 newA =
          ToFloats(_mm_sub_pd(_mm_mul_pd(aLow, csLow), _mm_mul_pd(bLow, caLow)),
                   _mm_sub_pd(_mm_mul_pd(aHigh, csHigh), _mm_mul_pd(bHigh, caHigh)));
      const __m128 newB =
          ToFloats(_mm_add_pd(_mm_mul_pd(bLow, csLow), _mm_mul_pd(aLow, caLow)),
                   _mm_add_pd(_mm_mul_pd(bHigh, csHigh), _mm_mul_pd(aHigh, caHigh)));
      _mm_storeu_ps(upper - 4 - 4 * half, Reverse(newA));
      _mm_storeu_ps(upper + 4 * half, newB);
    }
  }
}

// Four lines at a time while all are in the table's range (SSE2 has no gather: four loads).
bool RequantizeRunSse2(const Layer3Tables& tables, const int32_t* quantized, float* dest,
                       int32_t count, float factor) {
  const float* large = LargePowerTable();
  const __m128 scale = _mm_set1_ps(factor);
  __m128i any = _mm_setzero_si128();
  int32_t i = 0;
  for (; i + 4 <= count; i += 4) {
    const __m128i values = _mm_loadu_si128(reinterpret_cast<const __m128i*>(quantized + i));
    any = _mm_or_si128(any, values);
    const int32_t* q = quantized + i;
    const uint32_t i0 = static_cast<uint32_t>(q[0]) + 32u;
    const uint32_t i1 = static_cast<uint32_t>(q[1]) + 32u;
    const uint32_t i2 = static_cast<uint32_t>(q[2]) + 32u;
    const uint32_t i3 = static_cast<uint32_t>(q[3]) + 32u;
    if ((i0 | i1 | i2 | i3) < 64) {
      const float* p = tables.PowTable;
      _mm_storeu_ps(dest + i, _mm_mul_ps(_mm_set_ps(p[i3], p[i2], p[i1], p[i0]), scale));
    } else {
      for (int32_t j = i; j < i + 4; ++j)
        dest[j] = RequantizeOne(tables, large, quantized[j], factor);
    }
  }
  bool nonzero = _mm_movemask_epi8(_mm_cmpeq_epi32(any, _mm_setzero_si128())) != 0xFFFF;
  for (; i < count; ++i) {
    nonzero |= quantized[i] != 0;
    dest[i] = RequantizeOne(tables, large, quantized[i], factor);
  }
  return nonzero;
}

}  // namespace yumekaze::decoder

#endif
