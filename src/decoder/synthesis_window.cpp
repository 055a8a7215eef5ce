// Windowing of the synthesis filterbank: 32 PCM samples per slot from the last 16 slots of DCT
// outputs in the ring, in the reference (x87) and single-precision (3DNow!) forms.
//
// Output sample j (0..15) = sum over m of D[j + 64m] X_{16+j}(slot 2m back)
//                                      - D[j + 64m + 32] X_{16-j}(slot 2m + 1 back);
// sample 16 uses X_0 of the odd slots; samples 17..31 read the window rows backwards, relying on
// D[512 - i] = -D[i]. The ring holds slot s back at position + 32 s (mod 512).
#include "decoder/synthesis_window.h"

#include "decoder/synthesis.h"
#include "decoder/tables/tables.h"

namespace yumekaze::decoder {
namespace {

constexpr int32_t kRingMask = 511;

// The window's float coefficients as doubles: the reference form multiplies in double precision
// (exact for float operands), and converting the table once saves a conversion per term.
struct WideWindow {
  double w[264];
  WideWindow() {
    for (int i = 0; i < 264; ++i) w[i] = SynthWindow[i];
  }
};
// SynthWindow is constant-initialised, so it is ready before this dynamic initialiser runs.
const WideWindow kWideWindow;

template <int Stride>
void WindowReference(const float* ring, int32_t position, uint8_t* output) {
  const double* w = kWideWindow.w;
  for (int32_t j = 0; j < 16; ++j, w += 16) {
    double sum = 0.0;
    int32_t first = position + 16 + j;
    int32_t second = position + 48 - j;
    for (int32_t m = 0; m < 8; ++m, first += 64, second += 64) {
      sum += w[2 * m] * ring[first & kRingMask];
      sum -= w[2 * m + 1] * ring[second & kRingMask];
    }
    StorePcm16(output + Stride * j, RoundToPcmX87(sum));
  }
  double middle = 0.0;
  for (int32_t m = 0; m < 8; ++m) {
    middle += w[m] * ring[(position + 32 + 64 * m) & kRingMask];  // w is at row 16 now
  }
  StorePcm16(output + Stride * 16, RoundToPcmX87(middle));
  for (int32_t j = 17; j < 32; ++j) {
    const double* row = kWideWindow.w + 16 * (32 - j) + 15;  // read backwards
    double sum = 0.0;
    int32_t first = position + 48 - j;
    int32_t second = position + 16 + j;
    for (int32_t m = 0; m < 8; ++m, first += 64, second += 64) {
      sum += row[-2 * m] * ring[first & kRingMask];
      sum += row[-2 * m - 1] * ring[second & kRingMask];
    }
    StorePcm16(output + Stride * j, RoundToPcmX87(sum));
  }
}

template <int Stride>
void WindowSingle(const float* ring, int32_t position, uint8_t* output) {
  const float* w = SynthWindow;
  for (int32_t j = 0; j < 16; ++j, w += 16) {
    float firstSum = 0.0f;
    float secondSum = 0.0f;
    int32_t first = position + 16 + j;
    int32_t second = position + 48 - j;
    for (int32_t m = 0; m < 8; ++m, first += 64, second += 64) {
      firstSum += w[2 * m] * ring[first & kRingMask];
      secondSum += w[2 * m + 1] * ring[second & kRingMask];
    }
    StorePcm16(output + Stride * j, TruncateToPcm3DNow(firstSum - secondSum));
  }
  float evenSum = 0.0f;
  float oddSum = 0.0f;
  for (int32_t m = 0; m < 8; m += 2) {
    evenSum += SynthWindow[256 + m] * ring[(position + 32 + 64 * m) & kRingMask];
    oddSum += SynthWindow[257 + m] * ring[(position + 96 + 64 * m) & kRingMask];
  }
  StorePcm16(output + Stride * 16, TruncateToPcm3DNow(evenSum + oddSum));
  for (int32_t j = 17; j < 32; ++j) {
    const float* row = SynthWindow + 16 * (32 - j) + 15;
    float firstSum = 0.0f;
    float secondSum = 0.0f;
    int32_t first = position + 48 - j;
    int32_t second = position + 16 + j;
    for (int32_t m = 0; m < 8; ++m, first += 64, second += 64) {
      firstSum += row[-2 * m] * ring[first & kRingMask];
      secondSum += row[-2 * m - 1] * ring[second & kRingMask];
    }
    StorePcm16(output + Stride * j, TruncateToPcm3DNow(firstSum + secondSum));
  }
}

}  // namespace

void WindowMonoX87(const float* ring, int32_t position, uint8_t* output) {
  WindowReference<2>(ring, position, output);
}
void WindowStereoX87(const float* ring, int32_t position, uint8_t* output) {
  WindowReference<4>(ring, position, output);
}
void WindowMono3DNow(const float* ring, int32_t position, uint8_t* output) {
  WindowSingle<2>(ring, position, output);
}
void WindowStereo3DNow(const float* ring, int32_t position, uint8_t* output) {
  WindowSingle<4>(ring, position, output);
}

}  // namespace yumekaze::decoder
