#pragma once

#include <QSettings>
#include <memory>

namespace yumekaze::app {

// The program's settings: organisation "velmor", application "Play", in the user's config
// folder. Group "File" holds the open dialog's start folder, group "Settings" the link colours.
std::unique_ptr<QSettings> OpenSettings();

}  // namespace yumekaze::app
