// Layer III set-up (band tables, limits, output format and stage) and the routine variants.
#include <algorithm>
#include <iterator>

#include "decoder/decoder_setup.h"
#include "decoder/decoder_state.h"
#include "decoder/layer3/frame_decoder.h"
#include "decoder/layer3/layer3.h"
#include "decoder/layer3/layer3_simd.h"
#include "decoder/layer3/output_stage.h"
#include "decoder/layer3/tables/scalefactor_bands.h"

namespace yumekaze::decoder {
namespace {

constexpr int32_t kLayer3Code = 1;

void CopyBandTables(Layer3State& state, const int16_t* boundaries) {
  const int16_t* longBounds = boundaries;
  const int16_t* shortBounds = boundaries + kLongBoundaryCount;
  for (int i = 0; i < 22; ++i) {
    state.LongSfbEnd[i] = longBounds[i + 1];
    state.LongSfbWidth[i] = longBounds[i + 1] - longBounds[i];
  }
  for (int i = 0; i < 13; ++i) {
    state.ShortSfbEnd3[i] = 3 * shortBounds[i + 1];
    state.ShortSfbWidth[i] = shortBounds[i + 1] - shortBounds[i];
  }
}

Layer3OutputStageFn ChooseOutputStage(int32_t streamChannels, int32_t selection) {
  if (streamChannels == 1) return OutputStageMono;
  switch (selection) {
    case kChannelsMixToMono:
      return OutputStageMix;
    case kChannelsLeftOnly:
      return OutputStageLeft;
    case kChannelsRightOnly:
      return OutputStageRight;
    default:
      return OutputStageStereo;
  }
}

}  // namespace

int32_t InitLayer3(DecoderState& decoder, const MpegFrameHeader& header, int32_t frameLength,
                   int32_t shift, uint8_t options, int32_t frequencyLimit) {
  Layer3State& state = decoder.layer3;
  state.MainDataStart = 0;
  state.ReservoirFill = 0;
  if (header.Layer != kLayer3Code) return 0;
  // Only 16-bit output at the full rate has an output routine.
  if ((options & kOptionEightBit) != 0 || ClampShift(shift) != 0) return 0;
  const bool mpeg25 = header.SyncKind == 2;
  if (header.SampleRateIndex < 0 || header.SampleRateIndex > 2) return 0;
  if (header.VersionId != 0 && header.VersionId != 1) return 0;
  if (mpeg25 && header.VersionId == 1) return 0;

  state.MixedLongSfbs = header.VersionId == 1 ? 8 : 6;
  state.FrameLength = frameLength;
  const int32_t rate = SampleRateHz(header) / (mpeg25 ? 2 : 1);
  const int32_t versionRow = mpeg25 ? 2 : header.VersionId;
  const int16_t* boundaries = kScalefactorBandBoundaries[versionRow][header.SampleRateIndex];
  CopyBandTables(state, boundaries);

  if ((options & kOptionFullBand) != 0) {
    // The standard's full bandwidth: all 576 lines, all 32 subbands.
    state.LineLimit = state.LongZeroFrom = state.ShortZeroFrom = kGranuleLines;
  } else {
    // MPEG-2 and 2.5 always clear their highest scale factor band.
    const int32_t subbands = ComputeSubbandLimit(frequencyLimit, rate, 0, options);
    state.LongZeroFrom = boundaries[header.VersionId == 1 ? 22 : 21];
    state.ShortZeroFrom = 3 * boundaries[kLongBoundaryCount + (header.VersionId == 1 ? 13 : 12)];
    state.LineLimit = std::min(18 * subbands, state.LongZeroFrom + 8);
    state.LongZeroFrom = std::min(state.LongZeroFrom, state.LineLimit);
    state.ShortZeroFrom = std::min(state.ShortZeroFrom, state.LineLimit);
  }

  const int32_t selection = options & kChannelSelectionMask;
  state.StreamChannels = header.Mode == 3 ? 1 : 2;
  state.GainOffset = state.StreamChannels == 2 && selection == kChannelsMixToMono ? -4 : 0;
  const int32_t outputChannels = state.StreamChannels == 1 || selection != 0 ? 1 : 2;
  state.Lsf = header.VersionId == 1 ? 0 : 1;
  const int32_t samplesPerFrame = (state.Lsf ? 576 : 1152) * outputChannels;
  state.BytesPerFrame = 2 * samplesPerFrame;
  state.SilenceByte = 0;
  decoder.BytesPerFrame = state.BytesPerFrame;
  decoder.OutputInfo = {outputChannels, samplesPerFrame, rate, 16, frameLength, 0};
  state.Layer3OutputStage = ChooseOutputStage(state.StreamChannels, selection);

  BuildLayer3Tables(state.Tables);
  ResetSynthesis(decoder);
  std::fill_n(&state.GranuleSubbandSamples[0][0], 2 * kGranuleLines, 0.0f);
  std::fill(&state.Spectrum[0][0][0], &state.Spectrum[0][0][0] + 2 * 2 * kGranuleLines, 0.0f);
  std::fill(&state.NonzeroLines[0][0], &state.NonzeroLines[0][0] + 4, 0);
  state.FrameDecoder = state.Lsf ? DecodeLayer3FrameLsf : DecodeLayer3FrameMpeg1;
  return 1;
}

void SelectLayer3Variants(DecoderState& decoder, uint32_t flags) {
  Layer3State& state = decoder.layer3;
  // The packed forms differ from the reference only in rounding; see the routines.
  state.AliasReduce = (flags & (kCpuE3DNow | kCpu3DNow)) != 0 ? AliasReducePacked : AliasReduceX87;
  state.HybridSynthesis = (flags & kCpuE3DNow) != 0 && (flags & kCpuCMOV) != 0
                              ? HybridSynthesisPacked
                              : HybridSynthesisX87;
  state.RequantizeRun = RequantizeRunReference;
#ifdef YUMEKAZE_LAYER3_SIMD
  // The SSE2 and AVX2 forms compute the reference's values (see layer3_simd.h), so they take
  // precedence over the packed forms wherever the processor has them.
  if ((flags & kCpuAVX2) != 0 && (flags & kCpuFMA) != 0) {
    state.AliasReduce = AliasReduceAvx2;
    state.HybridSynthesis = HybridSynthesisAvx2;
    state.RequantizeRun = RequantizeRunAvx2;
  } else if ((flags & kCpuSSE2) != 0) {
    state.AliasReduce = AliasReduceSse2;
    state.HybridSynthesis = HybridSynthesisSse2;
    state.RequantizeRun = RequantizeRunSse2;
  }
#endif
}

}  // namespace yumekaze::decoder
