// MSB-first bit reader of the Layer I and II frame decoders.
//
// It fetches whole bytes ahead of the bits it hands out. Bytes at and beyond `size` read as zero,
// so a short or corrupt frame can never make it read outside the caller's input.
#pragma once

#include <cstddef>
#include <cstdint>

namespace yumekaze::decoder {

struct BitReader {
  const uint8_t* data = nullptr;
  size_t size = 0;
  size_t position = 0;       // next byte to fetch
  uint32_t accumulator = 0;  // only the low bitsHeld bits are meaningful
  int32_t bitsHeld = 0;      // 0..31 between calls
};

inline void StartBits(BitReader& reader, const uint8_t* data, size_t size) {
  reader.data = data;
  reader.size = size;
  reader.position = 0;
  reader.accumulator = 0;
  reader.bitsHeld = 0;
}

inline uint32_t FetchByte(BitReader& reader) {
  const uint32_t byte = reader.position < reader.size ? reader.data[reader.position] : 0u;
  ++reader.position;
  return byte;
}

// Appends whole bytes while 24 bits or fewer are held.
inline void RefillBits(BitReader& reader) {
  const int32_t bytes = (24 - reader.bitsHeld) / 8 + 1;
  if (reader.size >= 4 && reader.position <= reader.size - 4) {
    // All of them at once from a big-endian word.
    const uint8_t* p = reader.data + reader.position;
    const uint32_t word =
        (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
    reader.accumulator = static_cast<uint32_t>((uint64_t{reader.accumulator} << (8 * bytes)) |
                                               (word >> (32 - 8 * bytes)));
    reader.position += static_cast<size_t>(bytes);
    reader.bitsHeld += 8 * bytes;
    return;
  }
  while (reader.bitsHeld <= 24) {
    reader.accumulator = (reader.accumulator << 8) | FetchByte(reader);
    reader.bitsHeld += 8;
  }
}

// Reads count bits (0..24).
inline uint32_t ReadBits(BitReader& reader, int32_t count) {
  if (count > reader.bitsHeld) RefillBits(reader);
  reader.bitsHeld -= count;
  const uint32_t value = static_cast<uint32_t>(uint64_t{reader.accumulator} >> reader.bitsHeld);
  reader.accumulator &= (1u << reader.bitsHeld) - 1u;
  return value;
}

inline void SkipBits(BitReader& reader, uint32_t count) {
  if (count <= static_cast<uint32_t>(reader.bitsHeld)) {
    reader.bitsHeld -= static_cast<int32_t>(count);
    reader.accumulator &= (1u << reader.bitsHeld) - 1u;
    return;
  }
  const uint32_t beyond = count - static_cast<uint32_t>(reader.bitsHeld);
  reader.position += beyond / 8;
  reader.accumulator = FetchByte(reader);
  reader.bitsHeld = 8 - static_cast<int32_t>(beyond % 8);
  reader.accumulator &= (1u << reader.bitsHeld) - 1u;
}

}  // namespace yumekaze::decoder
