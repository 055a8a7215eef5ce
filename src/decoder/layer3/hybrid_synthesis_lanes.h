// The hybrid synthesis of the SIMD forms, written once over a vector of double-precision lanes,
// one subband per lane. Double lanes keep the results those of the reference form (which sums in
// double) except for rare last-bit differences of the stored floats.
//
// A form provides V with: Reg, kLanes, Set, Add, Sub, Mul, MulAdd (a * b + c), Load and Store of
// kLanes aligned doubles, LoadSubbands (kLanes consecutive subbands of 18 floats, transposed into
// [18][kLanes] doubles), StoreSubbands (the reverse, for the first `lanes` subbands) and StoreRow
// (kLanes floats to consecutive subbands of one time slot).
//
// Everything here has internal linkage: each form's file is compiled with its own instruction
// set, and no copy may be shared between them.
#pragma once

#include <cstdint>

#include "decoder/layer3/layer3_tables.h"

namespace yumekaze::decoder {
namespace {

// One subband per "lane": the portable form used for groups that the vector forms cannot take
// whole (subbands with different windows or transforms in one group).
struct ScalarLanes {
  using Reg = double;
  static constexpr int kLanes = 1;
  static Reg Set(double v) { return v; }
  static Reg Add(Reg a, Reg b) { return a + b; }
  static Reg Sub(Reg a, Reg b) { return a - b; }
  static Reg Mul(Reg a, Reg b) { return a * b; }
  static Reg MulAdd(Reg a, Reg b, Reg c) { return a * b + c; }
  static Reg Load(const double* p) { return *p; }
  static void Store(double* p, Reg v) { *p = v; }
  static void LoadSubbands(const float* src, double* dst) {
    for (int k = 0; k < 18; ++k) dst[k] = src[k];
  }
  static void StoreSubbands(const double* src, float* dst, int /*lanes*/) {
    for (int k = 0; k < 18; ++k) dst[k] = static_cast<float>(src[k]);
  }
  static void StoreRow(float* dst, Reg v) { *dst = static_cast<float>(v); }
};

template <class V>
struct LaneTransform {
  using Reg = typename V::Reg;
  static constexpr int W = V::kLanes;

  // 9-point DCT-II: out[i] = sum_j x[j] cos(i pi (2j + 1) / 18), folding x[j] with x[8 - j].
  static void Dct9(const Layer3Tables& t, const Reg* x, Reg* out) {
    Reg sum[4];
    Reg diff[4];
#pragma GCC unroll 18
    for (int j = 0; j < 4; ++j) {
      sum[j] = V::Add(x[j], x[8 - j]);
      diff[j] = V::Sub(x[j], x[8 - j]);
    }
    out[0] = V::Add(V::Add(V::Add(sum[0], sum[1]), V::Add(sum[2], sum[3])), x[4]);
#pragma GCC unroll 18
    for (int i = 1; i < 9; ++i) {
      const Reg* in = (i & 1) ? diff : sum;
      Reg acc = V::Mul(in[0], V::Set(t.Dct9[i][0]));
#pragma GCC unroll 18
      for (int j = 1; j < 4; ++j) acc = V::MulAdd(in[j], V::Set(t.Dct9[i][j]), acc);
      // x[4] meets cos(i pi / 2): 0 for odd i, +1 or -1 for even i.
      if ((i & 3) == 0) acc = V::Add(acc, x[4]);
      if ((i & 3) == 2) acc = V::Sub(acc, x[4]);
      out[i] = acc;
    }
  }

  // 18-point DCT-IV: y[n] = sum_k x[k] cos(pi / 72 (2n + 1)(2k + 1)). Pre-twiddled by 2cos, the
  // DCT-II c gives c[n] = y[n] + y[n - 1] (c[0] = 2 y[0]); the DCT-II's odd outputs are a
  // 9-point DCT-IV, taken the same way.
  static void Dct4Long(const Layer3Tables& t, const Reg* x, Reg* y) {
    Reg even[9];
    Reg odd[9];
#pragma GCC unroll 18
    for (int j = 0; j < 9; ++j) {
      const Reg a = V::Mul(x[j], V::Set(t.LongTwiddle[j]));
      const Reg b = V::Mul(x[17 - j], V::Set(t.LongTwiddle[17 - j]));
      even[j] = V::Add(a, b);
      odd[j] = V::Mul(V::Sub(a, b), V::Set(t.OddTwiddle[j]));
    }
    Reg evenOut[9];
    Reg oddOut[9];
    Dct9(t, even, evenOut);
    Dct9(t, odd, oddOut);
    const Reg half = V::Set(0.5);
    oddOut[0] = V::Mul(oddOut[0], half);
#pragma GCC unroll 18
    for (int m = 1; m < 9; ++m) oddOut[m] = V::Sub(oddOut[m], oddOut[m - 1]);
    y[0] = V::Mul(evenOut[0], half);
#pragma GCC unroll 18
    for (int n = 1; n < 18; ++n) {
      const Reg c = (n & 1) ? oddOut[n >> 1] : evenOut[n >> 1];
      y[n] = V::Sub(c, y[n - 1]);
    }
  }

  // The long transform of the group: windowed, overlap added into out, new overlap into cells.
  static void Long(const Layer3Tables& t, float* cells, const float* overlap, float* out,
                   const double* window, int lanes) {
    alignas(32) double in[18 * W];
    alignas(32) double previous[18 * W];
    alignas(32) double next[18 * W];
    V::LoadSubbands(cells, in);
    V::LoadSubbands(overlap, previous);
    Reg x[18];
#pragma GCC unroll 18
    for (int k = 0; k < 18; ++k) x[k] = V::Load(in + k * W);
    Reg y[18];
    Dct4Long(t, x, y);
    const Reg zero = V::Set(0.0);
#pragma GCC unroll 18
    for (int i = 0; i < 18; ++i) {
      // The 36 samples from y: x[i] = y[9 + i] (i < 9), -y[26 - i] (9..26), -y[i - 27] (27..).
      const Reg first = i < 9 ? y[9 + i] : V::Sub(zero, y[26 - i]);
      const Reg second = i < 9 ? V::Sub(zero, y[8 - i]) : V::Sub(zero, y[i - 9]);
      const Reg sum = V::Add(V::Load(previous + i * W), V::Mul(V::Set(window[i]), first));
      V::StoreRow(out + 32 * i, sum);
      V::Store(next + i * W, V::Mul(V::Set(window[18 + i]), second));
    }
    V::StoreSubbands(next, cells, lanes);
  }

  // The three short windows of the group, overlapped into one 36-sample block from 6 on.
  static void Short(const Layer3Tables& t, float* cells, const float* overlap, float* out,
                    int lanes) {
    alignas(32) double in[18 * W];
    alignas(32) double previous[18 * W];
    alignas(32) double next[18 * W];
    V::LoadSubbands(cells, in);
    V::LoadSubbands(overlap, previous);
    const Reg zero = V::Set(0.0);
    Reg block[36];
#pragma GCC unroll 18
    for (int i = 0; i < 36; ++i) block[i] = zero;
    const double* window = t.WindowsWide[2];
#pragma GCC unroll 18
    for (int w = 0; w < 3; ++w) {
      Reg x[6];
#pragma GCC unroll 18
      for (int k = 0; k < 6; ++k) x[k] = V::Load(in + (3 * k + w) * W);
      Reg y[6];
#pragma GCC unroll 18
      for (int m = 0; m < 6; ++m) {
        Reg acc = V::Mul(x[0], V::Set(t.ShortDct4[m][0]));
#pragma GCC unroll 18
        for (int k = 1; k < 6; ++k) acc = V::MulAdd(x[k], V::Set(t.ShortDct4[m][k]), acc);
        y[m] = acc;
      }
#pragma GCC unroll 18
      for (int i = 0; i < 12; ++i) {
        // x[i] = y[3 + i] (i < 3), -y[8 - i] (3..8), -y[i - 9] (9..11).
        const Reg value = i < 3 ? y[3 + i] : V::Sub(zero, i < 9 ? y[8 - i] : y[i - 9]);
        Reg& cell = block[6 + 6 * w + i];
        cell = V::Add(cell, V::Mul(V::Set(window[i]), value));
      }
    }
#pragma GCC unroll 18
    for (int i = 0; i < 18; ++i) {
      V::StoreRow(out + 32 * i, V::Add(V::Load(previous + i * W), block[i]));
      V::Store(next + i * W, block[18 + i]);
    }
    V::StoreSubbands(next, cells, lanes);
  }
};

inline int LaneSubbandCount(int32_t lines) {
  const int32_t count = (lines + 17) / 18;
  return count < 0 ? 0 : (count > 32 ? 32 : count);
}

// The steps of the reference transform, with groups of V::kLanes subbands. A group whose
// subbands need different windows or transforms is done one subband at a time; subbands of the
// last group past the transformed ones are computed but their overlap is not stored, and their
// slots are overwritten by the steps after the transform.
template <class V>
int32_t HybridSynthesisLanes(const Layer3Tables& tables, float* spectrum, float* overlap,
                             float* out, int32_t blockType, int32_t mixedLongLines,
                             int32_t longLines, int32_t lines, int32_t previousLines) {
  constexpr int W = V::kLanes;
  const int longEnd = LaneSubbandCount(longLines);
  const int linesEnd = LaneSubbandCount(lines);
  const int end = linesEnd > longEnd ? linesEnd : longEnd;
  const int previousEnd = LaneSubbandCount(previousLines);
  const int mixedEnd = LaneSubbandCount(mixedLongLines);
  auto windowOf = [&](int sb) {
    return blockType == 2 || sb < mixedEnd ? 0 : static_cast<int>(blockType & 3);
  };
  for (int sb = 0; sb < end; sb += W) {
    const int lanes = end - sb < W ? end - sb : W;
    const int last = sb + lanes - 1;
    float* cells = spectrum + 18 * sb;
    const float* previous = overlap + 18 * sb;
    if (last < longEnd && windowOf(sb) == windowOf(last)) {
      LaneTransform<V>::Long(tables, cells, previous, out + sb, tables.WindowsWide[windowOf(sb)],
                             lanes);
    } else if (sb >= longEnd) {
      LaneTransform<V>::Short(tables, cells, previous, out + sb, lanes);
    } else {
      for (int s = sb; s <= last; ++s) {
        if (s < longEnd) {
          LaneTransform<ScalarLanes>::Long(tables, spectrum + 18 * s, overlap + 18 * s, out + s,
                                           tables.WindowsWide[windowOf(s)], 1);
        } else {
          LaneTransform<ScalarLanes>::Short(tables, spectrum + 18 * s, overlap + 18 * s, out + s,
                                            1);
        }
      }
    }
  }
  // Slot by slot, so that the stores of each slot are contiguous.
  const int produced = previousEnd > end ? previousEnd : end;
  for (int t = 0; t < 18; ++t) {
    float* slot = out + 32 * t;
    for (int sb = end; sb < produced; ++sb) slot[sb] = overlap[18 * sb + t];
    for (int sb = produced; sb < 32; ++sb) slot[sb] = 0.0f;
  }
  return 18 * produced;
}

}  // namespace
}  // namespace yumekaze::decoder
