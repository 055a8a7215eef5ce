#include "platform/text/file_name_text.h"

#include <filesystem>

namespace yumekaze::platform {

namespace {

// Bytes of the well-formed UTF-8 sequence at text[at]; 0 when there is none, with `invalid` set
// to the bytes that begin one but break off (at least 1).
size_t SequenceAt(std::string_view text, size_t at, size_t& invalid) {
  const auto lead = static_cast<unsigned char>(text[at]);
  if (lead < 0x80) return 1;
  size_t trailing = 0;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    trailing = 1;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    trailing = 2;
    if (lead == 0xE0) low = 0xA0;   // no overlong forms
    if (lead == 0xED) high = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    trailing = 3;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;  // nothing above U+10FFFF
  } else {
    invalid = 1;
    return 0;
  }
  for (size_t n = 1; n <= trailing; ++n) {
    const bool fits = at + n < text.size() && static_cast<unsigned char>(text[at + n]) >= low &&
                      static_cast<unsigned char>(text[at + n]) <= high;
    if (!fits) {
      invalid = n;
      return 0;
    }
    low = 0x80;
    high = 0xBF;
  }
  return trailing + 1;
}

}  // namespace

size_t Utf8SequenceLength(std::string_view bytes, size_t at) {
  size_t invalid = 0;
  return SequenceAt(bytes, at, invalid);
}

bool IsUtf8(std::string_view bytes) {
  size_t invalid = 0;
  for (size_t at = 0; at < bytes.size();) {
    const size_t length = SequenceAt(bytes, at, invalid);
    if (length == 0) return false;
    at += length;
  }
  return true;
}

std::string WithReplacementCharacters(std::string_view bytes) {
  std::string text;
  text.reserve(bytes.size());
  size_t invalid = 0;
  for (size_t at = 0; at < bytes.size();) {
    const size_t length = SequenceAt(bytes, at, invalid);
    if (length == 0) {
      text += "\xEF\xBF\xBD";
      at += invalid;
    } else {
      text.append(bytes.substr(at, length));
      at += length;
    }
  }
  return text;
}

std::string FileUri(std::string_view path) {
  const std::string absolute = std::filesystem::absolute(std::string(path)).string();
  std::string uri = "file://";
  for (const char c : absolute) {
    const auto byte = static_cast<unsigned char>(c);
    const bool plain = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
                       (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' || byte == '_' ||
                       byte == '~' || byte == '/';
    if (plain) {
      uri += c;
    } else {
      constexpr char kHex[] = "0123456789ABCDEF";
      uri += '%';
      uri += kHex[byte >> 4];
      uri += kHex[byte & 0xF];
    }
  }
  return uri;
}

}  // namespace yumekaze::platform
