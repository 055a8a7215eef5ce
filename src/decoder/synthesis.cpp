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

// Transforms and windows slotCount slots from ring position `position`, two slots per DCT call;
// returns the position after the last slot.
int32_t SynthesizeSlots(DecoderState& decoder, const SlotRun& run, int32_t position,
                        int32_t slotCount) {
  float* ring = decoder.SynthRing[run.Ring];
  const bool gains = run.SubbandGains && decoder.equalizer.SubbandEqEnabled;
  const bool interleaved = run.Layout != kDctContiguous;
  alignas(16) float scratch[2][64];
  alignas(16) float second[32];
  for (int32_t s = 0; s < slotCount; s += 2) {
    const bool pair = s + 1 < slotCount;
    const float* input = run.Samples + run.SlotStride * s;
    int32_t stride = pair ? run.SlotStride : 0;  // a last odd slot is transformed twice
    if (gains) {
      ApplySubbandGains(decoder.equalizer, input, interleaved, scratch[0]);
      ApplySubbandGains(decoder.equalizer, input + stride, interleaved, scratch[1]);
      input = scratch[0];
      stride = 64;
    }
    // The second slot waits outside the ring: its place holds the oldest slot that the first
    // slot's windowing reads.
    decoder.Dct(decoder.CosineTable, input, stride, run.Layout, ring + position, second);
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
  decoder.SynthRingPos[0] = SynthesizeSlots(decoder, run, decoder.SynthRingPos[0], slotCount);
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
  const SlotRun run{0, samples, 64, kDctContiguous, true, decoder.WindowMono, output, 64};
  decoder.SynthRingPos[0] = SynthesizeSlots(decoder, run, decoder.SynthRingPos[0], slotCount);
}

void OutputStereo(DecoderState& decoder, const float* samples, uint8_t* output, int32_t slotCount) {
  // Both rings share position 0 here; one DCT call transforms both channels of a slot.
  alignas(16) float scratch[64];
  for (int32_t s = 0; s < slotCount; ++s) {
    const float* slot = samples + 64 * s;
    if (decoder.equalizer.SubbandEqEnabled) {
      ApplySubbandGains(decoder.equalizer, slot, true, scratch);
      slot = scratch;
    }
    const int32_t p = decoder.SynthRingPos[0];
    decoder.Dct(decoder.CosineTable, slot, 0, kDctBoth, decoder.SynthRing[0] + p,
                decoder.SynthRing[1] + p);
    uint8_t* out = output + 128 * s;
    decoder.WindowStereo(decoder.SynthRing[0], p, out);
    decoder.WindowStereo(decoder.SynthRing[1], p, out + 2);
    decoder.SynthRingPos[0] = StepBack(p);
  }
}

void OutputMix(DecoderState& decoder, const float* samples, uint8_t* output, int32_t slotCount) {
  // The subband gains are not applied to the mix.
  const SlotRun run{0, samples, 64, kDctMix, false, decoder.WindowMono, output, 64};
  decoder.SynthRingPos[0] = SynthesizeSlots(decoder, run, decoder.SynthRingPos[0], slotCount);
}

void OutputLeft(DecoderState& decoder, const float* samples, uint8_t* output, int32_t slotCount) {
  OutputOneChannel(decoder, samples, output, slotCount, 0);
}

void OutputRight(DecoderState& decoder, const float* samples, uint8_t* output, int32_t slotCount) {
  OutputOneChannel(decoder, samples, output, slotCount, 1);
}

void OutputLayer3Mono(DecoderState& decoder, const float* samples, uint8_t* output, int32_t) {
  const SlotRun run{0, samples, 32, kDctContiguous, true, decoder.WindowMono, output, 64};
  decoder.SynthRingPos[0] = SynthesizeSlots(decoder, run, decoder.SynthRingPos[0], kLayer3Slots);
}

void OutputLayer3Channel(DecoderState& decoder, const float* samples, uint8_t* output,
                         int32_t channel) {
  channel &= 1;
  const SlotRun run{
      channel, samples, 32, kDctContiguous, true, decoder.WindowStereo, output + 2 * channel, 128};
  decoder.SynthRingPos[channel] =
      SynthesizeSlots(decoder, run, decoder.SynthRingPos[channel], kLayer3Slots);
}

}  // namespace yumekaze::decoder
