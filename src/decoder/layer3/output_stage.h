// The Layer III output stages: which channels go through the transform and into the synthesis.
#pragma once

#include <cstdint>

namespace yumekaze::decoder {

struct DecoderState;

// One channel: channel 0 of a single-channel stream, or the left (channel 0) or right (channel 1)
// channel of a two-channel stream.
void OutputStageMono(DecoderState& decoder, uint8_t* output, int32_t granule);
void OutputStageLeft(DecoderState& decoder, uint8_t* output, int32_t granule);
void OutputStageRight(DecoderState& decoder, uint8_t* output, int32_t granule);
// Both channels into interleaved stereo.
void OutputStageStereo(DecoderState& decoder, uint8_t* output, int32_t granule);
// Both channels mixed into one (their gains were halved at the side information).
void OutputStageMix(DecoderState& decoder, uint8_t* output, int32_t granule);

}  // namespace yumekaze::decoder
