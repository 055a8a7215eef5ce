// Entry points of the Layer III decoder used by the decoder's set-up and dispatch.
#pragma once

#include <cstddef>
#include <cstdint>

#include "decoder/decoder.h"

namespace yumekaze::decoder {

struct DecoderState;

// Sets the decoder up for a Layer III stream; 1 on success, 0 when refused.
int32_t InitLayer3(DecoderState& decoder, const MpegFrameHeader& header, int32_t frameLength,
                   int32_t shift, uint8_t options, int32_t frequencyLimit);
// Decodes one Layer III frame (MPEG-1 or LSF, as InitLayer3 chose).
void DecodeLayer3Frame(DecoderState& decoder, MpegDecodeResult& result, const uint8_t* input,
                       size_t inputSize, uint8_t* output);
// Installs the Layer III routine variants for the given CpuFeatureFlags.
void SelectLayer3Variants(DecoderState& decoder, uint32_t flags);

}  // namespace yumekaze::decoder
