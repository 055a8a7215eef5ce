// Tag texts for display: tag bytes stay raw in the engine and are decoded here, at the edge.
#pragma once

#include <string>
#include <string_view>

namespace yumekaze::platform {

// Decodes tag bytes to UTF-8 for display: up to the first zero byte (texts are
// zero-terminated strings); valid UTF-8 passes as it is (mislabelled files are common), anything
// else is read in the legacy character set (iconv's name), with U+FFFD for bytes not in it.
std::string DecodeTagText(std::string_view bytes, const std::string& charset);
// In the legacy character set in use (legacy_charset.h).
std::string DecodeTagText(std::string_view bytes);

}  // namespace yumekaze::platform
