// The equalizer as the user left it, kept in the settings (group "Equalizer"): on or off, the
// pre-amp and the band gains in dB, and the user's own presets.
#pragma once

#include <QList>
#include <QString>
#include <vector>

namespace yumekaze::engine {
class TMP3Player;
}

namespace yumekaze::app {

// Puts the stored switch, pre-amp and gains into the player's equalizer; its band layout stays.
void RestoreEqualizer(engine::TMP3Player& player);
// Stores the player's switch, pre-amp and the gains of the bands in use.
void StoreEqualizer(const engine::TMP3Player& player);

struct TUserPreset {
  QString name;
  std::vector<double> gainsDb;  // per band, lowest first
};
QList<TUserPreset> StoredUserPresets();
void StoreUserPresets(const QList<TUserPreset>& presets);

}  // namespace yumekaze::app
