// Scale factor readers (part 2 of a granule and channel): the MPEG-1 form with reuse across
// granules and the LSF form with partitioned lengths.
#pragma once

#include <cstdint>

#include "decoder/layer3/bit_reader.h"
#include "decoder/layer3/layer3_state.h"

namespace yumekaze::decoder {

inline constexpr int kShortScalefactorBase = 23;  // short band b of window w at 23 + b + 13w

// scalefactors points at [granule][channel]'s 62 values; granule0 at granule 0's of the channel.
void ReadScalefactorsMpeg1(L3BitReader& reader, int32_t* scalefactors, const int32_t* granule0,
                           const GranuleSideInfo& sideInfo, int32_t scfsi, int32_t granule);

// Reads the LSF form and sets sideInfo.Preflag. With intensityChannel (channel 1 of an intensity
// stereo frame) the intensity lengths are used and intensity is filled.
void ReadScalefactorsLsf(L3BitReader& reader, int32_t* scalefactors, GranuleSideInfo& sideInfo,
                         bool intensityChannel, LsfIntensityRecord& intensity);

}  // namespace yumekaze::decoder
