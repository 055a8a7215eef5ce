#include "platform/text/tag_text.h"

#include <algorithm>

#include "engine/tags/tag_fields.h"
#include "platform/text/charset_guess.h"
#include "platform/text/file_name_text.h"
#include "platform/text/legacy_charset.h"
#include "platform/text/legacy_converter.h"

namespace yumekaze::platform {

namespace {

// Texts are zero-terminated strings.
std::string_view UpToZero(std::string_view bytes) { return bytes.substr(0, bytes.find('\0')); }

// The separator is ASCII: it passes every character set unchanged.
std::string Decoded(std::string_view bytes, const std::string& charset) {
  bytes = UpToZero(bytes);
  if (IsUtf8(bytes)) return std::string(bytes);
  // iconv descriptors carry conversion state: one per call keeps the function thread-safe.
  LegacyConverter converter(charset);
  return converter.Convert(bytes);
}

std::string Decoded(std::string_view bytes) {
  const std::string chosen = ChosenLegacyCharset();
  if (!chosen.empty()) return Decoded(bytes, chosen);
  bytes = UpToZero(bytes);
  if (IsUtf8(bytes)) return std::string(bytes);
  const std::string locale_set = LocaleLegacyCharset();
  return Decoded(bytes, ReadsAsLegacy(bytes, locale_set) ? locale_set : kLatin1Charset);
}

std::string ValuesShown(std::string text) {
  for (size_t at = 0; (at = text.find(engine::kValueSeparator, at)) != std::string::npos;) {
    text.replace(at, engine::kValueSeparator.size(), engine::kShownValueSeparator);
    at += engine::kShownValueSeparator.size();
  }
  return text;
}

}  // namespace

std::string DecodeTagText(std::string_view bytes, const std::string& charset) {
  return ValuesShown(Decoded(bytes, charset));
}

std::string DecodeTagText(std::string_view bytes) { return ValuesShown(Decoded(bytes)); }

std::vector<std::string> DecodeTagValues(std::string_view bytes) {
  const std::string text = Decoded(bytes);
  std::vector<std::string> values;
  for (size_t from = 0; from < text.size();) {
    const size_t end = std::min(text.find(engine::kValueSeparator, from), text.size());
    values.push_back(text.substr(from, end - from));
    from = end + engine::kValueSeparator.size();
  }
  return values;
}

std::string DecodeTagLine(std::string_view line) {
  const size_t equals = line.find('=');
  if (equals == std::string_view::npos) return DecodeTagText(line);
  return DecodeTagText(line.substr(0, equals)) + "=" + DecodeTagText(line.substr(equals + 1));
}

}  // namespace yumekaze::platform
