#pragma once

#include <QString>

class QWidget;

namespace yumekaze::app {

class TForm1;

// The keys of the common commands, active in window (the main window or the play list):
// P play/pause, S stop, N next, B previous, O open, L play list, T sleep timer, Left/Right seek
// 5 s, Up/Down volume, Ctrl+Q quit, and the keyboard's media keys.
void InstallKeyCommands(TForm1& form1, QWidget& window);

// The list of those keys, for tips and the play list's help line.
QString KeyCommandsHelp();

}  // namespace yumekaze::app
