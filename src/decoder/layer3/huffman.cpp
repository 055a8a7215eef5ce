// Table-driven Huffman decoding over the generated lookup blocks: one lookup per block level. This
// is the reference form, written over the reader's own operations; huffman_fast.cpp holds the form
// the decoder runs.
#include "decoder/layer3/huffman.h"

#include <algorithm>

#include "decoder/layer3/tables/huffman_tables.h"

namespace yumekaze::decoder {
namespace {

// Walks the lookup blocks from the root to a leaf and consumes the code.
uint32_t LookupPair(L3BitReader& reader, const uint32_t* block) {
  for (;;) {
    const int32_t bits = static_cast<int32_t>(block[0] & 0xFF);
    const uint32_t entry = block[1 + PeekBits(reader, bits)];
    const int32_t length = static_cast<int32_t>(entry >> 24);
    if (length != 0) {
      ConsumeBits(reader, length);
      return entry;
    }
    ConsumeBits(reader, bits);
    block += entry;
  }
}

int32_t SignedValue(L3BitReader& reader, int32_t value) {
  if (value != 0 && GetBits(reader, 1) != 0) return -value;
  return value;
}

}  // namespace

int32_t* DecodePairsReference(L3BitReader& reader, int32_t* dest, int32_t lines,
                              int32_t tableIndex) {
  if (lines <= 0) return dest;
  const int32_t pairs = lines / 2;
  const HuffmanTableInfo& info = kHuffmanTableInfo[tableIndex & 31];
  if (info.Kind == HuffmanTableKind::kZero) {
    std::fill(dest, dest + 2 * pairs, 0);
    return dest + 2 * pairs;
  }
  const int32_t linbits = info.Linbits;
  for (int32_t pair = 0; pair < pairs; ++pair) {
    const uint32_t entry = LookupPair(reader, info.Table);
    int32_t x = static_cast<int32_t>((entry >> 8) & 0xFF);
    int32_t y = static_cast<int32_t>((entry >> 16) & 0xFF);
    if (linbits != 0 && x == 15) x += static_cast<int32_t>(GetBitsKeepTwo(reader, linbits));
    x = SignedValue(reader, x);
    if (linbits != 0 && y == 15) y += static_cast<int32_t>(GetBitsKeepTwo(reader, linbits));
    y = SignedValue(reader, y);
    *dest++ = x;
    *dest++ = y;
    if (ReadPastEnd(reader)) break;
  }
  return dest;
}

int32_t DecodeQuadsReference(L3BitReader& reader, int32_t* dest, int32_t lines, int32_t bitBudget,
                             int32_t count1TableSelect) {
  const int32_t quads = lines / 4;
  const bool tableB = count1TableSelect != 0;
  int32_t done = 0;
  int32_t lastNonzero = -1;
  bool lastHasXY = false;
  while (done < quads && bitBudget > (tableB ? 3 : 0)) {
    uint32_t value;
    if (tableB) {
      if (reader.ValidBits < 8) Refill(reader);
      value = GetBits(reader, 4) ^ 15u;
      bitBudget -= 4;
    } else {
      if (reader.ValidBits < 10) Refill(reader);
      const uint8_t* entry = kCount1TableA[PeekBits(reader, 6)];
      ConsumeBits(reader, entry[0]);
      bitBudget -= entry[0];
      value = entry[1];
    }
    int32_t* quad = dest + 4 * done;
    for (int i = 0; i < 4; ++i) {
      int32_t v = static_cast<int32_t>((value >> (3 - i)) & 1u);
      if (v != 0) {
        --bitBudget;
        if (GetBits(reader, 1) != 0) v = -1;
      }
      quad[i] = v;
    }
    if (value != 0) {
      lastNonzero = done;
      lastHasXY = (value & 3u) != 0;
    }
    ++done;
    if (ReadPastEnd(reader)) break;
  }
  if (bitBudget < 0 && done > 0) std::fill(dest + 4 * (done - 1), dest + 4 * done, 0);
  if (lastNonzero < 0) return 0;
  return lastHasXY ? 4 * (lastNonzero + 1) : 4 * lastNonzero + 2;
}

}  // namespace yumekaze::decoder
