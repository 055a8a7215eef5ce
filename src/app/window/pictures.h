#pragma once

#include <QIcon>

namespace yumekaze::app {

// A picture of the resource file with its normal and disabled frames, by base name
// ("play", "stop", "open", ...).
QIcon Picture(const QString& name);

// The program's 32 x 32 icon (window, tray and About box).
QIcon ProgramIcon();

}  // namespace yumekaze::app
