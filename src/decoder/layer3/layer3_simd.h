// The SSE2 and AVX2 + FMA forms of the Layer III inner routines (x86 only). Each computes what
// the reference form computes: alias reduction and requantization bit for bit, the hybrid
// synthesis in double precision, so that its stored floats differ from the reference's only in
// rare last bits.
#pragma once

#include <cstdint>

#include "decoder/layer3/layer3_tables.h"

namespace yumekaze::decoder {

#if defined(__x86_64__) || defined(__i386__)
#define YUMEKAZE_LAYER3_SIMD 1

int32_t HybridSynthesisSse2(const Layer3Tables& tables, float* spectrum, float* overlap, float* out,
                            int32_t blockType, int32_t mixedLongLines, int32_t longLines,
                            int32_t lines, int32_t previousLines);
int32_t HybridSynthesisAvx2(const Layer3Tables& tables, float* spectrum, float* overlap, float* out,
                            int32_t blockType, int32_t mixedLongLines, int32_t longLines,
                            int32_t lines, int32_t previousLines);

void AliasReduceSse2(const Layer3Tables& tables, float* spectrum, int32_t boundaries);
void AliasReduceAvx2(const Layer3Tables& tables, float* spectrum, int32_t boundaries);

bool RequantizeRunSse2(const Layer3Tables& tables, const int32_t* quantized, float* dest,
                       int32_t count, float factor);
bool RequantizeRunAvx2(const Layer3Tables& tables, const int32_t* quantized, float* dest,
                       int32_t count, float factor);
#endif

// Defined in requantize.cpp; the forms call it for values outside the power tables.
float RequantizeValue(const Layer3Tables& tables, int32_t value, float factor);

// The largest magnitude the Huffman decoder produces: 15 plus 13 linbits.
inline constexpr int32_t kLargestQuantized = 15 + 8191;
// |v|^(4/3) for v = 0..kLargestQuantized, exactly as RequantizeValue computes it (built once).
const float* LargePowerTable();

// One value as RequantizeValue gives it, from the tables. Internal linkage: the forms' files are
// compiled for different instruction sets.
static inline float RequantizeOne(const Layer3Tables& tables, const float* large, int32_t value,
                                  float factor) {
  if (static_cast<uint32_t>(value) + 32u < 64u) return factor * tables.PowTable[value + 32];
  if (value >= -kLargestQuantized && value <= kLargestQuantized) {
    return factor * (value < 0 ? -large[-value] : large[value]);
  }
  return RequantizeValue(tables, value, factor);
}

}  // namespace yumekaze::decoder
