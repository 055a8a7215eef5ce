// Requantization of one granule and channel: Huffman integers to scaled floats (full scale 32768),
// short bands reordered so that their windows interleave line by line.
#pragma once

#include <cstdint>

#include "decoder/layer3/layer3_state.h"

namespace yumekaze::decoder {

struct RequantBands {
  const int32_t* LongSfbWidth;   // 22
  const int32_t* ShortSfbWidth;  // 13
  int32_t MixedLongSfbs;
};

// Writes all 576 lines of spectrum (zeros from the decoded extent on) from the integers in
// quantized, of which the first nonzeroLines may be nonzero; rounds nonzeroLines up to the end of
// the last short band processed. work is a 576-value scratch area.
void Requantize(const Layer3Tables& tables, const RequantBands& bands, const int32_t* quantized,
                float* spectrum, int32_t& nonzeroLines, const int32_t* scalefactors,
                const GranuleSideInfo& sideInfo, RequantInfo& info, float* work,
                RequantizeRunFn run = RequantizeRunReference);

// The value of one quantized integer times factor: sign(v) |v|^(4/3) x factor.
float RequantizeValue(const Layer3Tables& tables, int32_t value, float factor);

}  // namespace yumekaze::decoder
