// Requantisation tables of Layers I and II, built once on first use.
#pragma once

#include <cstdint>

namespace yumekaze::decoder {

struct Layer12Tables {
  float ScaleFactors[64];   // 2^(-i/3) x 65536: the standard's scale factors on the PCM scale
  float Layer2Factors[18];  // per quantisation class: 2 / levels (0 for class 0)
  float Layer1Factors[16];  // per allocation: 2 / (2^(a+1) - 1) (0 for allocation 0)
  // Digits of grouped codes, three samples per code: (c mod L) - (L-1)/2, ...
  float Group3[32][3];
  float Group5[128][3];
  float Group9[1024][3];
};

const Layer12Tables& GetLayer12Tables();

// Layer II quantisation class: number of levels and bits one granule (3 samples) takes.
int32_t Layer2Levels(int32_t quantClass);
int32_t Layer2GranuleBits(int32_t quantClass);

}  // namespace yumekaze::decoder
