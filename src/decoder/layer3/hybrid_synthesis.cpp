// IMDCT (ISO/IEC 11172-3 2.4.3.4.10.3), windowing and overlap-add, and frequency inversion.
#include "decoder/layer3/hybrid_synthesis.h"

#include <algorithm>
#include <cstring>

namespace yumekaze::decoder {
namespace {

constexpr int kSubbands = 32;
constexpr int kSlots = 18;

int32_t SubbandCount(int32_t lines) { return std::clamp((lines + 17) / 18, 0, kSubbands); }

// The windowed 36-sample block of one long-block subband.
void LongBlock(const Layer3Tables& tables, const float* lines, const float* window, double* block,
               bool singlePrecisionProducts) {
  for (int i = 0; i < 36; ++i) {
    double sum = 0.0;
    for (int k = 0; k < 18; ++k) sum += lines[k] * tables.ImdctLong[i][k];
    block[i] = singlePrecisionProducts ? static_cast<double>(window[i] * static_cast<float>(sum))
                                       : window[i] * sum;
  }
}

// The windowed 36-sample block of one short-block subband: three overlapped windows of 12 samples
// from 6 on, zero at 0..5 and 30..35. Lines are interleaved by window (line k of window w at 3k+w).
void ShortBlock(const Layer3Tables& tables, const float* lines, double* block,
                bool singlePrecisionProducts) {
  std::fill(block, block + 36, 0.0);
  const float* window = tables.Windows[2];
  for (int w = 0; w < 3; ++w) {
    for (int i = 0; i < 12; ++i) {
      double sum = 0.0;
      for (int k = 0; k < 6; ++k) sum += lines[3 * k + w] * tables.ImdctShort[i][k];
      block[6 + 6 * w + i] += singlePrecisionProducts
                                  ? static_cast<double>(window[i] * static_cast<float>(sum))
                                  : window[i] * sum;
    }
  }
}

const float* LongWindow(const Layer3Tables& tables, int32_t blockType, int sb,
                        int32_t mixedLongLines) {
  if (blockType == 2 || sb < SubbandCount(mixedLongLines)) return tables.Windows[0];
  return tables.Windows[blockType & 3];
}

int32_t Transform(const Layer3Tables& tables, float* spectrum, float* overlap, float* out,
                  int32_t blockType, int32_t mixedLongLines, int32_t longLines, int32_t lines,
                  int32_t previousLines, bool singlePrecisionProducts) {
  const int longEnd = SubbandCount(longLines);
  const int end = std::max(SubbandCount(lines), longEnd);
  const int previousEnd = SubbandCount(previousLines);
  double block[36];
  int sb = 0;
  for (; sb < end; ++sb) {
    float* cells = spectrum + 18 * sb;
    if (sb < longEnd) {
      LongBlock(tables, cells, LongWindow(tables, blockType, sb, mixedLongLines), block,
                singlePrecisionProducts);
    } else {
      ShortBlock(tables, cells, block, singlePrecisionProducts);
    }
    const float* previous = overlap + 18 * sb;
    for (int t = 0; t < kSlots; ++t) {
      out[kSubbands * t + sb] = static_cast<float>(previous[t] + block[t]);
      cells[t] = static_cast<float>(block[18 + t]);
    }
  }
  for (; sb < previousEnd; ++sb) {
    const float* previous = overlap + 18 * sb;
    for (int t = 0; t < kSlots; ++t) out[kSubbands * t + sb] = previous[t];
  }
  const int produced = sb;
  for (; sb < kSubbands; ++sb) {
    for (int t = 0; t < kSlots; ++t) out[kSubbands * t + sb] = 0.0f;
  }
  return 18 * produced;
}

}  // namespace

int32_t HybridSynthesisX87(const Layer3Tables& tables, float* spectrum, float* overlap, float* out,
                           int32_t blockType, int32_t mixedLongLines, int32_t longLines,
                           int32_t lines, int32_t previousLines) {
  return Transform(tables, spectrum, overlap, out, blockType, mixedLongLines, longLines, lines,
                   previousLines, false);
}

int32_t HybridSynthesisPacked(const Layer3Tables& tables, float* spectrum, float* overlap,
                              float* out, int32_t blockType, int32_t mixedLongLines,
                              int32_t longLines, int32_t lines, int32_t previousLines) {
  return Transform(tables, spectrum, overlap, out, blockType, mixedLongLines, longLines, lines,
                   previousLines, true);
}

int32_t HybridSynthesisAccumulate(const Layer3Tables& tables, const float* spectrum,
                                  float* overlapSum, float* out, int32_t blockType,
                                  int32_t mixedLongLines, int32_t longLines, int32_t lines) {
  const int longEnd = SubbandCount(longLines);
  const int end = std::max(SubbandCount(lines), longEnd);
  double block[36];
  for (int sb = 0; sb < end; ++sb) {
    const float* cells = spectrum + 18 * sb;
    if (sb < longEnd) {
      LongBlock(tables, cells, LongWindow(tables, blockType, sb, mixedLongLines), block, false);
    } else {
      ShortBlock(tables, cells, block, false);
    }
    float* sum = overlapSum + 18 * sb;
    for (int t = 0; t < kSlots; ++t) {
      out[kSubbands * t + sb] = static_cast<float>(out[kSubbands * t + sb] + block[t]);
      sum[t] = static_cast<float>(sum[t] + block[18 + t]);
    }
  }
  return 18 * end;
}

void InvertOddSubbands(float* out, int32_t lines) {
  // Sign bits flipped through a mask of the odd subbands in range, a whole slot at a time.
  const int subbands = SubbandCount(lines);
  uint32_t mask[kSubbands];
  for (int sb = 0; sb < kSubbands; ++sb) mask[sb] = (sb & 1) && sb < subbands ? 0x80000000u : 0u;
  for (int t = 1; t < kSlots; t += 2) {
    uint32_t slot[kSubbands];
    std::memcpy(slot, out + kSubbands * t, sizeof slot);
    for (int sb = 0; sb < kSubbands; ++sb) slot[sb] ^= mask[sb];
    std::memcpy(out + kSubbands * t, slot, sizeof slot);
  }
}

}  // namespace yumekaze::decoder
