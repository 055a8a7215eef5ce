// Huffman decoding of the big-values pairs and count-1 quadruples of one granule and channel.
#pragma once

#include <cstdint>

#include "decoder/layer3/bit_reader.h"

namespace yumekaze::decoder {

// Decodes lines / 2 pairs (x, y, x, y, ...) with code table tableIndex (0..31) into dest; returns
// the cell after the last pair written. Stops early once the reader has passed its end.
int32_t* DecodePairs(L3BitReader& reader, int32_t* dest, int32_t lines, int32_t tableIndex);

// Decodes at most lines / 4 quadruples (v, w, x, y, ...) while bitBudget bits remain, with count-1
// table A (count1TableSelect 0) or B (1). A last quadruple read past the budget is cleared.
// Returns the number of lines up to and including the last nonzero value (0 when none).
int32_t DecodeQuads(L3BitReader& reader, int32_t* dest, int32_t lines, int32_t bitBudget,
                    int32_t count1TableSelect);

// Reference forms of the two, over the reader's own operations. DecodePairs and DecodeQuads give
// the same values and leave the reader in the same state (accumulator, valid bits, read position)
// on any input; they keep the reader in locals and fetch four bytes at a time.
int32_t* DecodePairsReference(L3BitReader& reader, int32_t* dest, int32_t lines,
                              int32_t tableIndex);
int32_t DecodeQuadsReference(L3BitReader& reader, int32_t* dest, int32_t lines, int32_t bitBudget,
                             int32_t count1TableSelect);

}  // namespace yumekaze::decoder
