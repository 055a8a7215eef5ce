// Alias-reduction butterflies across the subband boundaries of one channel's long-block lines.
#pragma once

#include <cstdint>

#include "decoder/layer3/layer3_tables.h"

namespace yumekaze::decoder {

using AliasReduceFn = void (*)(const Layer3Tables& tables, float* spectrum, int32_t boundaries);

// Reference form: each butterfly output formed in double precision, stored as float.
void AliasReduceX87(const Layer3Tables& tables, float* spectrum, int32_t boundaries);
// Form of the packed (3DNow! and extended 3DNow!) variants: single-precision products and sums.
void AliasReducePacked(const Layer3Tables& tables, float* spectrum, int32_t boundaries);

// Boundaries to reduce for a channel: 1 for a mixed block, else (lines + 7) / 18 capped at 31.
int32_t AliasBoundaries(int32_t nonzeroLines, bool mixedBlock);

}  // namespace yumekaze::decoder
