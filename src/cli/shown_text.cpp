#include "cli/shown_text.h"

#include "platform/text/file_name_text.h"
#include "platform/text/tag_text.h"
#include "platform/text/terminal_text.h"

namespace yumekaze::cli {

std::string SafeText(std::string_view bytes, char replacement, std::string_view newline) {
  return platform::WithoutControls(platform::DecodeTagText(bytes), replacement, newline);
}

std::string ShownFileName(std::string_view path) {
  return platform::WithoutControls(platform::WithReplacementCharacters(path), '?', "?");
}

}  // namespace yumekaze::cli
