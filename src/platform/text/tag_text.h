// Tag texts for display: tag bytes stay raw in the engine and are decoded here, at the edge.
#pragma once

#include <string>
#include <string_view>

namespace yumekaze::platform {

// Decodes tag bytes to UTF-8 for display: up to the first zero byte (texts are
// zero-terminated strings); valid UTF-8 passes as it is, anything else is read as CP932 (Shift-JIS,
// the code page of the files' origin), with U+FFFD for bytes that are not CP932.
std::string DecodeTagText(std::string_view bytes);

}  // namespace yumekaze::platform
