#include "platform/text/tag_text.h"

#include "platform/text/charset_guess.h"
#include "platform/text/file_name_text.h"
#include "platform/text/legacy_charset.h"
#include "platform/text/legacy_converter.h"

namespace yumekaze::platform {

namespace {

// Texts are zero-terminated strings.
std::string_view UpToZero(std::string_view bytes) { return bytes.substr(0, bytes.find('\0')); }

}  // namespace

std::string DecodeTagText(std::string_view bytes, const std::string& charset) {
  bytes = UpToZero(bytes);
  if (IsUtf8(bytes)) return std::string(bytes);
  // iconv descriptors carry conversion state: one per call keeps the function thread-safe.
  LegacyConverter converter(charset);
  return converter.Convert(bytes);
}

std::string DecodeTagText(std::string_view bytes) {
  const std::string chosen = ChosenLegacyCharset();
  if (!chosen.empty()) return DecodeTagText(bytes, chosen);
  bytes = UpToZero(bytes);
  if (IsUtf8(bytes)) return std::string(bytes);
  const std::string locale_set = LocaleLegacyCharset();
  return DecodeTagText(bytes, ReadsAsLegacy(bytes, locale_set) ? locale_set : kLatin1Charset);
}

std::string DecodeTagLine(std::string_view line) {
  const size_t equals = line.find('=');
  if (equals == std::string_view::npos) return DecodeTagText(line);
  return DecodeTagText(line.substr(0, equals)) + "=" + DecodeTagText(line.substr(equals + 1));
}

}  // namespace yumekaze::platform
