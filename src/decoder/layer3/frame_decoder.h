// The Layer III frame decoders: MPEG-1 (two granules) and LSF, MPEG-2 and 2.5 (one granule).
#pragma once

#include <cstddef>
#include <cstdint>

#include "decoder/decoder.h"

namespace yumekaze::decoder {

struct DecoderState;

void DecodeLayer3FrameMpeg1(DecoderState& decoder, MpegDecodeResult& result, const uint8_t* input,
                            size_t inputSize, uint8_t* output);
void DecodeLayer3FrameLsf(DecoderState& decoder, MpegDecodeResult& result, const uint8_t* input,
                          size_t inputSize, uint8_t* output);

}  // namespace yumekaze::decoder
