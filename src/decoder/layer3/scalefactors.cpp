// Scale factor readers of ISO/IEC 11172-3 (2.4.2.7) and ISO/IEC 13818-3 (2.4.3.2).
#include "decoder/layer3/scalefactors.h"

namespace yumekaze::decoder {
namespace {

// (slen1, slen2) by scalefac_compress.
constexpr int32_t kMpeg1Lengths[16][2] = {{0, 0}, {0, 1}, {0, 2}, {0, 3}, {3, 0}, {1, 1},
                                          {1, 2}, {1, 3}, {2, 1}, {2, 2}, {2, 3}, {3, 1},
                                          {3, 2}, {3, 3}, {4, 2}, {4, 3}};

// Bands per partition, [row][long, short (bands, each for three windows), mixed][partition].
// The mixed kind's first count is the six long bands.
constexpr int32_t kLsfPartitions[6][3][4] = {
    {{6, 5, 5, 5}, {3, 3, 3, 3}, {6, 3, 3, 3}},   {{6, 5, 7, 3}, {3, 3, 4, 2}, {6, 3, 4, 2}},
    {{11, 10, 0, 0}, {6, 6, 0, 0}, {6, 3, 6, 0}}, {{7, 7, 7, 0}, {4, 4, 4, 0}, {6, 5, 4, 0}},
    {{6, 6, 6, 3}, {4, 3, 3, 2}, {6, 4, 3, 2}},   {{8, 8, 5, 0}, {5, 4, 3, 0}, {6, 6, 3, 0}},
};

int32_t* ShortBand(int32_t* scalefactors, int band, int window) {
  return scalefactors + kShortScalefactorBase + band + 13 * window;
}

void ReadShortBands(L3BitReader& reader, int32_t* scalefactors, int first, int count,
                    int32_t length) {
  for (int band = first; band < first + count && band < 13; ++band) {
    for (int window = 0; window < 3; ++window) {
      *ShortBand(scalefactors, band, window) = static_cast<int32_t>(GetBits(reader, length));
    }
  }
}

}  // namespace

void ReadScalefactorsMpeg1(L3BitReader& reader, int32_t* scalefactors, const int32_t* granule0,
                           const GranuleSideInfo& sideInfo, int32_t scfsi, int32_t granule) {
  const int32_t slen1 = kMpeg1Lengths[sideInfo.ScalefacCompress & 15][0];
  const int32_t slen2 = kMpeg1Lengths[sideInfo.ScalefacCompress & 15][1];
  if (sideInfo.BlockType == 2) {
    if (sideInfo.MixedBlock) {
      for (int band = 0; band < 8; ++band) {
        scalefactors[band] = static_cast<int32_t>(GetBits(reader, slen1));
      }
      ReadShortBands(reader, scalefactors, 3, 3, slen1);
    } else {
      ReadShortBands(reader, scalefactors, 0, 6, slen1);
    }
    ReadShortBands(reader, scalefactors, 6, 6, slen2);
    return;
  }
  // Groups of long bands whose scale factors granule 1 may take over from granule 0.
  constexpr int kGroupStart[5] = {0, 6, 11, 16, 21};
  for (int group = 0; group < 4; ++group) {
    const bool reuse = granule == 1 && (scfsi & (8 >> group)) != 0;
    const int32_t length = group < 2 ? slen1 : slen2;
    for (int band = kGroupStart[group]; band < kGroupStart[group + 1]; ++band) {
      scalefactors[band] = reuse ? granule0[band] : static_cast<int32_t>(GetBits(reader, length));
    }
  }
}

void ReadScalefactorsLsf(L3BitReader& reader, int32_t* scalefactors, GranuleSideInfo& sideInfo,
                         bool intensityChannel, LsfIntensityRecord& intensity) {
  const int32_t c = sideInfo.ScalefacCompress;
  int32_t lengths[4] = {0, 0, 0, 0};
  int row;
  sideInfo.Preflag = 0;
  if (!intensityChannel) {
    if (c < 400) {
      lengths[0] = (c >> 4) / 5;
      lengths[1] = (c >> 4) % 5;
      lengths[2] = (c >> 2) & 3;
      lengths[3] = c & 3;
      row = 0;
    } else if (c < 500) {
      const int32_t d = c - 400;
      lengths[0] = (d >> 2) / 5;
      lengths[1] = (d >> 2) % 5;
      lengths[2] = d & 3;
      row = 1;
    } else {
      const int32_t d = c - 500;
      lengths[0] = d / 3;
      lengths[1] = d % 3;
      row = 2;
      sideInfo.Preflag = 1;
    }
  } else {
    intensity.IntensityScale = c & 1;
    const int32_t i = c >> 1;
    if (i < 180) {
      lengths[0] = i / 36;
      lengths[1] = (i % 36) / 6;
      lengths[2] = (i % 36) % 6;
      row = 3;
    } else if (i < 244) {
      const int32_t d = i - 180;
      lengths[0] = d >> 4;
      lengths[1] = (d >> 2) & 3;
      lengths[2] = d & 3;
      row = 4;
    } else {
      const int32_t d = i - 244;
      lengths[0] = d / 3;
      lengths[1] = d % 3;
      row = 5;
    }
  }
  const int kind = sideInfo.BlockType != 2 ? 0 : (sideInfo.MixedBlock ? 2 : 1);
  const int32_t* counts = kLsfPartitions[row][kind];
  if (kind == 2 && row == 2) {
    // The standard's unsplit second count of 15 covers long bands 0..5 and short bands 3..5 with
    // the first length.
    lengths[2] = lengths[1];
    lengths[1] = lengths[0];
  }
  if (intensityChannel) {
    for (int j = 0; j < 3; ++j) {
      intensity.PartitionCounts[j] = counts[j];
      intensity.Lengths[j] = lengths[j];
    }
  }
  if (kind == 0) {
    int band = 0;
    for (int j = 0; j < 4; ++j) {
      for (int n = 0; n < counts[j] && band < 22; ++n, ++band) {
        scalefactors[band] = static_cast<int32_t>(GetBits(reader, lengths[j]));
      }
    }
    return;
  }
  int band = 0;
  int first = 0;
  if (kind == 2) {
    for (int n = 0; n < 6; ++n) scalefactors[n] = static_cast<int32_t>(GetBits(reader, lengths[0]));
    band = 3;
    first = 1;
  }
  for (int j = first; j < 4; ++j) {
    ReadShortBands(reader, scalefactors, band, counts[j], lengths[j]);
    band += counts[j];
  }
}

}  // namespace yumekaze::decoder
