// All state of one decoder instance, in fixed-size members: nothing is allocated after set-up.
#pragma once

#include <cstdint>

#include "decoder/bit_reader.h"
#include "decoder/decoder.h"
#include "decoder/equalizer.h"
#include "decoder/layer3/layer3_state.h"
#include "decoder/synthesis.h"

namespace yumekaze::decoder {

using FrameDecoderFn = void (*)(DecoderState& decoder, MpegDecodeResult& result,
                                const uint8_t* input, size_t inputSize, uint8_t* output);

inline constexpr int kSubbandSampleCount = 2304;  // 36 slots x 64 entries (Layer II)
inline constexpr int kSynthRingSize = 512;        // 16 slots x 32 DCT outputs
inline constexpr int kCosineTableSize = 31;       // N/2 entries for N = 32, 16, 8, 4, 2

struct DecoderState {
  // Set-up and dispatch.
  FrameDecoderFn FrameDecoder = nullptr;  // null until the first successful InitDecoder
  OutputRoutineFn OutputRoutine = nullptr;
  int32_t FrameLength = 0;       // without the padding slot
  int32_t PaddingBytes = 0;      // of the frame being decoded
  int32_t BytesPerFrame = 0;     // PCM bytes one frame produces
  int32_t AllocSubbands = 0;     // entries carrying allocations (doubled for two channels)
  int32_t SubbandLimit = 0;      // entries decoded; those at and above stay zero
  int32_t JointStereoBound = 0;  // entry from which both channels share samples (per frame)
  int32_t CodedChannels = 0;     // channels in the stream (1 or 2), not the output's
  int32_t DownsampleShift = 0;
  int32_t SetupLayer = 0;      // Layer code of the last successful set-up
  int32_t FrequencyLimit = 0;  // of the last set-up, for the per-frame set-up of Layers I/II
  uint32_t Layer12Header = 0;  // header bits the Layer I/II set-up was made for
  uint8_t Options = 0;         // DecoderOptions of the last set-up
  MpegOutputInfo OutputInfo{};

  // Layer II allocation layout, copied from the selected allocation table.
  int32_t GroupSizes[4]{};        // subbands per group, doubled for two channels
  uint8_t GroupClasses[4][16]{};  // quantisation class per allocation code

  alignas(16) float SubbandSamples[kSubbandSampleCount]{};
  BitReader Bits;

  // Synthesis.
  alignas(16) float SynthRing[2][kSynthRingSize]{};
  int32_t SynthRingPos = 0;  // of both rings, which always move together
  float CosineTable[kCosineTableSize]{};
  bool CosineTableBuilt = false;
  WindowRoutineFn WindowMono = WindowMonoX87;
  WindowPairFn WindowPair = WindowBothChannels<WindowStereoX87>;
  DctRoutineFn Dct = Dct32PairReference;

  Layer3State layer3;
  EqualizerState equalizer{};
};

}  // namespace yumekaze::decoder
