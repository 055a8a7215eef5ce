// Which of two readings an 8-bit tag text is meant in: Latin-1, as the tag standards say, or the
// legacy set of the user's locale, which many Japanese, Chinese, Korean and Russian files carry in
// the same fields. Decided per text, so that neither language's files turn into mojibake.
#pragma once

#include <string>
#include <string_view>

namespace yumekaze::platform {

// Latin-1 as read here: CP1252, which is ISO-8859-1 with printable characters in place of the
// C1 controls (curly quotes, dashes, the euro sign).
inline const std::string kLatin1Charset = "CP1252";

// Whether bytes (not UTF-8) are text in legacy (iconv's name) rather than Latin-1: only when
// legacy decodes every byte into characters of its own script that are plausible in that
// order, and the Latin-1 reading is not plausible, or is no more plausible and uchardet, asked
// about the whole text, names legacy's family.
bool ReadsAsLegacy(std::string_view bytes, const std::string& legacy);

}  // namespace yumekaze::platform
