// Layer I and Layer II frame decoders and their set-up.
#pragma once

#include <cstddef>
#include <cstdint>

#include "decoder/decoder.h"

namespace yumekaze::decoder {

struct DecoderState;

// Both set-ups return 1 on success, 0 when the stream or the options are not served.
int32_t InitLayer1(DecoderState& decoder, const MpegFrameHeader& header, int32_t frameLength,
                   int32_t shift, uint8_t options, int32_t frequencyLimit);
int32_t InitLayer2(DecoderState& decoder, const MpegFrameHeader& header, int32_t frameLength,
                   int32_t shift, uint8_t options, int32_t frequencyLimit);

void DecodeLayer1Frame(DecoderState& decoder, MpegDecodeResult& result, const uint8_t* input,
                       size_t inputSize, uint8_t* output);
void DecodeLayer2Frame(DecoderState& decoder, MpegDecodeResult& result, const uint8_t* input,
                       size_t inputSize, uint8_t* output);

// Entry from which both channels share allocation and samples, by the frame's mode and mode
// extension (entries count subband and channel).
int32_t JointStereoBoundFor(int32_t mode, int32_t modeExtension);

// Takes the Layer II allocation layout and subband limit (per channel) for a frame's header,
// with the stored options and frequency limit; false for the forbidden bitrate index.
bool SelectLayer2Table(DecoderState& decoder, const MpegFrameHeader& header);

// Layer II allocation table for a header (0..4) by version, rate and bitrate per channel, or -1
// for the forbidden bitrate index.
int32_t Layer2TableFor(const MpegFrameHeader& header);

}  // namespace yumekaze::decoder
