#include "app/settings/equalizer_store.h"

#include <QStringList>
#include <algorithm>

#include "app/settings/settings_store.h"
#include "engine/player/equalizer_presets.h"
#include "engine/player/equalizer_tables.h"
#include "engine/player/mp3_player.h"

namespace yumekaze::app {

namespace {

const QString kEnabled = QStringLiteral("Equalizer/Enabled");
const QString kPreamp = QStringLiteral("Equalizer/Preamp");
const QString kGains = QStringLiteral("Equalizer/Gains");
const QString kPresets = QStringLiteral("Equalizer/Presets");
const QString kName = QStringLiteral("Name");

int Units(double dB) {
  return engine::GainUnits(std::clamp(dB, -engine::kBandGainLimitDb, engine::kBandGainLimitDb));
}

// "3,-1.2,0": dB per band; anything that is not a number reads as 0.
QString GainsText(const std::vector<double>& gainsDb) {
  QStringList items;
  for (double gain : gainsDb) items << QString::number(gain);
  return items.join(u',');
}

std::vector<double> GainsFromText(const QString& text) {
  std::vector<double> gains;
  if (text.isEmpty()) return gains;
  for (const QString& item : text.split(u',')) gains.push_back(item.toDouble());
  gains.resize(std::min<size_t>(gains.size(), engine::TEqualizerBands::kMaxBands));
  return gains;
}

int BandsInUse(const engine::TMP3Player& player) {
  return player.EqualizerMode() == engine::memSubBand ? engine::TEqualizerBands::kMaxBands
                                                      : player.EqualizerCount();
}

}  // namespace

void RestoreEqualizer(engine::TMP3Player& player) {
  const auto settings = OpenSettings();
  engine::TEqualizerBands bands = player.Equalizer();
  bands.Enabled = settings->value(kEnabled, bands.Enabled).toBool();
  bands.Preamp = Units(settings->value(kPreamp, 0.0).toDouble());
  const std::vector<double> gains = GainsFromText(settings->value(kGains).toString());
  for (size_t band = 0; band < gains.size(); ++band) bands.Gains[band] = Units(gains[band]);
  player.SetEqualizer(bands);
}

void StoreEqualizer(const engine::TMP3Player& player) {
  const engine::TEqualizerBands& bands = player.Equalizer();
  std::vector<double> gains;
  for (int band = 0; band < BandsInUse(player); ++band)
    gains.push_back(engine::GainDb(bands.Gains[band]));
  const auto settings = OpenSettings();
  settings->setValue(kEnabled, bands.Enabled);
  settings->setValue(kPreamp, engine::GainDb(bands.Preamp));
  settings->setValue(kGains, GainsText(gains));
}

QList<TUserPreset> StoredUserPresets() {
  const auto settings = OpenSettings();
  QList<TUserPreset> presets;
  const int count = settings->beginReadArray(kPresets);
  for (int i = 0; i < count; ++i) {
    settings->setArrayIndex(i);
    TUserPreset preset{settings->value(kName).toString(),
                       GainsFromText(settings->value(QStringLiteral("Gains")).toString())};
    if (!preset.name.isEmpty() && !preset.gainsDb.empty()) presets << preset;
  }
  settings->endArray();
  return presets;
}

void StoreUserPresets(const QList<TUserPreset>& presets) {
  const auto settings = OpenSettings();
  settings->remove(kPresets);
  settings->beginWriteArray(kPresets, static_cast<int>(presets.size()));
  for (int i = 0; i < presets.size(); ++i) {
    settings->setArrayIndex(i);
    settings->setValue(kName, presets[i].name);
    settings->setValue(QStringLiteral("Gains"), GainsText(presets[i].gainsDb));
  }
  settings->endArray();
}

}  // namespace yumekaze::app
