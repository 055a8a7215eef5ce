// Which sound device the desktop player plays through: `--device NAME` on the command line, else
// the environment variable YUMEKAZE_DEVICE, else the choice stored from the menu, else "auto"
// (the sound server when one answers, else ALSA's default device, asked again at each play).
// Names as for yumekaze-cli:
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
  // What the user should be told: a name that is not known.
  QString problem;
};

// Takes `--device NAME` (or `--device=NAME`) out of `arguments`, the program's arguments after
// its name, and chooses.
TWaveDeviceChoice ChooseWaveDevice(QStringList& arguments);

// The device for `name`; never empty: when nothing else can play, ALSA's default device, whose
// Open then says why. `problem` names a name that is not known; "auto" finding no device is no
// problem here, as the sound server may still come: each play asks again (see RefreshAuto).
std::unique_ptr<engine::TWaveDevice> CreateChosenWaveDevice(const QString& name, QString& problem);

// The sound output in the player, by the name chosen at start or in the menu.
class TWaveDeviceSelection {
 public:
  TWaveDeviceSelection(engine::TMP3Player& player, QString name)
      : player_(player), name_(std::move(name)) {}
  const QString& Name() const { return name_; }
  // Stores `name` for the next start and puts its device in the player, where what plays goes
  // on; throws as the player's SetWaveDevice when the new device cannot play.
  void Choose(const QString& name);
  // Before a play of the stopped player under "auto": a device of what auto finds now, when that
  // is another kind than the player's (a sound server that came up after the start, or went
  // away). Nothing when auto finds nothing: the play then says why.
  void RefreshAuto();

 private:
  engine::TMP3Player& player_;
  QString name_;
};

// Adds the sound output choices to `menu` before `before`: picking one chooses it in `selection`;
// `prompts` shows any problem.
void AddWaveDeviceMenu(QMenu& menu, QAction* before, TWaveDeviceSelection& selection,
                       TUserPrompts& prompts);

}  // namespace yumekaze::app
