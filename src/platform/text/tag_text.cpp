#include "platform/text/tag_text.h"

#include <iconv.h>

#include <cerrno>

#include "platform/text/legacy_charset.h"

namespace yumekaze::platform {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

// Length of the UTF-8 sequence at text[i], or 0 when it is not a valid, shortest-form sequence of
// a Unicode scalar value.
size_t Utf8SequenceLength(std::string_view text, size_t i) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(i);
  if (lead < 0x80) return 1;
  size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;  // allowed range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;   // overlong forms
    if (lead == 0xED) high = 0x9F;  // surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;   // overlong forms
    if (lead == 0xF4) high = 0x8F;  // above U+10FFFF
  } else {
    return 0;
  }
  if (i + length > text.size()) return 0;
  if (byte(i + 1) < low || byte(i + 1) > high) return 0;
  for (size_t k = 2; k < length; ++k) {
    if (byte(i + k) < 0x80 || byte(i + k) > 0xBF) return 0;
  }
  return length;
}

bool IsValidUtf8(std::string_view text) {
  for (size_t i = 0; i < text.size();) {
    const size_t length = Utf8SequenceLength(text, i);
    if (length == 0) return false;
    i += length;
  }
  return true;
}

class LegacyConverter {
 public:
  explicit LegacyConverter(const std::string& charset)
      : handle_(iconv_open("UTF-8", charset.c_str())) {}
  ~LegacyConverter() {
    if (handle_ != kInvalid) iconv_close(handle_);
  }
  LegacyConverter(const LegacyConverter&) = delete;
  LegacyConverter& operator=(const LegacyConverter&) = delete;

  // Converts text; a byte that does not start a character of the set becomes U+FFFD and
  // conversion goes on after it.
  std::string Convert(std::string_view text) {
    std::string out;
    if (handle_ == kInvalid) {
      // Without the converter keep ASCII and mark everything else.
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
    char buffer[256];
    while (in_left > 0) {
      char* out_ptr = buffer;
      size_t out_left = sizeof buffer;
      const size_t result = iconv(handle_, &in, &in_left, &out_ptr, &out_left);
      out.append(buffer, static_cast<size_t>(out_ptr - buffer));
      if (result != static_cast<size_t>(-1)) continue;
      if (errno == E2BIG) continue;
      // EILSEQ (not in the set) or EINVAL (a lead byte cut off at the end): mark it and go on.
      out += kReplacement;
      ++in;
      --in_left;
      iconv(handle_, nullptr, nullptr, nullptr, nullptr);
    }
    return out;
  }

 private:
  static inline const iconv_t kInvalid = reinterpret_cast<iconv_t>(-1);
  iconv_t handle_;
};

}  // namespace

std::string DecodeTagText(std::string_view bytes, const std::string& charset) {
  const size_t zero = bytes.find('\0');
  if (zero != std::string_view::npos) bytes = bytes.substr(0, zero);
  if (IsValidUtf8(bytes)) return std::string(bytes);
  // iconv descriptors carry conversion state: one per call keeps the function thread-safe.
  LegacyConverter converter(charset);
  return converter.Convert(bytes);
}

std::string DecodeTagText(std::string_view bytes) { return DecodeTagText(bytes, LegacyCharset()); }

}  // namespace yumekaze::platform
