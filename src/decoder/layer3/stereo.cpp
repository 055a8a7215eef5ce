// Mid/side and intensity stereo (ISO/IEC 11172-3 2.4.3.4.9.3, ISO/IEC 13818-3 2.4.3.2).
#include "decoder/layer3/stereo.h"

#include <algorithm>

#include "decoder/layer3/scalefactors.h"

namespace yumekaze::decoder {
namespace {

// Intensity pair (kL, kR) of one band, or nullptr to leave the band as decoded.
using PairTable = const float (*)[2];

void SplitLines(float* left, float* right, int32_t first, int32_t count, int32_t step,
                const float* pair) {
  for (int32_t i = 0, line = first; i < count; ++i, line += step) {
    const float value = left[line];
    right[line] = value * pair[1];
    left[line] = value * pair[0];
  }
}

int32_t LongStart(const StereoBands& bands, int32_t band) {
  return band == 0 ? 0 : bands.LongSfbEnd[band - 1];
}
int32_t ShortStart(const StereoBands& bands, int32_t band) {
  return band == 0 ? 0 : bands.ShortSfbEnd3[band - 1];
}

// Position-to-pair mapping shared by both forms: MPEG-1 positions index the 8-pair set (above 7
// read as 7, not intensity coded); LSF positions are offset into their band's sub-table.
struct PairChooser {
  PairTable Pairs;
  const int32_t* LongOffsets;  // LSF only, else nullptr
  const int32_t* ShortOffsets;

  const float* Long(int32_t band, int32_t position) const {
    if (LongOffsets == nullptr) return Pairs[std::clamp(position, 0, 7)];
    return Pairs[std::clamp(LongOffsets[band] + position, 0, 63)];
  }
  const float* Short(int32_t band, int32_t position) const {
    if (ShortOffsets == nullptr) return Pairs[std::clamp(position, 0, 7)];
    return Pairs[std::clamp(ShortOffsets[band] + position, 0, 63)];
  }
};

// Long bands from `first` up to lastBand; band 21 (no position is coded for it) takes band 20's.
void IntensityLong(const StereoBands& bands, const PairChooser& chooser, float* left, float* right,
                   const int32_t* scalefactors1, int32_t first, int32_t lastBand) {
  for (int32_t band = std::max(first, 0); band <= lastBand; ++band) {
    const int32_t coded = std::min(band, 20);
    SplitLines(left, right, LongStart(bands, band), bands.LongSfbWidth[band], 1,
               chooser.Long(coded, scalefactors1[coded]));
  }
}

// Short bands of window w from `first` to 12; band 12 takes band 11's position.
void IntensityShortWindow(const StereoBands& bands, const PairChooser& chooser, float* left,
                          float* right, const int32_t* scalefactors1, int32_t window,
                          int32_t first) {
  for (int32_t band = std::max(first, 0); band <= 12; ++band) {
    const int32_t coded = std::min(band, 11);
    const int32_t position = scalefactors1[kShortScalefactorBase + coded + 13 * window];
    SplitLines(left, right, ShortStart(bands, band) + window, bands.ShortSfbWidth[band], 3,
               chooser.Short(coded, position));
  }
}

void Intensity(const StereoBands& bands, const PairChooser& chooser, float* left, float* right,
               const int32_t* scalefactors1, const GranuleSideInfo& sideInfo1,
               const RequantInfo& info1) {
  if (!info1.HasShort) {
    // Channel 1 entirely zero counts as band 0 nonzero: band 0 is never intensity coded.
    IntensityLong(bands, chooser, left, right, scalefactors1, info1.MaxSfb + 1, 21);
    return;
  }
  int32_t highest = -1;
  for (int w = 0; w < 3; ++w) {
    IntensityShortWindow(bands, chooser, left, right, scalefactors1, w, info1.MaxShortSfb[w] + 1);
    highest = std::max(highest, info1.MaxShortSfb[w]);
  }
  // A mixed block whose short part of channel 1 is empty continues into its long part.
  if (sideInfo1.MixedBlock && highest < info1.FirstShortSfb) {
    IntensityLong(bands, chooser, left, right, scalefactors1, info1.MaxMixedLongSfb + 1,
                  bands.MixedLongSfbs - 1);
  }
}

}  // namespace

void MidSide(float* left, float* right, int32_t lines) {
  for (int32_t i = 0; i < lines; ++i) {
    const float mid = left[i];
    const float side = right[i];
    left[i] = mid + side;
    right[i] = mid - side;
  }
}

void IntensityMpeg1(const Layer3Tables& tables, const StereoBands& bands, float* left, float* right,
                    const int32_t* scalefactors1, const GranuleSideInfo& sideInfo1,
                    const RequantInfo& info1, bool msStereo) {
  const PairChooser chooser{tables.IntensityMpeg1[msStereo ? 1 : 0], nullptr, nullptr};
  Intensity(bands, chooser, left, right, scalefactors1, sideInfo1, info1);
}

void IntensityLsf(const Layer3Tables& tables, const StereoBands& bands, float* left, float* right,
                  const int32_t* scalefactors1, const GranuleSideInfo& sideInfo1,
                  const RequantInfo& info1, const LsfIntensityRecord& record, bool msStereo) {
  // Offset of each band's sub-table: 2^slen - 1 of its partition; bands past the partitions 0.
  int32_t longOffsets[22] = {};
  int32_t shortOffsets[13] = {};
  const bool mixed = sideInfo1.BlockType == 2 && sideInfo1.MixedBlock;
  int32_t longBand = 0;
  int32_t shortBand = mixed ? 3 : 0;
  for (int p = 0; p < 3; ++p) {
    const int32_t offset = (1 << record.Lengths[p]) - 1;
    for (int32_t n = 0; n < record.PartitionCounts[p]; ++n) {
      if (sideInfo1.BlockType != 2 || (mixed && p == 0)) {
        if (longBand < 22) longOffsets[longBand++] = offset;
      } else if (shortBand < 13) {
        shortOffsets[shortBand++] = offset;
      }
    }
  }
  const PairChooser chooser{tables.IntensityLsf[record.IntensityScale & 1][msStereo ? 1 : 0],
                            longOffsets, shortOffsets};
  Intensity(bands, chooser, left, right, scalefactors1, sideInfo1, info1);
}

}  // namespace yumekaze::decoder
