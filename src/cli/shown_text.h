// Text made safe to show on a terminal: tag text and file names, never able to drive it.
#pragma once

#include <string>
#include <string_view>

namespace yumekaze::cli {

// Tag text as UTF-8 (legacy character set in use for bytes that are not), WithoutControls.
std::string SafeText(std::string_view bytes, char replacement, std::string_view newline);

// A file name, or a message that may quote one, to show on a terminal: U+FFFD for bytes that
// are not UTF-8, '?' for controls.
std::string ShownFileName(std::string_view path);

}  // namespace yumekaze::cli
