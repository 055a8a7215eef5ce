// The synthesis window rearranged for the vector forms of the windowing: one coefficient per
// output sample and term, so that a vector holds neighbouring output samples.
//
// Per term m (two ring slots), the vector forms load A = ring[p + 16 + 64m ..+15] (slot 2m back)
// and B = ring[p + 33 + 64m ..+15] (slot 2m + 1 back). Output sample j = 0..15 adds
// Low[m][0][j] A[j] and subtracts Low[m][1][j] B[15 - j]; sample 17 + k (k = 0..14) adds
// High[m][0][k] A[15 - k] and High[m][1][k] B[k]. Lane 15 of High is zero and unused. Sample 16
// is summed alone from Middle. The coefficients are doubles: products of two floats are exact in
// double precision, so these forms add exactly the terms of the reference form, in its order.
#pragma once

#include <cstdint>
#include <cstring>

#include "decoder/synthesis_window.h"

namespace yumekaze::decoder {

struct SynthLaneWindow {
  alignas(32) double Low[8][2][16];
  alignas(32) double High[8][2][16];
  double Middle[8];
};

// Built before main from the constant-initialised window table; an object rather than a
// function's static, so that the per-slot windowing reads it without a guard check or call.
extern const SynthLaneWindow kSynthLaneWindow;

// Internal linkage: the forms' files are built for different instruction sets, and a shared
// out-of-line copy could carry AVX code into the SSE2 form.
namespace {

// Sample 16 of a slot: X_0 of the odd slots back, in the reference form's order and rounding.
// Inline, so that it overlaps with the vector work around it.
inline int32_t WindowMiddleSample(const float* ring, int32_t position) {
  double sum = 0.0;
  for (int32_t m = 0; m < 8; ++m) {
    sum += kSynthLaneWindow.Middle[m] * ring[(position + 32 + 64 * m) & 511];
  }
  return RoundToPcmX87(sum);
}

// Writes the 32 samples of a slot to the output, Stride bytes apart (2 mono, 4 one channel of a
// stereo pair).
template <int Stride>
inline void StoreSlotPcm(const int16_t* pcm, uint8_t* output) {
  if constexpr (Stride == 2) {
    std::memcpy(output, pcm, 64);
  } else {
    for (int j = 0; j < 32; ++j) std::memcpy(output + Stride * j, pcm + j, 2);
  }
}

}  // namespace
}  // namespace yumekaze::decoder
