// iconv from a legacy character set to UTF-8, one descriptor per object (descriptors carry
// conversion state, so each thread makes its own).
#pragma once

#include <iconv.h>

#include <optional>
#include <string>
#include <string_view>

namespace yumekaze::platform {

class LegacyConverter {
 public:
  // charset: iconv's name.
  explicit LegacyConverter(const std::string& charset);
  ~LegacyConverter();
  LegacyConverter(const LegacyConverter&) = delete;
  LegacyConverter& operator=(const LegacyConverter&) = delete;

  // Converts text; a byte that does not start a character of the set becomes U+FFFD and
  // conversion goes on after it. Without a converter for the set ASCII stays, the rest is U+FFFD.
  std::string Convert(std::string_view text);
  // The text when every byte belongs to a character of the set; none otherwise.
  std::optional<std::string> ConvertExactly(std::string_view text);

 private:
  // Converts into out; false at the first byte that does not start a character of the set,
  // with in and in_left at that byte.
  bool ConvertUntilInvalid(char*& in, size_t& in_left, std::string& out);

  static inline const iconv_t kInvalid = reinterpret_cast<iconv_t>(-1);
  iconv_t handle_;
};

}  // namespace yumekaze::platform
