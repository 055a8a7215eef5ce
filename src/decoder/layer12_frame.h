// Steps shared by the Layer I and Layer II set-ups and frame decoders.
#pragma once

#include <cstddef>
#include <cstdint>

#include "decoder/decoder.h"

namespace yumekaze::decoder {

struct DecoderState;

inline constexpr int32_t kModeSingleChannel = 3;

// Checks what both set-ups refuse: MPEG-2.5 sync (no Layer I/II there), 8-bit output, a shift
// other than 0 after clamping, a frame length below 1.
bool Layer12SetupServed(const MpegFrameHeader& header, int32_t frameLength, int32_t shift,
                        uint8_t options);

// Output routine, channel count, PCM sizes and MpegOutputInfo; clears `clearCount` subband
// samples and resets the synthesis. Expects AllocSubbands and SubbandLimit per channel and
// doubles them for two-channel streams.
void CompleteLayer12Setup(DecoderState& decoder, const MpegFrameHeader& header, int32_t frameLength,
                          uint8_t options, int32_t sampleRate, int32_t samplesPerChannel,
                          int32_t clearCount);

// Reads the header bits of a frame: false without a 12-bit sync. Sets PaddingBytes (the padding
// bit times paddingUnit) and JointStereoBound, and skips the CRC word.
bool ReadLayer12Header(DecoderState& decoder, const uint8_t* input, size_t inputSize,
                       int32_t paddingUnit);

// Synthesises `slotCount` slots of SubbandSamples into output and reports the frame's sizes.
void FinishLayer12Frame(DecoderState& decoder, MpegDecodeResult& result, uint8_t* output,
                        int32_t slotCount);

}  // namespace yumekaze::decoder
