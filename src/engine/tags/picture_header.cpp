#include "engine/tags/picture_header.h"

#include <cstdint>
#include <memory>
#include <utility>

namespace yumekaze::engine {

namespace {

int Big16(std::string_view bytes, size_t at) {
  return static_cast<uint8_t>(bytes[at]) << 8 | static_cast<uint8_t>(bytes[at + 1]);
}

uint32_t Big32(std::string_view bytes, size_t at) {
  return static_cast<uint32_t>(Big16(bytes, at)) << 16 |
         static_cast<uint32_t>(Big16(bytes, at + 2));
}

std::optional<TPictureHeader> Sized(const char* mime, uint32_t width, uint32_t height) {
  // Sizes beyond this are damaged headers, not pictures anyone embeds.
  constexpr uint32_t kMaxSide = 1 << 16;
  if (width == 0 || height == 0 || width > kMaxSide || height > kMaxSide) return std::nullopt;
  return TPictureHeader{mime, static_cast<int>(width), static_cast<int>(height)};
}

std::optional<TPictureHeader> ReadPng(std::string_view bytes) {
  // Signature, then the IHDR chunk: length, "IHDR", width, height.
  if (bytes.size() < 24 || bytes.substr(12, 4) != "IHDR") return std::nullopt;
  return Sized("image/png", Big32(bytes, 16), Big32(bytes, 20));
}

std::optional<TPictureHeader> ReadJpeg(std::string_view bytes) {
  size_t at = 2;  // behind SOI
  while (at + 4 <= bytes.size()) {
    if (static_cast<uint8_t>(bytes[at]) != 0xFF) return std::nullopt;
    const uint8_t marker = static_cast<uint8_t>(bytes[at + 1]);
    if (marker == 0xFF) {  // fill byte
      ++at;
      continue;
    }
    // Markers without a length: TEM, RSTn, SOI.
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) {
      at += 2;
      continue;
    }
    if (marker == 0xD9 || marker == 0xDA) return std::nullopt;  // EOI, SOS: no frame header
    const int length = Big16(bytes, at + 2);
    if (length < 2) return std::nullopt;
    // SOF0..SOF15 but DHT (C4), JPG (C8) and DAC (CC): precision, height, width.
    if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
      if (at + 9 > bytes.size()) return std::nullopt;
      return Sized("image/jpeg", Big16(bytes, at + 7), Big16(bytes, at + 5));
    }
    at += 2 + static_cast<size_t>(length);
  }
  return std::nullopt;
}

}  // namespace

std::optional<TPictureHeader> ReadPictureHeader(std::string_view bytes) {
  if (bytes.starts_with("\x89PNG\r\n\x1a\n")) return ReadPng(bytes);
  if (bytes.starts_with("\xFF\xD8")) return ReadJpeg(bytes);
  return std::nullopt;
}

TPictureInfo DescribePicture(int type, std::string mime, std::string_view data) {
  TPictureInfo picture{true,
                       type,
                       std::move(mime),
                       static_cast<int64_t>(data.size()),
                       0,
                       0,
                       std::make_shared<const std::string>(data)};
  if (const std::optional<TPictureHeader> header = ReadPictureHeader(data)) {
    picture.width = header->width;
    picture.height = header->height;
    if (picture.mime.empty()) picture.mime = header->mime;
  }
  return picture;
}

}  // namespace yumekaze::engine
