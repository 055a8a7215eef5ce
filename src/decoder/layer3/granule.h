// Decoding of one granule of all channels, from main data to the output stage.
#pragma once

#include <cstdint>

namespace yumekaze::decoder {

struct DecoderState;

// Reads part 2 and 3 of every channel from MainDataBitPos on, requantizes, applies joint stereo,
// alias reduction and the line equalizer, and hands the granule to the output stage.
void DecodeGranule(DecoderState& decoder, uint8_t* output, int32_t granule);

}  // namespace yumekaze::decoder
