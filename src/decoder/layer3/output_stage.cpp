// Output stages: transform of the selected channels and hand-over to the synthesis front ends.
#include "decoder/layer3/output_stage.h"

#include <algorithm>

#include "decoder/decoder_state.h"
#include "decoder/layer3/hybrid_synthesis.h"

namespace yumekaze::decoder {
namespace {

// Lines of a channel transformed with long blocks: all of them, none for pure short blocks, or
// the long part of a mixed block.
int32_t LongLines(const Layer3State& state, const GranuleSideInfo& info, int32_t lines,
                  int32_t limit) {
  if (info.BlockType != 2) return lines;
  if (!info.MixedBlock) return 0;
  return std::min(state.LongSfbEnd[state.MixedLongSfbs - 1], limit);
}

// Lines of a mixed block's long part, which take the normal window whatever the block type.
int32_t MixedLongLines(const Layer3State& state, const GranuleSideInfo& info) {
  return info.MixedBlock ? state.LongSfbEnd[state.MixedLongSfbs - 1] : 0;
}

// Transforms channel ch of the granule into its GranuleSubbandSamples; returns them.
const float* TransformChannel(Layer3State& state, int32_t granule, int32_t ch) {
  const GranuleSideInfo& info = state.SideInfo[granule][ch];
  const int32_t lines = std::min(state.NonzeroLines[granule][ch], state.LineLimit);
  int32_t& produced = state.NonzeroLines[granule][ch];
  produced = state.HybridSynthesis(
      state.Tables, state.Spectrum[ch][granule], state.Spectrum[ch][granule ^ 1],
      state.GranuleSubbandSamples[ch], info.BlockType, MixedLongLines(state, info),
      LongLines(state, info, lines, state.LineLimit), lines, state.NonzeroLines[granule ^ 1][ch]);
  InvertOddSubbands(state.GranuleSubbandSamples[ch], produced);
  return state.GranuleSubbandSamples[ch];
}

void OneChannel(DecoderState& decoder, uint8_t* output, int32_t granule, int32_t ch) {
  OutputLayer3Mono(decoder, TransformChannel(decoder.layer3, granule, ch), output);
}

}  // namespace

void OutputStageMono(DecoderState& decoder, uint8_t* output, int32_t granule) {
  OneChannel(decoder, output, granule, 0);
}

void OutputStageLeft(DecoderState& decoder, uint8_t* output, int32_t granule) {
  OneChannel(decoder, output, granule, 0);
}

void OutputStageRight(DecoderState& decoder, uint8_t* output, int32_t granule) {
  OneChannel(decoder, output, granule, 1);
}

void OutputStageStereo(DecoderState& decoder, uint8_t* output, int32_t granule) {
  const float* left = TransformChannel(decoder.layer3, granule, 0);
  const float* right = TransformChannel(decoder.layer3, granule, 1);
  OutputLayer3Stereo(decoder, left, right, output);
}

void OutputStageMix(DecoderState& decoder, uint8_t* output, int32_t granule) {
  Layer3State& state = decoder.layer3;
  const GranuleSideInfo& info0 = state.SideInfo[granule][0];
  const GranuleSideInfo& info1 = state.SideInfo[granule][1];
  int32_t(&nonzero)[2] = state.NonzeroLines[granule];
  float* spectrum0 = state.Spectrum[0][granule];
  float* samples = state.GranuleSubbandSamples[0];
  float* overlap0 = state.Spectrum[0][granule ^ 1];
  const int32_t previous = state.NonzeroLines[granule ^ 1][0];
  int32_t produced;
  if (info0.BlockType == info1.BlockType && !info0.MixedBlock && !info1.MixedBlock) {
    // Same transform for both: mix in the frequency domain and transform once.
    const int32_t lines = std::min(std::max(nonzero[0], nonzero[1]), state.LineLimit);
    const float* spectrum1 = state.Spectrum[1][granule];
    for (int32_t i = 0; i < lines; ++i) spectrum0[i] += spectrum1[i];
    produced = state.HybridSynthesis(state.Tables, spectrum0, overlap0, samples,
                                     info0.BlockType, MixedLongLines(state, info0),
                                     info0.BlockType == 2 ? 0 : lines, lines, previous);
  } else {
    // Differing transforms: channel 1's windowed samples and overlap are added to channel 0's.
    const int32_t lines0 = nonzero[0];
    produced =
        state.HybridSynthesis(state.Tables, spectrum0, overlap0, samples,
                              info0.BlockType, MixedLongLines(state, info0),
                              LongLines(state, info0, lines0, kGranuleLines), lines0, previous);
    const int32_t lines1 = nonzero[1];
    nonzero[1] = HybridSynthesisAccumulate(state.Tables, state.Spectrum[1][granule], spectrum0,
                                           samples, info1.BlockType,
                                           MixedLongLines(state, info1),
                                           LongLines(state, info1, lines1, kGranuleLines), lines1);
    // The larger extent, so channel 1's content above channel 0's is neither lost now nor in the
    // next granule's overlap.
    produced = std::max(produced, nonzero[1]);
  }
  nonzero[0] = produced;
  InvertOddSubbands(samples, produced);
  OutputLayer3Mono(decoder, samples, output);
}

}  // namespace yumekaze::decoder
