#include "app/equalizer/preset_list.h"

#include "engine/player/equalizer_presets.h"
#include "engine/player/mp3_player.h"

namespace yumekaze::app {

namespace {

// The rate subband centres are taken at while nothing is open.
constexpr int kUsualRate = 44100;

}  // namespace

TPresetList::TPresetList() {
  for (const engine::TEqualizerPreset& preset : engine::EqualizerPresets()) {
    presets_.push_back({QString::fromLatin1(preset.Name.data(), preset.Name.size()),
                        std::vector<double>(preset.GainsDb.begin(), preset.GainsDb.end())});
  }
  for (const TUserPreset& own : StoredUserPresets()) {
    if (!Find(own.name)) presets_.push_back({own.name, own.gainsDb, true});
  }
}

qsizetype TPresetList::IndexOf(const QString& name) const {
  for (qsizetype i = 0; i < presets_.size(); ++i) {
    if (presets_[i].name == name) return i;
  }
  return -1;
}

const TPresetList::TPreset* TPresetList::Find(const QString& name) const {
  const qsizetype index = IndexOf(name);
  return index < 0 ? nullptr : &presets_[index];
}

bool TPresetList::Save(const QString& name, const std::vector<double>& gainsDb) {
  const QString trimmed = name.trimmed();
  const qsizetype index = IndexOf(trimmed);
  if (trimmed.isEmpty() || gainsDb.empty() || (index >= 0 && !presets_[index].own)) return false;
  if (index >= 0) {
    presets_[index].gainsDb = gainsDb;
  } else {
    presets_.push_back({trimmed, gainsDb, true});
  }
  Store();
  return true;
}

bool TPresetList::Remove(const QString& name) {
  const qsizetype index = IndexOf(name);
  if (index < 0 || !presets_[index].own) return false;
  presets_.removeAt(index);
  Store();
  return true;
}

void TPresetList::Store() const {
  QList<TUserPreset> own;
  for (const TPreset& preset : presets_) {
    if (preset.own) own.push_back({preset.name, preset.gainsDb});
  }
  StoreUserPresets(own);
}

std::vector<int> PresetGains(const std::vector<double>& gainsDb, const engine::TMP3Player& player) {
  const int rate = player.SampleRate() > 0 ? player.SampleRate() : kUsualRate;
  const engine::TEqualizerBands preset =
      engine::BandsFromGains(gainsDb, player.EqualizerMode(), rate);
  std::vector<int> gains;
  if (player.EqualizerMode() == engine::memSubBand) {
    gains.assign(std::begin(preset.Gains), std::end(preset.Gains));
    return gains;
  }
  // Each of the player's bands takes the gain of the preset's band nearest to it; with the
  // player's usual six bands from 60 Hz to 16 kHz the two layouts are the same.
  for (int band = 0; band < player.EqualizerCount(); ++band) {
    gains.push_back(preset.Gains[engine::NearestBand(preset, player.EqualizerBandFrequency(band))]);
  }
  return gains;
}

}  // namespace yumekaze::app
