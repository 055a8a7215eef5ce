// MSB-first bit reader over Layer III side information and main data.
//
// Positions are byte offsets from `Data`. Bytes at and beyond `DataSize` read as zero, so a
// channel whose lengths point past the data appended (or past the buffer) never reads outside it;
// the read position still advances, so callers can compare it with the channel's end.
#pragma once

#include <cstdint>

namespace yumekaze::decoder {

struct L3BitReader {
  const uint8_t* Data = nullptr;
  int32_t DataSize = 0;  // readable bytes at Data
  int32_t ReadPos = 0;   // next byte to fetch
  int32_t StartPos = 0;
  int32_t EndPos = 0;
  uint32_t Accumulator = 0;  // exactly the valid bits, right-aligned
  int32_t ValidBits = 0;
};

inline void StartReader(L3BitReader& reader, const uint8_t* data, int32_t dataSize,
                        int32_t position) {
  reader.Data = data;
  reader.DataSize = dataSize;
  reader.ReadPos = position;
  reader.StartPos = position;
  reader.EndPos = position;
  reader.Accumulator = 0;
  reader.ValidBits = 0;
}

inline void SetEnd(L3BitReader& reader, int32_t endPos) { reader.EndPos = endPos; }

// Appends whole bytes until more than 24 bits are valid.
inline void Refill(L3BitReader& reader) {
  while (reader.ValidBits <= 24) {
    const uint32_t byte =
        reader.ReadPos >= 0 && reader.ReadPos < reader.DataSize ? reader.Data[reader.ReadPos] : 0u;
    reader.Accumulator = (reader.Accumulator << 8) | byte;
    ++reader.ReadPos;
    reader.ValidBits += 8;
  }
}

// Drops count bits that are already valid.
inline void ConsumeBits(L3BitReader& reader, int32_t count) {
  reader.ValidBits -= count;
  reader.Accumulator &= (1u << reader.ValidBits) - 1u;
}

// Reads count bits, 0..24.
inline uint32_t GetBits(L3BitReader& reader, int32_t count) {
  if (count <= 0) return 0;
  if (reader.ValidBits < count) Refill(reader);
  reader.ValidBits -= count;
  const uint32_t value = reader.Accumulator >> reader.ValidBits;
  reader.Accumulator &= (1u << reader.ValidBits) - 1u;
  return value;
}

// Reads count bits, refilling early so that two more bits (signs) stay valid afterwards.
inline uint32_t GetBitsKeepTwo(L3BitReader& reader, int32_t count) {
  if (count <= 0) return 0;
  if (reader.ValidBits < count + 2) Refill(reader);
  reader.ValidBits -= count;
  const uint32_t value = reader.Accumulator >> reader.ValidBits;
  reader.Accumulator &= (1u << reader.ValidBits) - 1u;
  return value;
}

// The next count bits (at most 9) without consuming them; refills at 10 or fewer valid bits.
inline uint32_t PeekBits(L3BitReader& reader, int32_t count) {
  if (reader.ValidBits <= 10) Refill(reader);
  return reader.Accumulator >> (reader.ValidBits - count);
}

inline int32_t BitsRead(const L3BitReader& reader) {
  return (reader.ReadPos - reader.StartPos) * 8 - reader.ValidBits;
}

inline bool ReadPastEnd(const L3BitReader& reader) { return reader.ReadPos > reader.EndPos; }

}  // namespace yumekaze::decoder
