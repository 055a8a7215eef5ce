// Joint stereo of one granule: mid/side and intensity stereo (MPEG-1 and LSF forms).
#pragma once

#include <cstdint>

#include "decoder/layer3/layer3_state.h"

namespace yumekaze::decoder {

struct StereoBands {
  const int32_t* LongSfbEnd;     // 22
  const int32_t* ShortSfbEnd3;   // 13
  const int32_t* LongSfbWidth;   // 22
  const int32_t* ShortSfbWidth;  // 13
  int32_t MixedLongSfbs;
};

// (L, R) = (M + S, M - S) over the first `lines` lines; the 1/sqrt(2) is already in the gains.
void MidSide(float* left, float* right, int32_t lines);

// Intensity stereo above channel 1's last nonzero band: right = left x kR, left = left x kL, the
// pairs chosen by channel 1's scale factors (its intensity positions). The intensity bound is found
// per window for short blocks; the highest band takes the position of the band below it.
void IntensityMpeg1(const Layer3Tables& tables, const StereoBands& bands, float* left, float* right,
                    const int32_t* scalefactors1, const GranuleSideInfo& sideInfo1,
                    const RequantInfo& info1, bool msStereo);
void IntensityLsf(const Layer3Tables& tables, const StereoBands& bands, float* left, float* right,
                  const int32_t* scalefactors1, const GranuleSideInfo& sideInfo1,
                  const RequantInfo& info1, const LsfIntensityRecord& record, bool msStereo);

}  // namespace yumekaze::decoder
