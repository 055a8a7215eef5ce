// The per-granule driver: Huffman regions, scale factors, requantization, stereo, alias reduction
// and the line equalizer.
#include "decoder/layer3/granule.h"

#include <algorithm>
#include <cstring>

#include "decoder/decoder_state.h"
#include "decoder/layer3/huffman.h"
#include "decoder/layer3/requantize.h"
#include "decoder/layer3/scalefactors.h"
#include "decoder/layer3/stereo.h"

namespace yumekaze::decoder {
namespace {

// End of a big-values region: the band boundary after `bands` long bands, or 576 past the table.
int32_t RegionEnd(const Layer3State& state, int32_t bands) {
  return bands < 22 ? state.LongSfbEnd[bands] : kGranuleLines;
}

void DecodeChannel(Layer3State& state, int32_t granule, int32_t channel, bool lsf) {
  GranuleSideInfo& info = state.SideInfo[granule][channel];
  L3BitReader& reader = state.Reader;
  const int32_t bitPos = state.MainDataBitPos;
  StartReader(reader, state.MainDataBuffer, state.ReservoirFill, bitPos >> 3);
  const int32_t skipped = bitPos & 7;
  GetBits(reader, skipped);
  state.MainDataBitPos += info.Part23Length;
  // The reader fetches up to 4 bytes ahead of the bits it hands out.
  SetEnd(reader, (state.MainDataBitPos + 39) >> 3);

  int32_t* scalefactors = state.Scalefactors[granule][channel];
  if (lsf) {
    const bool intensityChannel = channel == 1 && state.Frame.IntensityStereo;
    ReadScalefactorsLsf(reader, scalefactors, info, intensityChannel, state.LsfIntensity);
  } else {
    ReadScalefactorsMpeg1(reader, scalefactors, state.Scalefactors[0][channel], info,
                          state.Frame.Scfsi[channel], granule);
  }

  int32_t* lines = state.Quantized[channel];
  const int32_t bigEnd = std::min(2 * info.BigValues, state.LineLimit);
  const int32_t regionEnds[3] = {
      std::min(RegionEnd(state, info.Region0Count), bigEnd),
      std::min(RegionEnd(state, info.Region0Count + info.Region1Count + 1), bigEnd), bigEnd};
  int32_t regionStart = 0;
  for (int region = 0; region < 3 && !ReadPastEnd(reader); ++region) {
    DecodePairs(reader, lines + regionStart, regionEnds[region] - regionStart,
                info.TableSelect[region]);
    regionStart = std::max(regionStart, regionEnds[region]);
  }
  int32_t nonzero = bigEnd;
  if (!ReadPastEnd(reader)) {
    const int32_t budget = info.Part23Length + skipped - BitsRead(reader);
    nonzero += DecodeQuads(reader, lines + bigEnd, state.LineLimit - bigEnd, budget,
                           info.Count1TableSelect);
  }
  const int32_t zeroFrom =
      std::min(nonzero, info.BlockType == 2 ? state.ShortZeroFrom : state.LongZeroFrom);
  std::fill(lines + zeroFrom, lines + kGranuleLines, 0);
  if (ReadPastEnd(reader)) {
    // Lengths that point past the channel's data: silence this channel for the granule.
    std::fill(lines, lines + kGranuleLines, 0);
    nonzero = 0;
  }
  state.NonzeroLines[granule][channel] = nonzero;
}

void ApplyStereo(Layer3State& state, int32_t granule, bool lsf) {
  const Layer3FrameFields& frame = state.Frame;
  float* left = state.Spectrum[0][granule];
  float* right = state.Spectrum[1][granule];
  int32_t(&nonzero)[2] = state.NonzeroLines[granule];
  if (frame.MsStereo) MidSide(left, right, std::max(nonzero[0], nonzero[1]));
  if (frame.IntensityStereo) {
    const StereoBands bands{state.LongSfbEnd, state.ShortSfbEnd3, state.LongSfbWidth,
                            state.ShortSfbWidth, state.MixedLongSfbs};
    const int32_t* scalefactors1 = state.Scalefactors[granule][1];
    const GranuleSideInfo& info1 = state.SideInfo[granule][1];
    const RequantInfo& requant1 = state.Requant[granule][1];
    if (lsf) {
      IntensityLsf(state.Tables, bands, left, right, scalefactors1, info1, requant1,
                   state.LsfIntensity, frame.MsStereo != 0);
    } else {
      IntensityMpeg1(state.Tables, bands, left, right, scalefactors1, info1, requant1,
                     frame.MsStereo != 0);
    }
  }
  if (frame.ModeExtension != 0) nonzero[0] = nonzero[1] = std::max(nonzero[0], nonzero[1]);
}

}  // namespace

void DecodeGranule(DecoderState& decoder, uint8_t* output, int32_t granule) {
  Layer3State& state = decoder.layer3;
  const bool lsf = state.Lsf != 0;
  const int32_t channels = state.Frame.Channels;
  for (int32_t ch = 0; ch < channels; ++ch) DecodeChannel(state, granule, ch, lsf);

  const RequantBands bands{state.LongSfbWidth, state.ShortSfbWidth, state.MixedLongSfbs};
  for (int32_t ch = 0; ch < channels; ++ch) {
    Requantize(state.Tables, bands, state.Quantized[ch], state.Spectrum[ch][granule],
               state.NonzeroLines[granule][ch], state.Scalefactors[granule][ch],
               state.SideInfo[granule][ch], state.Requant[granule][ch], state.ShortWork,
               state.RequantizeRun);
  }
  if (channels == 2) ApplyStereo(state, granule, lsf);

  const EqualizerState& equalizer = decoder.equalizer;
  for (int32_t ch = 0; ch < channels; ++ch) {
    const GranuleSideInfo& info = state.SideInfo[granule][ch];
    int32_t& nonzero = state.NonzeroLines[granule][ch];
    float* spectrum = state.Spectrum[ch][granule];
    if (state.Requant[granule][ch].LongSfbCount > 0) {
      const int32_t boundaries =
          AliasBoundaries(nonzero, info.BlockType == 2 && info.MixedBlock != 0);
      state.AliasReduce(state.Tables, spectrum, boundaries);
      nonzero = std::max(nonzero, 18 * boundaries + 8);
    }
    if (equalizer.LineEqEnabled) {
      for (int32_t i = 0; i < nonzero; ++i) spectrum[i] *= equalizer.LineGains[i];
    }
  }
  if (channels == 1 && state.StreamChannels == 2) {
    // A single-channel frame in a two-channel stream: both output channels carry it.
    std::memcpy(state.Spectrum[1][granule], state.Spectrum[0][granule],
                sizeof(float) * kGranuleLines);
    state.NonzeroLines[granule][1] = state.NonzeroLines[granule][0];
    state.SideInfo[granule][1] = state.SideInfo[granule][0];
  }
  state.Layer3OutputStage(decoder, output, granule);
}

}  // namespace yumekaze::decoder
