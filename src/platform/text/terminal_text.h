// Text made safe to print on a terminal: nothing in it can drive the terminal or reorder the line.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace yumekaze::platform {

// The bytes of the bidirectional embedding, override or isolate control (U+202A-U+202E,
// U+2066-U+2069) at text[at] in UTF-8; 0 when none starts there. Such a control makes a terminal
// show the text that follows it in another order than it stands.
size_t BidiControlLength(std::string_view text, size_t at);

// UTF-8 text with line feeds replaced by newline and every other control character (C0, DEL,
// C1, bidirectional controls), which could drive a terminal, by replacement.
std::string WithoutControls(std::string_view text, char replacement, std::string_view newline);

}  // namespace yumekaze::platform
