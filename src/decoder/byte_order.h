// Fixed-width integers as the formats store them: header words and VBR/LAME fields big-endian,
// APE fields little-endian.
#pragma once

#include <cstdint>

namespace yumekaze::decoder {

inline uint32_t BigEndian32(const uint8_t* p) {
  return (static_cast<uint32_t>(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
}

inline uint32_t LittleEndian32(const uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

}  // namespace yumekaze::decoder
