// Polyphase synthesis filterbank: 32-point DCT into a per-channel history ring, then the 512-tap
// window of the standard, giving 32 signed 16-bit little-endian PCM samples per time slot.
#pragma once

#include <cstdint>

namespace yumekaze::decoder {

struct DecoderState;

// Layer I/II front end that turns a frame's subband samples into PCM, given the slot count (36 or
// 12).
using OutputRoutineFn = void (*)(DecoderState& decoder, const float* samples, uint8_t* output,
                                 int32_t slotCount);
// The 32-point DCT with the cosine table, in a form of the decoder's choice, over one of these
// input layouts.
enum DctInput : int32_t {
  kDctContiguous = 0,  // 32 values
  kDctLeft = 1,        // the even values of an interleaved slot of 64
  kDctRight = 2,       // the odd values of an interleaved slot of 64
  kDctMix = 3,         // (left + right) x 0.5 of an interleaved slot of 64
  kDctBoth = 4,        // pairs only: left into the first output, right into the second, of one
                       // interleaved slot of 64 (the slot stride is not used)
};
// The DCTs of two slots at once: the first slot's input at `input`, the second's `slotStride`
// floats further on, into `first` and `second` (32 floats each).
using DctRoutineFn = void (*)(const float* table, const float* input, int32_t slotStride,
                              DctInput layout, float* first, float* second);
// Windowing of one slot: 32 samples from `ring` (512 floats) at `position`, written 2 bytes apart
// (mono) or 4 bytes apart (one channel of interleaved stereo).
using WindowRoutineFn = void (*)(const float* ring, int32_t position, uint8_t* output);
// Windowing of one slot of both channels, at the same position of their rings, into interleaved
// stereo.
using WindowPairFn = void (*)(const float* left, const float* right, int32_t position,
                              uint8_t* output);

// Clears both history rings and their position; builds the DCT's cosine table on first use.
void ResetSynthesis(DecoderState& decoder);

// Layer I/II front ends over SubbandSamples (64 floats per slot, channels interleaved).
void OutputMono(DecoderState& decoder, const float* samples, uint8_t* output, int32_t slotCount);
void OutputStereo(DecoderState& decoder, const float* samples, uint8_t* output, int32_t slotCount);
void OutputMix(DecoderState& decoder, const float* samples, uint8_t* output, int32_t slotCount);
void OutputLeft(DecoderState& decoder, const float* samples, uint8_t* output, int32_t slotCount);
void OutputRight(DecoderState& decoder, const float* samples, uint8_t* output, int32_t slotCount);

// Layer III front ends: 18 slots of 32 contiguous floats per granule and channel.
// OutputLayer3Mono writes 18 x 32 mono samples; OutputLayer3Stereo writes 18 x 32 interleaved
// stereo samples.
void OutputLayer3Mono(DecoderState& decoder, const float* samples, uint8_t* output);
void OutputLayer3Stereo(DecoderState& decoder, const float* left, const float* right,
                        uint8_t* output);

// Fills the 31 factors 0.5 / cos(pi (2j + 1) / 2N) for N = 32, 16, 8, 4, 2.
void BuildCosineTable(float* table);

// Reference form of the DCT core: X_k = sum_i S_i cos(pi (2i + 1) k / 64), k = 0..31,
// unnormalised; and the same for two slots, one after the other.
void Dct32Reference(const float* table, const float* input, DctInput layout, float* output);
void Dct32PairReference(const float* table, const float* input, int32_t slotStride, DctInput layout,
                        float* first, float* second);

// Reference form: wide accumulation in formula order, round half to even, clamp.
void WindowMonoX87(const float* ring, int32_t position, uint8_t* output);
void WindowStereoX87(const float* ring, int32_t position, uint8_t* output);
// Single-precision form: two partial sums combined at the end, truncation toward zero,
// saturation.
void WindowMono3DNow(const float* ring, int32_t position, uint8_t* output);
void WindowStereo3DNow(const float* ring, int32_t position, uint8_t* output);

// Both channels with a form that windows one channel of interleaved stereo at a time.
template <WindowRoutineFn kWindowStereo>
void WindowBothChannels(const float* left, const float* right, int32_t position, uint8_t* output) {
  kWindowStereo(left, position, output);
  kWindowStereo(right, position, output + 2);
}

#if defined(__x86_64__)
// Vector forms of the reference form (double-precision lanes, same terms and rounding): SSE2, and
// AVX2 with FMA (call only when the processor has both).
void WindowMonoSse2(const float* ring, int32_t position, uint8_t* output);
void WindowStereoSse2(const float* ring, int32_t position, uint8_t* output);
void WindowMonoAvx2(const float* ring, int32_t position, uint8_t* output);
void WindowPairAvx2(const float* left, const float* right, int32_t position, uint8_t* output);
// The DCT with the reference form's operations, four at a time (SSE2: one slot after the other;
// AVX2: both slots together).
void Dct32Sse2(const float* table, const float* input, int32_t slotStride, DctInput layout,
               float* first, float* second);
void Dct32Avx2(const float* table, const float* input, int32_t slotStride, DctInput layout,
               float* first, float* second);
#endif

}  // namespace yumekaze::decoder
