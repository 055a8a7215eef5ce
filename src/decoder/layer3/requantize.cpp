// Requantization of ISO/IEC 11172-3 (2.4.3.4.7) with the gains folded into per-band factors.
#include "decoder/layer3/requantize.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

#include "decoder/layer3/layer3_simd.h"
#include "decoder/layer3/scalefactors.h"

namespace yumekaze::decoder {
namespace {

// Pre-emphasis of the long bands (ISO/IEC 11172-3 Table B.6).
constexpr int32_t kPreemphasis[22] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                      1, 1, 1, 1, 2, 2, 3, 3, 3, 2, 0};

int32_t ScaleIndex(int32_t scalefactor) { return std::clamp(scalefactor, 0, 31); }

}  // namespace

float RequantizeValue(const Layer3Tables& tables, int32_t value, float factor) {
  if (value == 0) return 0.0f;
  if (value >= -32 && value <= 31) return factor * tables.PowTable[value + 32];
  // Large values (linbits): v |v|^(1/3) with the exponent as the single-precision third.
  const double magnitude = std::abs(static_cast<double>(value));
  const float power =
      static_cast<float>(value * std::pow(magnitude, static_cast<double>(1.0f / 3.0f)));
  return factor * power;
}

const float* LargePowerTable() {
  // Built once, by the expression RequantizeValue uses, so lookups give its values exactly.
  static const auto table = [] {
    std::array<float, kLargestQuantized + 1> powers{};
    for (int32_t v = 0; v <= kLargestQuantized; ++v) {
      powers[v] = static_cast<float>(
          v * std::pow(static_cast<double>(v), static_cast<double>(1.0f / 3.0f)));
    }
    return powers;
  }();
  return table.data();
}

bool RequantizeRunReference(const Layer3Tables& tables, const int32_t* quantized, float* dest,
                            int32_t count, float factor) {
  bool nonzero = false;
  for (int32_t i = 0; i < count; ++i) {
    nonzero |= quantized[i] != 0;
    dest[i] = RequantizeValue(tables, quantized[i], factor);
  }
  return nonzero;
}

void Requantize(const Layer3Tables& tables, const RequantBands& bands, const int32_t* quantized,
                float* spectrum, int32_t& nonzeroLines, const int32_t* scalefactors,
                const GranuleSideInfo& sideInfo, RequantInfo& info, float* work,
                RequantizeRunFn run) {
  const int32_t limit = std::clamp(nonzeroLines, 0, 576);
  const float gain = tables.GainTable[std::clamp(sideInfo.GlobalGain + 6, 0, 261)];
  const int32_t scale = sideInfo.ScalefacScale & 1;
  const bool shortBlocks = sideInfo.BlockType == 2;
  const bool mixed = shortBlocks && sideInfo.MixedBlock != 0;
  const int32_t longBands = !shortBlocks ? 22 : (mixed ? bands.MixedLongSfbs : 0);

  info.HasShort = shortBlocks ? 1 : 0;
  info.FirstShortSfb = !shortBlocks ? 12 : (mixed ? 3 : 0);
  info.LongSfbCount = longBands;
  info.MaxSfb = 0;
  info.MaxMixedLongSfb = -1;
  for (int w = 0; w < 3; ++w) info.MaxShortSfb[w] = info.FirstShortSfb - 1;

  int32_t line = 0;
  int32_t lastLongBand = -1;
  for (int32_t band = 0; band < longBands && line < limit; ++band) {
    const int32_t pre = sideInfo.Preflag ? kPreemphasis[band] : 0;
    const float factor = gain * tables.ScaleTable[scale][pre][ScaleIndex(scalefactors[band])];
    const int32_t width = bands.LongSfbWidth[band];
    if (run(tables, quantized + line, spectrum + line, width, factor)) lastLongBand = band;
    line += width;
  }

  if (shortBlocks) {
    const int32_t shortStart = line;
    if (mixed) info.MaxMixedLongSfb = lastLongBand;
    float windowGain[3];
    for (int w = 0; w < 3; ++w) {
      windowGain[w] = gain * tables.SubblockTable[sideInfo.SubblockGain[w] & 7];
    }
    int32_t base = 0;
    for (int32_t band = info.FirstShortSfb; band < 13 && line < limit; ++band) {
      const int32_t width = bands.ShortSfbWidth[band];
      for (int w = 0; w < 3; ++w) {
        const int32_t sf = scalefactors[kShortScalefactorBase + band + 13 * w];
        const float factor = windowGain[w] * tables.ScaleTable[scale][0][ScaleIndex(sf)];
        float values[kGranuleLines / 3];
        if (run(tables, quantized + line, values, width, factor)) info.MaxShortSfb[w] = band;
        for (int32_t i = 0; i < width; ++i) work[base + 3 * i + w] = values[i];
        line += width;
      }
      base += 3 * width;
    }
    std::copy(work, work + (line - shortStart), spectrum + shortStart);
    nonzeroLines = line;
    info.MaxSfb = std::max({info.MaxShortSfb[0], info.MaxShortSfb[1], info.MaxShortSfb[2], 0});
  } else {
    info.MaxSfb = std::max(lastLongBand, 0);
  }
  std::fill(spectrum + line, spectrum + 576, 0.0f);
}

}  // namespace yumekaze::decoder
