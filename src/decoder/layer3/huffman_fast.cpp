// The Huffman decoders the granule driver runs. They walk the same lookup blocks as the reference
// form and keep its refill points, so values and reader state match it bit for bit on any input.
// They differ in how they hold the bits: the reader lives in locals (stores to the output cannot
// alias it), lookups read a 64-bit window of the coming bits, left-aligned, so that one code's
// length feeds the next lookup through a single shift, and the window is loaded eight bytes at a
// time. The reference's accumulator, valid-bit count and read position are kept alongside as
// counts and rebuilt from the window at the end.
#include <algorithm>
#include <bit>
#include <cstring>

#include "decoder/layer3/huffman.h"
#include "decoder/layer3/tables/huffman_tables.h"

namespace yumekaze::decoder {
namespace {

struct LocalReader {
  const uint8_t* Data;
  int32_t DataSize;
  int32_t ReadPos;  // the reference reader's read position
  int32_t EndPos;
  int32_t ValidBits;  // the reference reader's valid bits
  // The coming bits, MSB first; WindowBits >= ValidBits always, so every bit the reference would
  // read is here. WindowPos is the next byte to load into it.
  uint64_t Window;
  int32_t WindowBits;
  int32_t WindowPos;

  explicit LocalReader(const L3BitReader& reader)
      : Data(reader.Data),
        DataSize(reader.DataSize),
        ReadPos(reader.ReadPos),
        EndPos(reader.EndPos),
        ValidBits(reader.ValidBits),
        Window(reader.ValidBits > 0 ? uint64_t{reader.Accumulator} << (64 - reader.ValidBits) : 0),
        WindowBits(reader.ValidBits),
        WindowPos(reader.ReadPos) {}

  void StoreTo(L3BitReader& reader) const {
    reader.ReadPos = ReadPos;
    reader.ValidBits = ValidBits;
    reader.Accumulator = ValidBits > 0 ? static_cast<uint32_t>(Window >> (64 - ValidBits)) : 0u;
  }

  // The reference Refill: whole bytes until more than 24 bits are valid. The bytes themselves are
  // already in the window, or are loaded into it now (bytes past the data read as zero).
  void Refill() {
    if (ValidBits > 24) return;
    const int32_t bytes = (32 - ValidBits) >> 3;
    ReadPos += bytes;
    ValidBits += 8 * bytes;
    if (WindowBits >= ValidBits) return;
    const int32_t room = (64 - WindowBits) >> 3;
    if (WindowPos >= 0 && WindowPos <= DataSize - 8) {
      uint64_t word;
      std::memcpy(&word, Data + WindowPos, sizeof word);
      if constexpr (std::endian::native == std::endian::little) word = __builtin_bswap64(word);
      Window |= word >> WindowBits;
      WindowPos += room;
      WindowBits += 8 * room;
      return;
    }
    for (int32_t i = 0; i < room; ++i, ++WindowPos, WindowBits += 8) {
      const uint64_t byte = WindowPos >= 0 && WindowPos < DataSize ? Data[WindowPos] : 0u;
      Window |= byte << (56 - WindowBits);
    }
  }

  // The next count bits (1..24), not consumed.
  uint32_t Peek(int32_t count) const { return static_cast<uint32_t>(Window >> (64 - count)); }

  void Consume(int32_t count) {
    Window <<= count;
    WindowBits -= count;
    ValidBits -= count;
  }

  // count valid bits (0..24).
  uint32_t Take(int32_t count) {
    const uint32_t value = count > 0 ? Peek(count) : 0u;
    Consume(count);
    return value;
  }

  // count >= 1 bits; refills first when fewer than `keep` are valid.
  uint32_t Get(int32_t count, int32_t keep) {
    if (ValidBits < keep) Refill();
    return Take(count);
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

// Pair codes with their sign bits, resolved by the next 10 bits: x and y signed and the bits
// taken, or a length of 0 where the code needs more than one sub-block, its index bits or signs do
// not fit in 10 bits, or x or y is 15 (linbits come between the code and the signs). A code that
// goes on in a sub-block records the root's index bits, after which the reference checks for a
// refill before the sub-block's lookup. After the refill that precedes every root lookup at least
// 11 bits are valid.
struct PairEntry {
  int8_t X;
  int8_t Y;
  uint8_t Length;
  uint8_t RootBits;  // 0 for a code within the root block
};

struct PairTable {
  const uint32_t* Root;
  PairEntry Entries[1024];
};

constexpr int kPairTableCount = 15;  // distinct root blocks among the 34 entries

void BuildPairTable(PairTable& table, const uint32_t* root) {
  table.Root = root;
  const int32_t rootBits = static_cast<int32_t>(root[0] & 0xFF);
  for (uint32_t bits = 0; bits < 1024; ++bits) {
    PairEntry& out = table.Entries[bits];
    out = PairEntry{0, 0, 0, 0};
    uint32_t entry = root[1 + (bits >> (10 - rootBits))];
    int split = 0;
    if ((entry >> 24) == 0) {
      const uint32_t* block = root + entry;
      const int blockBits = static_cast<int>(block[0] & 0xFF);
      if (rootBits + blockBits > 10) continue;
      split = rootBits;
      entry = block[1 + ((bits >> (10 - rootBits - blockBits)) & ((1u << blockBits) - 1u))];
      if ((entry >> 24) == 0) continue;
    }
    const int length = split + static_cast<int>(entry >> 24);
    const int x = static_cast<int>((entry >> 8) & 0xFF);
    const int y = static_cast<int>((entry >> 16) & 0xFF);
    const int signs = (x != 0) + (y != 0);
    if (x == 15 || y == 15 || length + signs > 10) continue;
    int next = 10 - length;
    int signedX = x;
    int signedY = y;
    if (x != 0 && ((bits >> --next) & 1)) signedX = -x;
    if (y != 0 && ((bits >> --next) & 1)) signedY = -y;
    out = PairEntry{static_cast<int8_t>(signedX), static_cast<int8_t>(signedY),
                    static_cast<uint8_t>(length + signs), static_cast<uint8_t>(split)};
  }
}

struct PairTables {
  PairTable Tables[kPairTableCount];
  int Count;
  const PairEntry* ByIndex[32];  // by TableSelect; nullptr for the tables without codes
};

PairTables BuildPairTables() {
  PairTables built{};
  for (int index = 0; index < 32; ++index) {
    const HuffmanTableInfo& info = kHuffmanTableInfo[index];
    if (info.Table == nullptr || info.Kind == HuffmanTableKind::kZero) continue;
    int found = 0;
    while (found < built.Count && built.Tables[found].Root != info.Table) ++found;
    if (found == built.Count) {
      if (built.Count == kPairTableCount) continue;
      BuildPairTable(built.Tables[built.Count++], info.Table);
    }
    built.ByIndex[index] = built.Tables[found].Entries;
  }
  return built;
}

// Built once, in static storage.
const PairTables& Pairs() {
  static const PairTables tables = BuildPairTables();
  return tables;
}

template <bool kLinbits>
int32_t* DecodePairsWith(LocalReader& r, int32_t* dest, int32_t pairs, const uint32_t* root,
                         const PairEntry* fast, int32_t linbits) {
  const int32_t rootBits = static_cast<int32_t>(root[0] & 0xFF);
  for (int32_t pair = 0; pair < pairs; ++pair) {
    if (r.ValidBits <= 10) r.Refill();
    if (fast != nullptr) {
      const PairEntry quick = fast[r.Peek(10)];
      if (quick.Length != 0) {
        // The reference's refill check before a sub-block's lookup; none is due when the code
        // lies in the root block, as the check before this lookup left more than 10 bits.
        r.Consume(quick.RootBits);
        if (r.ValidBits <= 10) r.Refill();
        r.Consume(quick.Length - quick.RootBits);
        dest[0] = quick.X;
        dest[1] = quick.Y;
        dest += 2;
        if (r.PastEnd()) break;
        continue;
      }
    }
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
      const uint32_t signs = r.Take(static_cast<int32_t>(entry & 0xFF));
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
  const PairEntry* fast = Pairs().ByIndex[tableIndex & 31];
  LocalReader local(reader);
  int32_t* end = info.Linbits != 0
                     ? DecodePairsWith<true>(local, dest, pairs, info.Table, fast, info.Linbits)
                     : DecodePairsWith<false>(local, dest, pairs, info.Table, fast, 0);
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
  while (done < quads && bitBudget > minimumBudget) {
    const QuadEntry* entry;
    if (tableB) {
      if (r.ValidBits < 8) r.Refill();
      entry = &tables.B[r.Peek(8)];
    } else {
      if (r.ValidBits <= 10) r.Refill();
      entry = &tables.A[r.Peek(10)];
    }
    r.Consume(entry->Length);
    bitBudget -= entry->Length;
    int32_t* quad = dest + 4 * done;
    quad[0] = entry->Values[0];
    quad[1] = entry->Values[1];
    quad[2] = entry->Values[2];
    quad[3] = entry->Values[3];
    lastNonzero = entry->Value != 0 ? done : lastNonzero;
    ++done;
    if (r.PastEnd()) break;
  }
  r.StoreTo(reader);
  // Whether the last nonzero quadruple has x or y, read before a cleared last one is cleared.
  const bool lastHasXY =
      lastNonzero >= 0 && (dest[4 * lastNonzero + 2] | dest[4 * lastNonzero + 3]) != 0;
  if (bitBudget < 0 && done > 0) std::fill(dest + 4 * (done - 1), dest + 4 * done, 0);
  if (lastNonzero < 0) return 0;
  return lastHasXY ? 4 * (lastNonzero + 1) : 4 * lastNonzero + 2;
}

}  // namespace yumekaze::decoder
