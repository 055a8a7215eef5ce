// Which sound device the desktop player plays through: `--device NAME` on the command line, else
// the environment variable YUMEKAZE_DEVICE, else the choice stored from the menu, else "auto"
// (the sound server when one answers, else ALSA's default device). Names as for yumekaze-cli:
// auto, pulse[:SINK], alsa[:NAME], null, wav:PATH.
#pragma once

#include <QString>
#include <QStringList>
#include <memory>

#include "app/dialogs/user_prompts.h"
#include "engine/sound/wave_device.h"

class QAction;
class QMenu;

namespace yumekaze::engine {
class TMP3Player;
}

namespace yumekaze::app {

struct TWaveDeviceChoice {
  QString name;
  std::unique_ptr<engine::TWaveDevice> device;
  // What the user should be told: no sound output at all, or a name that is not known.
  QString problem;
};

// Takes `--device NAME` (or `--device=NAME`) out of `arguments`, the program's arguments after
// its name, and chooses.
TWaveDeviceChoice ChooseWaveDevice(QStringList& arguments);

// The device for `name`; never empty: when nothing else can play, ALSA's default device, whose
// Open then says why. `problem` as above.
std::unique_ptr<engine::TWaveDevice> CreateChosenWaveDevice(const QString& name, QString& problem);

// Adds the sound output choices to `menu` before `before`: picking one stores it in the settings
// and puts the device in the player, where what plays goes on; `prompts` shows any problem.
void AddWaveDeviceMenu(QMenu& menu, QAction* before, engine::TMP3Player& player,
                       TUserPrompts& prompts, const QString& current);

}  // namespace yumekaze::app
