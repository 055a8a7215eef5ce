// MSB-first bit reader of the Layer I and II frame decoders.
//
// It fetches bytes ahead of the bits it hands out. Bytes at and beyond `size` read as zero, so a
// short or corrupt frame can never make it read outside the caller's input.
#pragma once

#include <cstddef>
#include <cstdint>

namespace yumekaze::decoder {

struct BitReader {
  const uint8_t* data = nullptr;
  size_t size = 0;
  size_t position = 0;  // next byte to fetch; the bits held end at its start
  uint64_t buffer = 0;  // the bits held, left-aligned; below them may follow copies of later bits
  int32_t bitsHeld = 0;
};

inline void StartBits(BitReader& reader, const uint8_t* data, size_t size) {
  reader.data = data;
  reader.size = size;
  reader.position = 0;
  reader.buffer = 0;
  reader.bitsHeld = 0;
}

inline uint32_t FetchByte(BitReader& reader) {
  const uint32_t byte = reader.position < reader.size ? reader.data[reader.position] : 0u;
  ++reader.position;
  return byte;
}

// Fetches whole bytes until more than 56 bits are held.
inline void RefillBits(BitReader& reader) {
  if (reader.size >= 8 && reader.position <= reader.size - 8) {
    // Eight bytes at once. Those that do not fit whole leave their leading bits below the held
    // ones; the next refill puts the same bits there again.
    const uint8_t* p = reader.data + reader.position;
    uint64_t word = 0;
    for (int i = 0; i < 8; ++i) word = (word << 8) | p[i];
    reader.buffer |= word >> reader.bitsHeld;
    const int32_t bytes = (63 - reader.bitsHeld) >> 3;
    reader.position += static_cast<size_t>(bytes);
    reader.bitsHeld += 8 * bytes;
    return;
  }
  while (reader.bitsHeld <= 56) {
    reader.buffer |= uint64_t{FetchByte(reader)} << (56 - reader.bitsHeld);
    reader.bitsHeld += 8;
  }
}

// Reads count bits (0..56): also several fields that follow each other, in one go.
inline uint64_t ReadWideBits(BitReader& reader, int32_t count) {
  if (count > reader.bitsHeld) RefillBits(reader);
  // Two shifts, so that a count of 0 never shifts by 64.
  const uint64_t value = reader.buffer >> (63 - count) >> 1;
  reader.buffer <<= count;
  reader.bitsHeld -= count;
  return value;
}

// Reads count bits (0..24).
inline uint32_t ReadBits(BitReader& reader, int32_t count) {
  return static_cast<uint32_t>(ReadWideBits(reader, count));
}

inline void SkipBits(BitReader& reader, uint32_t count) {
  if (count < static_cast<uint32_t>(reader.bitsHeld)) {
    reader.buffer <<= count;
    reader.bitsHeld -= static_cast<int32_t>(count);
    return;
  }
  // Start afresh at the byte holding the bit after the skipped ones.
  const uint64_t next =
      uint64_t{reader.position} * 8 - static_cast<uint64_t>(reader.bitsHeld) + count;
  reader.position = static_cast<size_t>(next / 8);
  reader.buffer = 0;
  reader.bitsHeld = 0;
  RefillBits(reader);
  const auto drop = static_cast<int32_t>(next % 8);
  reader.buffer <<= drop;
  reader.bitsHeld -= drop;
}

}  // namespace yumekaze::decoder
