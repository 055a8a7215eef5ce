// Requantisation tables of Layers I and II.
#include "decoder/layer12_tables.h"

#include <cmath>

namespace yumekaze::decoder {
namespace {

template <int Codes>
void FillGroupDigits(float (&digits)[Codes][3], int32_t levels) {
  const int32_t middle = (levels - 1) / 2;
  for (int32_t code = 0; code < Codes; ++code) {
    digits[code][0] = static_cast<float>(code % levels - middle);
    digits[code][1] = static_cast<float>(code / levels % levels - middle);
    digits[code][2] = static_cast<float>(code / (levels * levels) % levels - middle);
  }
}

Layer12Tables BuildTables() {
  Layer12Tables tables{};
  for (int i = 0; i < 64; ++i) {
    tables.ScaleFactors[i] = static_cast<float>(std::exp2(-i / 3.0) * 65536.0);
  }
  for (int c = 1; c < 18; ++c) {
    tables.Layer2Factors[c] = static_cast<float>(2.0 / Layer2Levels(c));
  }
  for (int a = 1; a < 16; ++a) {
    tables.Layer1Factors[a] = static_cast<float>(2.0 / ((1 << (a + 1)) - 1));
  }
  FillGroupDigits(tables.Group3, 3);
  FillGroupDigits(tables.Group5, 5);
  FillGroupDigits(tables.Group9, 9);
  return tables;
}

}  // namespace

const Layer12Tables& GetLayer12Tables() {
  static const Layer12Tables tables = BuildTables();
  return tables;
}

int32_t Layer2Levels(int32_t quantClass) {
  static constexpr int32_t kSmall[5] = {0, 3, 5, 7, 9};
  return quantClass < 5 ? kSmall[quantClass] : (1 << (quantClass - 1)) - 1;
}

int32_t Layer2GranuleBits(int32_t quantClass) {
  static constexpr int32_t kSmall[5] = {0, 5, 7, 9, 10};
  return quantClass < 5 ? kSmall[quantClass] : 3 * (quantClass - 1);
}

}  // namespace yumekaze::decoder
