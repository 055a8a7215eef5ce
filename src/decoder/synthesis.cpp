// Front ends of the synthesis: per time slot, optional subband gains, the DCT into the channel's
// history ring, windowing into the PCM buffer, and the step of the ring position.
#include "decoder/synthesis.h"

#include <cstring>

#include "decoder/decoder_state.h"

namespace yumekaze::decoder {
namespace {

constexpr int32_t kLayer3Slots = 18;

int32_t StepBack(int32_t position) { return (position - 32) & (kSynthRingSize - 1); }

// Applies the subband gains to one slot when the equalizer is on; returns what to transform.
// `interleaved` slots hold 64 values (entry e is subband e / 2).
const float* WithSubbandGains(const DecoderState& decoder, const float* slot, bool interleaved,
                              float* scratch) {
  const EqualizerState& eq = decoder.equalizer;
  if (!eq.SubbandEqEnabled) return slot;
  if (interleaved) {
    for (int i = 0; i < 64; ++i) scratch[i] = slot[i] * eq.SubbandGains[i / 2];
  } else {
    for (int i = 0; i < 32; ++i) scratch[i] = slot[i] * eq.SubbandGains[i];
  }
  return scratch;
}

// One channel of an interleaved Layer I/II slot into ring 0, windowed as mono.
void OutputOneChannel(DecoderState& decoder, const float* samples, uint8_t* output,
                      int32_t slotCount, int32_t channel) {
  float scratch[64];
  for (int32_t s = 0; s < slotCount; ++s) {
    const float* slot = WithSubbandGains(decoder, samples + 64 * s, true, scratch);
    const int32_t p = decoder.SynthRingPos[0];
    Dct32Interleaved(decoder, slot, channel, decoder.SynthRing[0] + p);
    decoder.WindowMono(decoder.SynthRing[0], p, output + 64 * s);
    decoder.SynthRingPos[0] = StepBack(p);
  }
}

}  // namespace

void ResetSynthesis(DecoderState& decoder) {
  if (!decoder.CosineTableBuilt) {
    BuildCosineTable(decoder.CosineTable);
    decoder.CosineTableBuilt = true;
  }
  std::memset(decoder.SynthRing, 0, sizeof decoder.SynthRing);
  decoder.SynthRingPos[0] = 0;
  decoder.SynthRingPos[1] = 0;
}

void OutputMono(DecoderState& decoder, const float* samples, uint8_t* output, int32_t slotCount) {
  float scratch[32];
  for (int32_t s = 0; s < slotCount; ++s) {
    const float* slot = WithSubbandGains(decoder, samples + 64 * s, false, scratch);
    const int32_t p = decoder.SynthRingPos[0];
    Dct32(decoder, slot, decoder.SynthRing[0] + p);
    decoder.WindowMono(decoder.SynthRing[0], p, output + 64 * s);
    decoder.SynthRingPos[0] = StepBack(p);
  }
}

void OutputStereo(DecoderState& decoder, const float* samples, uint8_t* output, int32_t slotCount) {
  float scratch[64];
  for (int32_t s = 0; s < slotCount; ++s) {
    const float* slot = WithSubbandGains(decoder, samples + 64 * s, true, scratch);
    // Both rings share position 0 here.
    const int32_t p = decoder.SynthRingPos[0];
    Dct32Interleaved(decoder, slot, 0, decoder.SynthRing[0] + p);
    Dct32Interleaved(decoder, slot, 1, decoder.SynthRing[1] + p);
    uint8_t* out = output + 128 * s;
    decoder.WindowStereo(decoder.SynthRing[0], p, out);
    decoder.WindowStereo(decoder.SynthRing[1], p, out + 2);
    decoder.SynthRingPos[0] = StepBack(p);
  }
}

void OutputMix(DecoderState& decoder, const float* samples, uint8_t* output, int32_t slotCount) {
  // The subband gains are not applied to the mix.
  for (int32_t s = 0; s < slotCount; ++s) {
    const int32_t p = decoder.SynthRingPos[0];
    Dct32Mix(decoder, samples + 64 * s, decoder.SynthRing[0] + p);
    decoder.WindowMono(decoder.SynthRing[0], p, output + 64 * s);
    decoder.SynthRingPos[0] = StepBack(p);
  }
}

void OutputLeft(DecoderState& decoder, const float* samples, uint8_t* output, int32_t slotCount) {
  OutputOneChannel(decoder, samples, output, slotCount, 0);
}

void OutputRight(DecoderState& decoder, const float* samples, uint8_t* output, int32_t slotCount) {
  OutputOneChannel(decoder, samples, output, slotCount, 1);
}

void OutputLayer3Mono(DecoderState& decoder, const float* samples, uint8_t* output, int32_t) {
  float scratch[32];
  for (int32_t s = 0; s < kLayer3Slots; ++s) {
    const float* slot = WithSubbandGains(decoder, samples + 32 * s, false, scratch);
    const int32_t p = decoder.SynthRingPos[0];
    Dct32(decoder, slot, decoder.SynthRing[0] + p);
    decoder.WindowMono(decoder.SynthRing[0], p, output + 64 * s);
    decoder.SynthRingPos[0] = StepBack(p);
  }
}

void OutputLayer3Channel(DecoderState& decoder, const float* samples, uint8_t* output,
                         int32_t channel) {
  channel &= 1;
  float scratch[32];
  float* ring = decoder.SynthRing[channel];
  for (int32_t s = 0; s < kLayer3Slots; ++s) {
    const float* slot = WithSubbandGains(decoder, samples + 32 * s, false, scratch);
    const int32_t p = decoder.SynthRingPos[channel];
    Dct32(decoder, slot, ring + p);
    decoder.WindowStereo(ring, p, output + 128 * s + 2 * channel);
    decoder.SynthRingPos[channel] = StepBack(p);
  }
}

}  // namespace yumekaze::decoder
