// 32-point DCT of the synthesis, X_k = sum_i S_i cos(pi (2i + 1) k / 64), by recursive halving:
// a block of N splits into sums x_i + x_{N-1-i} and differences (x_i - x_{N-1-i}) c_i with
// c_i = 0.5 / cos(pi (2i + 1) / 2N); even outputs come from the sums' transform, odd output
// 2k + 1 from differences' outputs k and k + 1 (the last one alone).
#include <cmath>

#include "decoder/synthesis.h"

namespace yumekaze::decoder {
namespace {

// table holds the N/2 factors of this level followed by those of the smaller levels.
template <int N>
inline void FastDct(const float* input, float* output, const float* table) {
  if constexpr (N == 1) {
    output[0] = input[0];
  } else {
    constexpr int kHalf = N / 2;
    float sums[kHalf];
    float differences[kHalf];
    for (int i = 0; i < kHalf; ++i) {
      sums[i] = input[i] + input[N - 1 - i];
      differences[i] = (input[i] - input[N - 1 - i]) * table[i];
    }
    float even[kHalf];
    float odd[kHalf];
    FastDct<kHalf>(sums, even, table + kHalf);
    FastDct<kHalf>(differences, odd, table + kHalf);
    for (int k = 0; k < kHalf; ++k) output[2 * k] = even[k];
    for (int k = 0; k < kHalf - 1; ++k) output[2 * k + 1] = odd[k] + odd[k + 1];
    output[N - 1] = odd[kHalf - 1];
  }
}

}  // namespace

void BuildCosineTable(float* table) {
  const double pi = 4.0 * std::atan(1.0);
  int index = 0;
  for (int n = 32; n >= 2; n /= 2) {
    for (int j = 0; j < n / 2; ++j) {
      table[index++] = static_cast<float>(0.5 / std::cos(pi * (2 * j + 1) / (2.0 * n)));
    }
  }
}

void Dct32Reference(const float* table, const float* input, DctInput layout, float* output) {
  float gathered[32];
  switch (layout) {
    case kDctContiguous:
      FastDct<32>(input, output, table);
      return;
    case kDctLeft:
    case kDctRight:
    case kDctBoth:  // alone, the first of the pair: left
      for (int i = 0; i < 32; ++i) gathered[i] = input[2 * i + (layout == kDctRight)];
      break;
    case kDctMix:
      for (int i = 0; i < 32; ++i) gathered[i] = (input[2 * i] + input[2 * i + 1]) * 0.5f;
      break;
  }
  FastDct<32>(gathered, output, table);
}

void Dct32PairReference(const float* table, const float* input, int32_t slotStride, DctInput layout,
                        float* first, float* second) {
  if (layout == kDctBoth) {
    Dct32Reference(table, input, kDctLeft, first);
    Dct32Reference(table, input, kDctRight, second);
    return;
  }
  Dct32Reference(table, input, layout, first);
  Dct32Reference(table, input + slotStride, layout, second);
}

}  // namespace yumekaze::decoder
