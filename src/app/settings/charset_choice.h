// The legacy character set of tag text that is not UTF-8, chosen in a submenu and stored in the
// settings (group "Text", key "Charset"; empty follows the locale).
#pragma once

#include <functional>

class QMenu;

namespace yumekaze::app {

// Adds the submenu to menu; after the user picks a set it is stored, applied, and changed runs
// (to show the texts again).
QMenu* AddCharsetMenu(QMenu* menu, std::function<void()> changed);

// Applies the stored choice; at start-up, before any text is shown.
void ApplyStoredCharset();

}  // namespace yumekaze::app
