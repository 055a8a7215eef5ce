// Tag texts for display: tag bytes stay raw in the engine and are decoded here, at the edge.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace yumekaze::platform {

// Decodes tag bytes to UTF-8 for display: up to the first zero byte (texts are
// zero-terminated strings); valid UTF-8 passes as it is (mislabelled files are common), anything
// else is read in the legacy character set (iconv's name), with U+FFFD for bytes not in it.
std::string DecodeTagText(std::string_view bytes, const std::string& charset);
// In the set the user chose (legacy_charset.h); while there is none, each text that is not UTF-8
// in Latin-1 (as CP1252) or in the locale's legacy set, whichever reads as text (charset_guess.h).
std::string DecodeTagText(std::string_view bytes);
// The values of a field that holds several, each decoded; none for an empty text.
std::vector<std::string> DecodeTagValues(std::string_view bytes);
// A "KEY=value" tag line: the key and the value each decoded as a text of its own.
std::string DecodeTagLine(std::string_view line);

}  // namespace yumekaze::platform
