#include "app/settings/replay_gain_store.h"

#include "app/settings/settings_store.h"
#include "engine/player/mp3_player.h"

namespace yumekaze::app {

namespace {

const QString kMode = QStringLiteral("ReplayGain/Mode");
const QString kPreamp = QStringLiteral("ReplayGain/Preamp");
const QString kPreventClipping = QStringLiteral("ReplayGain/PreventClipping");
const QString kDefaultGain = QStringLiteral("ReplayGain/DefaultGain");

}  // namespace

void RestoreReplayGain(engine::TMP3Player& player) {
  const auto settings = OpenSettings();
  // The setters ignore values out of their range, as a hand-edited file may hold.
  const int mode = settings->value(kMode, player.ReplayGainMode()).toInt();
  if (mode >= engine::rgmOff && mode <= engine::rgmAlbum)
    player.SetReplayGainMode(static_cast<engine::TMP3ReplayGainMode>(mode));
  player.SetReplayGainPreamp(settings->value(kPreamp, player.ReplayGainPreamp()).toDouble());
  player.SetReplayGainPreventClipping(
      settings->value(kPreventClipping, player.ReplayGainPreventClipping()).toBool());
  player.SetReplayGainDefault(settings->value(kDefaultGain, player.ReplayGainDefault()).toDouble());
}

void StoreReplayGain(const engine::TMP3Player& player) {
  const auto settings = OpenSettings();
  settings->setValue(kMode, static_cast<int>(player.ReplayGainMode()));
  settings->setValue(kPreamp, player.ReplayGainPreamp());
  settings->setValue(kPreventClipping, player.ReplayGainPreventClipping());
  settings->setValue(kDefaultGain, player.ReplayGainDefault());
}

}  // namespace yumekaze::app
