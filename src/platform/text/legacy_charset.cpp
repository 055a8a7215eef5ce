#include "platform/text/legacy_charset.h"

#include <iconv.h>

#include <cstdlib>
#include <mutex>

namespace yumekaze::platform {

namespace {

std::mutex chosen_lock;
std::string chosen;

}  // namespace

std::string LegacyCharsetForLocale(std::string_view locale) {
  const std::string_view language = locale.substr(0, locale.find_first_of("_.@"));
  const std::string_view territory =
      locale.size() > language.size() && locale[language.size()] == '_'
          ? locale.substr(language.size() + 1, 2)
          : std::string_view();
  if (language == "ja") return "CP932";
  if (language == "zh") {
    return territory == "TW" || territory == "HK" || territory == "MO" ? "BIG5" : "GB18030";
  }
  if (language == "ko") return "CP949";
  if (language == "ru" || language == "uk" || language == "bg" || language == "sr") return "CP1251";
  return "CP1252";
}

std::string LocaleLegacyCharset() {
  for (const char* variable : {"LC_ALL", "LC_CTYPE", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value != nullptr && *value != '\0') return LegacyCharsetForLocale(value);
  }
  return LegacyCharsetForLocale("C");
}

bool IsKnownCharset(const std::string& name) {
  if (name.empty()) return false;
  const iconv_t handle = iconv_open("UTF-8", name.c_str());
  if (handle == reinterpret_cast<iconv_t>(-1)) return false;
  iconv_close(handle);
  return true;
}

std::string LegacyCharset() {
  const std::string user_choice = ChosenLegacyCharset();
  return user_choice.empty() ? LocaleLegacyCharset() : user_choice;
}

std::string ChosenLegacyCharset() {
  std::lock_guard lock(chosen_lock);
  return chosen;
}

void SetLegacyCharset(const std::string& name) {
  std::lock_guard lock(chosen_lock);
  chosen = name;
}

}  // namespace yumekaze::platform
