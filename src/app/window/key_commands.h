#pragma once

#include <QString>

class QWidget;

namespace yumekaze::app {

class TForm1;

// The keys of the common commands, active in window: on the main window P play/pause, S stop,
// N next, B previous, O open, L play list, T sleep timer, Left/Right seek 5 s, Up/Down volume;
// on both it and the play list Ctrl+Q quit and the keyboard's media keys.
void InstallKeyCommands(TForm1& form1, QWidget& window);

// The main window's keys, for tips.
QString KeyCommandsHelp();
// The play list's own keys, for its help line.
QString PlayListKeysHelp();

}  // namespace yumekaze::app
