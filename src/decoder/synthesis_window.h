// PCM conversion rules of the two windowing forms, shared with their tests.
#pragma once

#include <cstdint>

namespace yumekaze::decoder {

// Reference form: round half to even, clamp to 16 bits (NaN gives -32768).
inline int32_t RoundToPcmX87(double value) {
  if (value >= 32767.0) return 32767;
  if (!(value > -32768.0)) return -32768;
  // Adding 1.5 x 2^52 leaves no fraction bits, so the FPU's default rounding (half to even)
  // decides; exact for |value| < 2^51.
  constexpr double kRoundingBias = 6755399441055744.0;
  return static_cast<int32_t>((value + kRoundingBias) - kRoundingBias);
}

// Single-precision form: truncate toward zero, saturate to 16 bits (NaN gives -32768).
inline int32_t TruncateToPcm3DNow(float value) {
  if (value >= 32767.0f) return 32767;
  if (!(value > -32768.0f)) return -32768;
  return static_cast<int32_t>(value);
}

inline void StorePcm16(uint8_t* output, int32_t sample) {
  output[0] = static_cast<uint8_t>(sample & 0xFF);
  output[1] = static_cast<uint8_t>((sample >> 8) & 0xFF);
}

}  // namespace yumekaze::decoder
