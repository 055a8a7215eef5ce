#include "decoder/tag_blocks.h"

#include <cstring>

#include "decoder/byte_order.h"

namespace yumekaze::decoder {
namespace {

constexpr int64_t kId3v2HeaderSize = 10;
constexpr int64_t kApeBlockSize = 32;
constexpr int64_t kId3v1Size = 128;
constexpr uint32_t kApeIsHeader = 1u << 29;

bool StartsWith(const uint8_t* bytes, size_t available, const char* marker) {
  const size_t n = std::strlen(marker);
  return available >= n && std::memcmp(bytes, marker, n) == 0;
}

int64_t Id3v2Size(const uint8_t* bytes, size_t available) {
  if (available < kId3v2HeaderSize) return 0;
  // Version bytes below 0xFF and 7-bit size bytes, as every writer emits them.
  if (bytes[3] == 0xFF || bytes[4] == 0xFF) return 0;
  int64_t size = 0;
  for (int i = 6; i < 10; ++i) {
    if (bytes[i] & 0x80) return 0;
    size = size << 7 | bytes[i];
  }
  const bool footer = bytes[3] >= 4 && (bytes[5] & 0x10);
  return kId3v2HeaderSize + size + (footer ? kId3v2HeaderSize : 0);
}

int64_t ApeSize(const uint8_t* bytes, size_t available) {
  if (available < kApeBlockSize) return 0;
  const uint32_t flags = LittleEndian32(bytes + 20);
  // A header: the items and the footer follow; its size counts them. A footer ends the tag.
  if (flags & kApeIsHeader) return kApeBlockSize + LittleEndian32(bytes + 12);
  return kApeBlockSize;
}

}  // namespace

int64_t TagBlockSize(const uint8_t* bytes, size_t available) {
  // Looked at before every frame: most bytes start no tag.
  if (available == 0 ||
      (bytes[0] != 'I' && bytes[0] != 'A' && bytes[0] != 'T' && bytes[0] != 'L')) {
    return 0;
  }
  if (StartsWith(bytes, available, "ID3")) return Id3v2Size(bytes, available);
  if (StartsWith(bytes, available, "APETAGEX")) return ApeSize(bytes, available);
  if (StartsWith(bytes, available, "TAG")) return kId3v1Size;
  // The fields of a Lyrics3 block are text; past its marker the parser's search walks over them.
  if (StartsWith(bytes, available, "LYRICSBEGIN")) return 11;
  return 0;
}

}  // namespace yumekaze::decoder
