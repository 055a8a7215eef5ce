#include "platform/text/legacy_converter.h"

#include <cerrno>

namespace yumekaze::platform {

namespace {
constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD
}  // namespace

LegacyConverter::LegacyConverter(const std::string& charset)
    : handle_(iconv_open("UTF-8", charset.c_str())) {}

LegacyConverter::~LegacyConverter() {
  if (handle_ != kInvalid) iconv_close(handle_);
}

bool LegacyConverter::ConvertUntilInvalid(char*& in, size_t& in_left, std::string& out) {
  char buffer[256];
  while (in_left > 0) {
    char* out_ptr = buffer;
    size_t out_left = sizeof buffer;
    const size_t result = iconv(handle_, &in, &in_left, &out_ptr, &out_left);
    out.append(buffer, static_cast<size_t>(out_ptr - buffer));
    if (result != static_cast<size_t>(-1) || errno == E2BIG) continue;
    // EILSEQ (not in the set) or EINVAL (a lead byte cut off at the end).
    iconv(handle_, nullptr, nullptr, nullptr, nullptr);
    return false;
  }
  return true;
}

std::string LegacyConverter::Convert(std::string_view text) {
  std::string out;
  if (handle_ == kInvalid) {
    for (const char c : text) {
      if (static_cast<unsigned char>(c) < 0x80)
        out += c;
      else
        out += kReplacement;
    }
    return out;
  }
  char* in = const_cast<char*>(text.data());
  size_t in_left = text.size();
  while (!ConvertUntilInvalid(in, in_left, out)) {
    out += kReplacement;
    ++in;
    --in_left;
  }
  return out;
}

std::optional<std::string> LegacyConverter::ConvertExactly(std::string_view text) {
  if (handle_ == kInvalid) return std::nullopt;
  std::string out;
  char* in = const_cast<char*>(text.data());
  size_t in_left = text.size();
  if (!ConvertUntilInvalid(in, in_left, out)) return std::nullopt;
  return out;
}

}  // namespace yumekaze::platform
