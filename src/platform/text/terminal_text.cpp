#include "platform/text/terminal_text.h"

namespace yumekaze::platform {

size_t BidiControlLength(std::string_view text, size_t at) {
  if (at + 2 >= text.size() || static_cast<unsigned char>(text[at]) != 0xE2) return 0;
  const auto second = static_cast<unsigned char>(text[at + 1]);
  const auto third = static_cast<unsigned char>(text[at + 2]);
  // U+202A-U+202E: E2 80 AA-AE; U+2066-U+2069: E2 81 A6-A9.
  const bool embedding = second == 0x80 && third >= 0xAA && third <= 0xAE;
  const bool isolate = second == 0x81 && third >= 0xA6 && third <= 0xA9;
  return embedding || isolate ? 3 : 0;
}

std::string WithoutControls(std::string_view text, char replacement, std::string_view newline) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    // C1 controls are U+0080-U+009F: 0xC2 0x80-0x9F in UTF-8.
    const bool c1 =
        c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) < 0xA0;
    const size_t bidi = BidiControlLength(text, i);
    if (c == '\n') {
      out += newline;
    } else if (c < 0x20 || c == 0x7F || c1 || bidi > 0) {
      out += replacement;
      if (c1) ++i;
      if (bidi > 0) i += bidi - 1;
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace yumekaze::platform
