// The inner loop of requantization, one band at a time; a routine variant chosen by the
// capability flags.
#pragma once

#include <cstdint>

#include "decoder/layer3/layer3_tables.h"

namespace yumekaze::decoder {

// Requantizes count lines of one band with one factor into consecutive cells of dest; returns
// whether any of them was nonzero. The forms give the same values and differ only in speed.
using RequantizeRunFn = bool (*)(const Layer3Tables& tables, const int32_t* quantized, float* dest,
                                 int32_t count, float factor);
bool RequantizeRunReference(const Layer3Tables& tables, const int32_t* quantized, float* dest,
                            int32_t count, float factor);

}  // namespace yumekaze::decoder
