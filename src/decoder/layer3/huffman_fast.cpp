// The Huffman decoders the granule driver runs. They walk the same lookup blocks as the reference
// form and refill at exactly the same points with the same bytes, so values and reader state match
// it bit for bit; they differ only in keeping the reader in locals (stores to the output cannot
// alias it) and in fetching the bytes of a refill with one four-byte load inside the data.
#include <algorithm>

#include "decoder/layer3/huffman.h"
#include "decoder/layer3/tables/huffman_tables.h"

namespace yumekaze::decoder {
namespace {

struct LocalReader {
  const uint8_t* Data;
  int32_t DataSize;
  int32_t ReadPos;
  int32_t EndPos;
  uint32_t Accumulator;
  int32_t ValidBits;

  explicit LocalReader(const L3BitReader& reader)
      : Data(reader.Data),
        DataSize(reader.DataSize),
        ReadPos(reader.ReadPos),
        EndPos(reader.EndPos),
        Accumulator(reader.Accumulator),
        ValidBits(reader.ValidBits) {}

  // The accumulator keeps consumed bits above the valid ones while decoding (lookups mask what
  // they take), which keeps the mask off the path from one code to the next; they are cleared here.
  void StoreTo(L3BitReader& reader) const {
    reader.ReadPos = ReadPos;
    reader.Accumulator = ValidBits >= 32 ? Accumulator : Accumulator & ((1u << ValidBits) - 1u);
    reader.ValidBits = ValidBits;
  }

  uint32_t Peek(int32_t count) const {
    return (Accumulator >> (ValidBits - count)) & ((1u << count) - 1u);
  }

  // Appends whole bytes until more than 24 bits are valid, as the reference Refill does.
  void Refill() {
    if (ValidBits > 24) return;
    const int32_t bytes = (32 - ValidBits) >> 3;
    if (ReadPos >= 0 && ReadPos <= DataSize - 4) {
      const uint8_t* p = Data + ReadPos;
      const uint32_t word =
          (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
      const int32_t shift = 8 * bytes;
      Accumulator =
          static_cast<uint32_t>((uint64_t{Accumulator} << shift) | (word >> (32 - shift)));
      ReadPos += bytes;
      ValidBits += shift;
      return;
    }
    for (int32_t i = 0; i < bytes; ++i) {
      const uint32_t byte = ReadPos >= 0 && ReadPos < DataSize ? Data[ReadPos] : 0u;
      Accumulator = (Accumulator << 8) | byte;
      ++ReadPos;
      ValidBits += 8;
    }
  }

  void Consume(int32_t count) { ValidBits -= count; }

  // count >= 1 bits; refills first when fewer than `keep` are valid.
  uint32_t Get(int32_t count, int32_t keep) {
    if (ValidBits < keep) Refill();
    ValidBits -= count;
    return (Accumulator >> ValidBits) & ((1u << count) - 1u);
  }

  bool PastEnd() const { return ReadPos > EndPos; }
};

// Count-1 codes with their sign bits, looked up at once: table A by the next 10 bits (a code of
// at most 6 bits and up to 4 signs), table B by the next 8. A lookup leaves enough bits valid
// that the reference's one-bit sign reads never refill, so taking them together changes nothing.
struct QuadEntry {
  int8_t Values[4];
  uint8_t Length;  // code and sign bits
  uint8_t Value;   // the unsigned v w x y bits
  uint8_t Padding[2];
};

struct QuadTables {
  QuadEntry A[1024];
  QuadEntry B[256];
};

void FillQuadEntry(QuadEntry& entry, uint32_t value, int codeLength, uint32_t following,
                   int followingBits) {
  int signs = 0;
  for (int i = 0; i < 4; ++i) signs += (value >> i) & 1;
  entry.Length = static_cast<uint8_t>(codeLength + signs);
  entry.Value = static_cast<uint8_t>(value);
  int next = followingBits;
  for (int i = 0; i < 4; ++i) {
    if (((value >> (3 - i)) & 1) == 0) {
      entry.Values[i] = 0;
      continue;
    }
    --next;
    entry.Values[i] = static_cast<int8_t>(((following >> next) & 1) ? -1 : 1);
  }
}

QuadTables BuildQuadTables() {
  QuadTables tables{};
  for (uint32_t bits = 0; bits < 1024; ++bits) {
    const uint8_t* code = kCount1TableA[bits >> 4];
    const int length = code[0];
    // The bits after the code, of which the signs take the first ones.
    FillQuadEntry(tables.A[bits], code[1], length, bits & ((1u << (10 - length)) - 1u),
                  10 - length);
  }
  for (uint32_t bits = 0; bits < 256; ++bits) {
    FillQuadEntry(tables.B[bits], (bits >> 4) ^ 15u, 4, bits & 15u, 4);
  }
  return tables;
}

const QuadTables& Quads() {
  static const QuadTables tables = BuildQuadTables();
  return tables;
}

template <bool kLinbits>
int32_t* DecodePairsWith(LocalReader& r, int32_t* dest, int32_t pairs, const uint32_t* root,
                         int32_t linbits) {
  const int32_t rootBits = static_cast<int32_t>(root[0] & 0xFF);
  for (int32_t pair = 0; pair < pairs; ++pair) {
    if (r.ValidBits <= 10) r.Refill();
    uint32_t entry = root[1 + r.Peek(rootBits)];
    if ((entry >> 24) == 0) {
      // A link: walk down the sub-blocks, refilling before each lookup as the reference does.
      const uint32_t* block = root;
      int32_t bits = rootBits;
      do {
        r.Consume(bits);
        block += entry;
        bits = static_cast<int32_t>(block[0] & 0xFF);
        if (r.ValidBits <= 10) r.Refill();
        entry = block[1 + r.Peek(bits)];
      } while ((entry >> 24) == 0);
    }
    r.Consume(static_cast<int32_t>(entry >> 24));
    int32_t x = static_cast<int32_t>((entry >> 8) & 0xFF);
    int32_t y = static_cast<int32_t>((entry >> 16) & 0xFF);
    if constexpr (kLinbits) {
      if (x == 15) x += static_cast<int32_t>(r.Get(linbits, linbits + 2));
      if (x != 0 && r.Get(1, 1) != 0) x = -x;
      if (y == 15) y += static_cast<int32_t>(r.Get(linbits, linbits + 2));
      if (y != 0 && r.Get(1, 1) != 0) y = -y;
    } else {
      // Both sign bits at once, without branches: a lookup leaves at least two bits valid, so
      // the reference's one-bit reads never refill here. The entry's low byte counts the nonzero
      // values.
      const int32_t count = static_cast<int32_t>(entry & 0xFF);
      r.ValidBits -= count;
      const uint32_t signs = (r.Accumulator >> r.ValidBits) & ((1u << count) - 1u);
      const int32_t signX = static_cast<int32_t>((signs >> (y != 0)) & (x != 0));
      const int32_t signY = static_cast<int32_t>(signs & (y != 0));
      x = (x ^ -signX) + signX;
      y = (y ^ -signY) + signY;
    }
    dest[0] = x;
    dest[1] = y;
    dest += 2;
    if (r.PastEnd()) break;
  }
  return dest;
}

}  // namespace

int32_t* DecodePairs(L3BitReader& reader, int32_t* dest, int32_t lines, int32_t tableIndex) {
  if (lines <= 0) return dest;
  const int32_t pairs = lines / 2;
  const HuffmanTableInfo& info = kHuffmanTableInfo[tableIndex & 31];
  if (info.Kind == HuffmanTableKind::kZero) {
    std::fill(dest, dest + 2 * pairs, 0);
    return dest + 2 * pairs;
  }
  LocalReader local(reader);
  int32_t* end = info.Linbits != 0
                     ? DecodePairsWith<true>(local, dest, pairs, info.Table, info.Linbits)
                     : DecodePairsWith<false>(local, dest, pairs, info.Table, 0);
  local.StoreTo(reader);
  return end;
}

int32_t DecodeQuads(L3BitReader& reader, int32_t* dest, int32_t lines, int32_t bitBudget,
                    int32_t count1TableSelect) {
  const int32_t quads = lines / 4;
  const bool tableB = count1TableSelect != 0;
  const int32_t minimumBudget = tableB ? 3 : 0;
  LocalReader r(reader);
  const QuadTables& tables = Quads();
  int32_t done = 0;
  int32_t lastNonzero = -1;
  uint32_t lastValue = 0;
  while (done < quads && bitBudget > minimumBudget) {
    const QuadEntry* entry;
    if (tableB) {
      if (r.ValidBits < 8) r.Refill();
      entry = &tables.B[r.Peek(8)];
    } else {
      if (r.ValidBits <= 10) r.Refill();
      entry = &tables.A[r.Peek(10)];
    }
    r.ValidBits -= entry->Length;
    bitBudget -= entry->Length;
    int32_t* quad = dest + 4 * done;
    for (int i = 0; i < 4; ++i) quad[i] = entry->Values[i];
    if (entry->Value != 0) {
      lastNonzero = done;
      lastValue = entry->Value;
    }
    ++done;
    if (r.PastEnd()) break;
  }
  r.StoreTo(reader);
  if (bitBudget < 0 && done > 0) std::fill(dest + 4 * (done - 1), dest + 4 * done, 0);
  if (lastNonzero < 0) return 0;
  return (lastValue & 3u) != 0 ? 4 * (lastNonzero + 1) : 4 * lastNonzero + 2;
}

}  // namespace yumekaze::decoder
