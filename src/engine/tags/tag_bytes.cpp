#include "engine/tags/tag_bytes.h"

#include <algorithm>
#include <cstring>

namespace yumekaze::engine::tag_bytes {

int32_t ReadBE32(const uint8_t* p) {
  return static_cast<int32_t>(uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 |
                              uint32_t{p[3]});
}

int32_t ReadLE32(const uint8_t* p) {
  return static_cast<int32_t>(uint32_t{p[3]} << 24 | uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 |
                              uint32_t{p[0]});
}

int32_t ReadSyncSafe32(const uint8_t* p) {
  if ((p[0] | p[1] | p[2] | p[3]) & 0x80) return -1;
  return static_cast<int32_t>(uint32_t{p[0]} << 21 | uint32_t{p[1]} << 14 | uint32_t{p[2]} << 7 |
                              uint32_t{p[3]});
}

std::string CleanField(const uint8_t* p, size_t size) {
  const auto* zero = static_cast<const uint8_t*>(std::memchr(p, 0, size));
  size_t length = zero ? static_cast<size_t>(zero - p) : size;
  while (length > 0 && p[length - 1] <= 32) --length;
  return std::string(reinterpret_cast<const char*>(p), length);
}

int64_t ParseDecimal(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i == text.size()) return 0;
  int64_t value = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return 0;
    // The fields are a few digits wide; stop rather than overflow on anything longer.
    if (value > (INT64_MAX - 9) / 10) return 0;
    value = value * 10 + (text[i] - '0');
  }
  return negative ? -value : value;
}

namespace {

void AppendUtf8(std::string& out, uint32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | code >> 6);
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | code >> 12);
    out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | code >> 18);
    out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
    out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

constexpr uint32_t kReplacement = 0xFFFD;

}  // namespace

std::string Utf16ToUtf8(const uint8_t* p, size_t size, bool little_endian_default) {
  bool little_endian = little_endian_default;
  size_t i = 0;
  if (size >= 2 && p[0] == 0xFF && p[1] == 0xFE) {
    little_endian = true;
    i = 2;
  } else if (size >= 2 && p[0] == 0xFE && p[1] == 0xFF) {
    little_endian = false;
    i = 2;
  }
  const auto unit_at = [&](size_t k) {
    return little_endian ? uint32_t{p[k]} | uint32_t{p[k + 1]} << 8
                         : uint32_t{p[k]} << 8 | uint32_t{p[k + 1]};
  };
  std::string out;
  for (; i + 1 < size; i += 2) {
    const uint32_t unit = unit_at(i);
    if (unit == 0) return out;
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 3 < size) {
      const uint32_t low = unit_at(i + 2);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
        i += 2;
        continue;
      }
    }
    AppendUtf8(out, unit >= 0xD800 && unit <= 0xDFFF ? kReplacement : unit);
  }
  if (i < size) AppendUtf8(out, kReplacement);
  return out;
}

std::string Resynchronise(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (size_t i = 0; i < bytes.size(); ++i) {
    out += bytes[i];
    if (static_cast<uint8_t>(bytes[i]) == 0xFF && i + 1 < bytes.size() && bytes[i + 1] == 0) ++i;
  }
  return out;
}

bool ReadPieces(TMPStreamReader& reader, int64_t count, std::string& out) {
  out.clear();
  while (count > 0) {
    const int32_t piece = static_cast<int32_t>(std::min<int64_t>(count, reader.Capacity()));
    if (!reader.Request(piece)) return false;
    out.append(reinterpret_cast<const char*>(reader.Data()), static_cast<size_t>(piece));
    reader.Skip(piece);
    count -= piece;
  }
  return true;
}

bool HasBytes(const uint8_t* p, std::string_view expected) {
  return std::memcmp(p, expected.data(), expected.size()) == 0;
}

}  // namespace yumekaze::engine::tag_bytes
