// Front ends of the synthesis: per time slot, optional subband gains, the DCT into the channel's
// history ring, windowing into the PCM buffer, and the step of the ring position.
#include "decoder/synthesis.h"

#include <cstring>

#include "decoder/decoder_state.h"

namespace yumekaze::decoder {
namespace {

constexpr int32_t kLayer3Slots = 18;

int32_t StepBack(int32_t position) { return (position - 32) & (kSynthRingSize - 1); }

// Copies a slot with the subband gains applied. `interleaved` slots hold 64 values (entry e is
// subband e / 2), others 32.
void ApplySubbandGains(const EqualizerState& eq, const float* slot, bool interleaved,
                       float* scratch) {
  if (interleaved) {
    for (int i = 0; i < 64; ++i) scratch[i] = slot[i] * eq.SubbandGains[i / 2];
  } else {
    for (int i = 0; i < 32; ++i) scratch[i] = slot[i] * eq.SubbandGains[i];
  }
}

// What one channel's slots are made of and where they go.
struct SlotRun {
  int32_t Ring;          // history ring 0 or 1
  const float* Samples;  // slot s at Samples + SlotStride * s, read in Layout
  int32_t SlotStride;
  DctInput Layout;
  bool SubbandGains;  // whether the equalizer's subband gains apply
  WindowRoutineFn Window;
  uint8_t* Output;  // slot s's PCM at Output + OutputStride * s
  int32_t OutputStride;
};

// The DCTs of the slot at `input` and the one `slotStride` floats on (0: the same slot twice)
// into `first` and `second`, with the subband gains when `gains`.
void TransformTwoSlots(DecoderState& decoder, const float* input, int32_t slotStride,
                       DctInput layout, bool gains, float* first, float* second) {
  alignas(16) float scratch[2][64];
  if (gains) {
    const bool interleaved = layout != kDctContiguous;
    ApplySubbandGains(decoder.equalizer, input, interleaved, scratch[0]);
    ApplySubbandGains(decoder.equalizer, input + slotStride, interleaved, scratch[1]);
    input = scratch[0];
    slotStride = 64;
  }
  decoder.Dct(decoder.CosineTable, input, slotStride, layout, first, second);
}

// Transforms and windows slotCount slots from ring position `position`, two slots per DCT call;
// returns the position after the last slot.
int32_t SynthesizeSlots(DecoderState& decoder, const SlotRun& run, int32_t position,
                        int32_t slotCount) {
  float* ring = decoder.SynthRing[run.Ring];
  const bool gains = run.SubbandGains && decoder.equalizer.SubbandEqEnabled;
  alignas(16) float second[32];
  for (int32_t s = 0; s < slotCount; s += 2) {
    const bool pair = s + 1 < slotCount;
    // The second slot waits outside the ring: its place holds the oldest slot that the first
    // slot's windowing reads.
    TransformTwoSlots(decoder, run.Samples + run.SlotStride * s, pair ? run.SlotStride : 0,
                      run.Layout, gains, ring + position, second);
    run.Window(ring, position, run.Output + run.OutputStride * s);
    position = StepBack(position);
    if (!pair) break;
    std::memcpy(ring + position, second, sizeof second);
    run.Window(ring, position, run.Output + run.OutputStride * (s + 1));
    position = StepBack(position);
  }
  return position;
}

// One channel of an interleaved Layer I/II slot into ring 0, windowed as mono.
void OutputOneChannel(DecoderState& decoder, const float* samples, uint8_t* output,
                      int32_t slotCount, int32_t channel) {
  const SlotRun run{
      0, samples, 64, channel == 0 ? kDctLeft : kDctRight, true, decoder.WindowMono, output, 64};
  decoder.SynthRingPos = SynthesizeSlots(decoder, run, decoder.SynthRingPos, slotCount);
}

}  // namespace

void ResetSynthesis(DecoderState& decoder) {
  if (!decoder.CosineTableBuilt) {
    BuildCosineTable(decoder.CosineTable);
    decoder.CosineTableBuilt = true;
  }
  std::memset(decoder.SynthRing, 0, sizeof decoder.SynthRing);
  decoder.SynthRingPos = 0;
}

void OutputMono(DecoderState& decoder, const float* samples, uint8_t* output, int32_t slotCount) {
  const SlotRun run{0, samples, 64, kDctContiguous, true, decoder.WindowMono, output, 64};
  decoder.SynthRingPos = SynthesizeSlots(decoder, run, decoder.SynthRingPos, slotCount);
}

void OutputStereo(DecoderState& decoder, const float* samples, uint8_t* output, int32_t slotCount) {
  // One DCT call transforms both channels of a slot.
  alignas(16) float scratch[64];
  for (int32_t s = 0; s < slotCount; ++s) {
    const float* slot = samples + 64 * s;
    if (decoder.equalizer.SubbandEqEnabled) {
      ApplySubbandGains(decoder.equalizer, slot, true, scratch);
      slot = scratch;
    }
    const int32_t p = decoder.SynthRingPos;
    decoder.Dct(decoder.CosineTable, slot, 0, kDctBoth, decoder.SynthRing[0] + p,
                decoder.SynthRing[1] + p);
    uint8_t* out = output + 128 * s;
    decoder.WindowPair(decoder.SynthRing[0], decoder.SynthRing[1], p, out);
    decoder.SynthRingPos = StepBack(p);
  }
}

void OutputMix(DecoderState& decoder, const float* samples, uint8_t* output, int32_t slotCount) {
  // The subband gains are not applied to the mix.
  const SlotRun run{0, samples, 64, kDctMix, false, decoder.WindowMono, output, 64};
  decoder.SynthRingPos = SynthesizeSlots(decoder, run, decoder.SynthRingPos, slotCount);
}

void OutputLeft(DecoderState& decoder, const float* samples, uint8_t* output, int32_t slotCount) {
  OutputOneChannel(decoder, samples, output, slotCount, 0);
}

void OutputRight(DecoderState& decoder, const float* samples, uint8_t* output, int32_t slotCount) {
  OutputOneChannel(decoder, samples, output, slotCount, 1);
}

void OutputLayer3Mono(DecoderState& decoder, const float* samples, uint8_t* output) {
  const SlotRun run{0, samples, 32, kDctContiguous, true, decoder.WindowMono, output, 64};
  decoder.SynthRingPos = SynthesizeSlots(decoder, run, decoder.SynthRingPos, kLayer3Slots);
}

void OutputLayer3Stereo(DecoderState& decoder, const float* left, const float* right,
                        uint8_t* output) {
  float* leftRing = decoder.SynthRing[0];
  float* rightRing = decoder.SynthRing[1];
  const bool gains = decoder.equalizer.SubbandEqEnabled;
  int32_t position = decoder.SynthRingPos;
  alignas(16) float second[2][32];
  for (int32_t s = 0; s < kLayer3Slots; s += 2) {
    TransformTwoSlots(decoder, left + 32 * s, 32, kDctContiguous, gains, leftRing + position,
                      second[0]);
    TransformTwoSlots(decoder, right + 32 * s, 32, kDctContiguous, gains, rightRing + position,
                      second[1]);
    decoder.WindowPair(leftRing, rightRing, position, output + 128 * s);
    position = StepBack(position);
    std::memcpy(leftRing + position, second[0], sizeof second[0]);
    std::memcpy(rightRing + position, second[1], sizeof second[1]);
    decoder.WindowPair(leftRing, rightRing, position, output + 128 * (s + 1));
    position = StepBack(position);
  }
  decoder.SynthRingPos = position;
}

}  // namespace yumekaze::decoder
