#pragma once

#include <QIcon>

namespace yumekaze::app {

// A picture of the resource file with its normal and disabled frames, by base name
// ("play", "stop", "open", ...), each also drawn at twice the size.
QIcon Picture(const QString& name);

// The program's 32 x 32 icon (window, tray and About box), 64 x 64 for screens scaled by two.
QIcon ProgramIcon();

}  // namespace yumekaze::app
