// The legacy character set of tag text that is not UTF-8: a setting that follows the locale
// unless the user chose one.
#pragma once

#include <string>
#include <string_view>

namespace yumekaze::platform {

// The set for a locale name such as "ja_JP.UTF-8": CP932 for Japanese, GB18030 for simplified
// and Big5 for traditional Chinese, CP949 for Korean, CP1251 for Russian, Ukrainian, Bulgarian and
// Serbian, CP1252 (a superset of ISO-8859-1) otherwise.
std::string LegacyCharsetForLocale(std::string_view locale);

// The set for the locale of this process's environment (LC_ALL, LC_CTYPE, LANG, the first set).
std::string LocaleLegacyCharset();

// Whether iconv converts from name to UTF-8.
bool IsKnownCharset(const std::string& name);

// The set in use: the user's choice, or the locale's while there is none. Thread-safe.
std::string LegacyCharset();
// The user's choice; empty while there is none.
std::string ChosenLegacyCharset();
// name empty: follow the locale again.
void SetLegacyCharset(const std::string& name);

}  // namespace yumekaze::platform
