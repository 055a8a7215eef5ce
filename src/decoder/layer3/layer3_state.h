// Layer III decoder state: side information, bit reservoir, spectra and overlap, set-up values and
// routine variants. Fixed-size members only: nothing is allocated while decoding.
#pragma once

#include <cstddef>
#include <cstdint>

#include "decoder/decoder.h"
#include "decoder/layer3/alias_reduction.h"
#include "decoder/layer3/bit_reader.h"
#include "decoder/layer3/hybrid_synthesis.h"
#include "decoder/layer3/layer3_tables.h"
#include "decoder/layer3/requantize_run.h"

namespace yumekaze::decoder {

struct DecoderState;

inline constexpr int kGranuleLines = 576;
inline constexpr int kMainDataBufferSize = 8192;
// Above this fill the reservoir is compacted before a frame is appended (8192 less the largest
// MPEG-1 frame's main data).
inline constexpr int kReservoirCompactThreshold = 6692;

struct GranuleSideInfo {
  int32_t Part23Length;
  int32_t BigValues;
  int32_t GlobalGain;  // with GainOffset added and 2 subtracted for mid/side
  int32_t ScalefacCompress;
  int32_t WindowSwitching;
  int32_t BlockType;
  int32_t MixedBlock;
  int32_t TableSelect[3];
  int32_t SubblockGain[3];
  int32_t Region0Count;
  int32_t Region1Count;
  int32_t Preflag;
  int32_t ScalefacScale;
  int32_t Count1TableSelect;
};

// The fields of the frame being decoded that Layer III reads again from every header.
struct Layer3FrameFields {
  int32_t VersionId;
  int32_t ProtectionBit;
  int32_t BitrateIndex;
  int32_t SampleRateIndex;
  int32_t Padding;
  int32_t Mode;
  int32_t ModeExtension;  // 0 unless joint stereo
  int32_t MsStereo;
  int32_t IntensityStereo;
  int32_t Channels;  // coded in this frame
  int32_t CrcBytes;
  int32_t Mpeg25;  // frame began with the MPEG-2.5 sync
  int32_t MainDataBegin;
  int32_t Scfsi[2];
};

// What requantization learnt about one granule and channel; intensity stereo reads channel 1's.
struct RequantInfo {
  int32_t HasShort;
  int32_t MaxSfb;  // highest long band with a nonzero value (0 when none), or max of MaxShortSfb
  int32_t FirstShortSfb;    // 12 long blocks only, 0 pure short, 3 mixed
  int32_t LongSfbCount;     // long bands before the short part: 22, 0 or MixedLongSfbs
  int32_t MaxShortSfb[3];   // per window the highest nonzero short band, FirstShortSfb - 1 if none
  int32_t MaxMixedLongSfb;  // mixed blocks: highest nonzero band of the long part, -1 if none
};

// Channel 1's LSF intensity partitions: band counts and scale factor lengths, and the scale bit.
struct LsfIntensityRecord {
  int32_t PartitionCounts[3];
  int32_t Lengths[3];
  int32_t IntensityScale;
};

using Layer3FrameDecoderFn = void (*)(DecoderState& decoder, MpegDecodeResult& result,
                                      const uint8_t* input, size_t inputSize, uint8_t* output);
using Layer3OutputStageFn = void (*)(DecoderState& decoder, uint8_t* output, int32_t granule);

struct Layer3State {
  L3BitReader Reader;

  // Bit reservoir.
  uint8_t MainDataBuffer[kMainDataBufferSize]{};
  int32_t ReservoirFill = 0;
  int32_t MainDataStart = 0;
  int32_t MainDataBitPos = 0;

  // The frame being decoded.
  Layer3FrameFields Frame{};
  int32_t FrameLength = 0;           // without padding; kept for free-format frames
  GranuleSideInfo SideInfo[2][2]{};  // [granule][channel]
  int32_t GranuleSlot = 0;           // LSF: the granule slot of the next frame

  // Spectra. Quantized holds the Huffman integers of the granule being decoded; Spectrum[ch][gr]
  // holds its requantized lines and, after the transform, the overlap of that granule.
  int32_t Quantized[2][kGranuleLines]{};
  alignas(16) float Spectrum[2][2][kGranuleLines]{};
  int32_t NonzeroLines[2][2]{};      // [granule][channel]
  int32_t Scalefactors[2][2][62]{};  // [granule][channel]: long 0..22, short 23 + b + 13w
  RequantInfo Requant[2][2]{};       // [granule][channel]
  LsfIntensityRecord LsfIntensity{};
  alignas(16) float ShortWork[kGranuleLines]{};              // short-band reordering
  alignas(16) float GranuleSubbandSamples[2][kGranuleLines]{};  // [channel][18 slots][32 subbands]

  // Set-up values. Output subbands at and above (LineLimit + 17) / 18 are always zero.
  int32_t LineLimit = 0;
  int32_t LongZeroFrom = 0;
  int32_t ShortZeroFrom = 0;
  int32_t GainOffset = 0;
  int32_t SilenceByte = 0;
  int32_t MixedLongSfbs = 0;
  int32_t BytesPerFrame = 0;
  int32_t Lsf = 0;             // one granule per frame (MPEG-2, MPEG-2.5)
  int32_t StreamChannels = 0;  // of the header given to the set-up
  int32_t LongSfbEnd[22]{};
  int32_t ShortSfbEnd3[13]{};
  int32_t LongSfbWidth[22]{};
  int32_t ShortSfbWidth[13]{};
  Layer3Tables Tables{};

  // Routines chosen by InitLayer3 and by the capability flags.
  Layer3FrameDecoderFn FrameDecoder = nullptr;
  Layer3OutputStageFn Layer3OutputStage = nullptr;
  AliasReduceFn AliasReduce = AliasReduceX87;
  HybridSynthesisFn HybridSynthesis = HybridSynthesisX87;
  RequantizeRunFn RequantizeRun = RequantizeRunReference;
};

}  // namespace yumekaze::decoder
