// The equalizer's presets: the built-in ones, then the user's own, which are kept in the settings.
// A preset's gains fit any band layout of the player.
#pragma once

#include <QList>
#include <QString>
#include <vector>

#include "app/settings/equalizer_store.h"

namespace yumekaze::engine {
class TMP3Player;
}

namespace yumekaze::app {

class TPresetList {
 public:
  struct TPreset {
    QString name;
    std::vector<double> gainsDb;  // per band, lowest first, bands spread from 60 Hz to 16 kHz
    bool own = false;             // the user's: it may be replaced or deleted
  };

  TPresetList();
  const QList<TPreset>& Presets() const { return presets_; }
  const TPreset* Find(const QString& name) const;
  // Keeps gains as the user's preset `name`, replacing one of that name; false when the name is
  // empty or a built-in preset's.
  bool Save(const QString& name, const std::vector<double>& gainsDb);
  // Deletes the user's preset `name`; false for a built-in one or an unknown name.
  bool Remove(const QString& name);

 private:
  qsizetype IndexOf(const QString& name) const;  // -1: none of that name
  void Store() const;

  QList<TPreset> presets_;
};

// The gains (the player's units, 5 per dB) a preset gives each band the player uses now: its
// frequency bands, or in subband mode its 32 subbands.
std::vector<int> PresetGains(const std::vector<double>& gainsDb, const engine::TMP3Player& player);

}  // namespace yumekaze::app
