#include "cli/shown_text.h"

#include "platform/text/file_name_text.h"
#include "platform/text/tag_text.h"

namespace yumekaze::cli {

std::string WithoutControls(std::string_view text, char replacement, std::string_view newline) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    // C1 controls are U+0080-U+009F: 0xC2 0x80-0x9F in UTF-8.
    const bool c1 =
        c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) < 0xA0;
    if (c == '\n') {
      out += newline;
    } else if (c < 0x20 || c == 0x7F || c1) {
      out += replacement;
      if (c1) ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::string SafeText(std::string_view bytes, char replacement, std::string_view newline) {
  return WithoutControls(platform::DecodeTagText(bytes), replacement, newline);
}

std::string ShownFileName(std::string_view path) {
  return WithoutControls(platform::WithReplacementCharacters(path), '?', "?");
}

}  // namespace yumekaze::cli
