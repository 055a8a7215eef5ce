#include "engine/player/equalizer_presets.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace yumekaze::engine {
namespace {

// Gains for the bands at about 60, 184, 562, 1720, 5260 and 16000 Hz.
constexpr TEqualizerPreset kPresets[] = {
    {"flat", {0, 0, 0, 0, 0, 0}},      {"bass", {6, 4, 1, 0, 0, 0}},
    {"treble", {0, 0, 0, 1, 4, 6}},    {"vocal", {-3, -1, 3, 4, 2, -1}},
    {"loudness", {6, 3, 0, -1, 2, 5}}, {"classical", {3, 2, -1, 0, 2, 3}},
    {"rock", {5, 3, -2, -1, 3, 5}},    {"pop", {-1, 2, 4, 3, 0, -1}},
};

}  // namespace

std::span<const TEqualizerPreset> EqualizerPresets() { return kPresets; }

std::optional<std::vector<double>> ParseEqualizerGains(std::string_view text) {
  for (const TEqualizerPreset& preset : kPresets) {
    if (text == preset.Name)
      return std::vector<double>(preset.GainsDb.begin(), preset.GainsDb.end());
  }
  std::vector<double> gains;
  while (true) {
    const size_t comma = text.find(',');
    const std::string_view item = text.substr(0, comma);
    double gain = 0;
    const auto [end, error] = std::from_chars(item.data(), item.data() + item.size(), gain);
    if (item.empty() || error != std::errc() || end != item.data() + item.size() ||
        !(std::fabs(gain) <= kBandGainLimitDb)) {
      return std::nullopt;
    }
    gains.push_back(gain);
    if (comma == std::string_view::npos) break;
    text.remove_prefix(comma + 1);
  }
  if (gains.size() > static_cast<size_t>(TEqualizerBands::kMaxBands)) return std::nullopt;
  return gains;
}

TEqualizerBands BandsFromGains(const std::vector<double>& gainsDb, TMP3EqualizerMode mode,
                               int sampleRate) {
  TEqualizerBands bands;
  bands.Enabled = true;
  bands.Mode = mode;
  bands.Count = std::clamp(static_cast<int>(gainsDb.size()), 1, TEqualizerBands::kMaxBands);
  SpreadBandFrequencies(bands, kLowestBandHz, kHighestBandHz);
  for (int band = 0; band < bands.Count && band < static_cast<int>(gainsDb.size()); ++band) {
    bands.Gains[band] = GainUnits(gainsDb[band]);
  }
  if (mode != memSubBand || bands.Count == TEqualizerBands::kMaxBands || sampleRate <= 0) {
    return bands;
  }
  const TEqualizerBands layout = bands;
  const double width = sampleRate / 64.0;
  for (int s = 0; s < TEqualizerBands::kMaxBands; ++s) {
    double sum = 0;
    int inside = 0;
    for (int band = 0; band < layout.Count; ++band) {
      if (layout.Frequencies[band] >= s * width && layout.Frequencies[band] < (s + 1) * width) {
        sum += gainsDb[band];
        ++inside;
      }
    }
    bands.Gains[s] = inside > 0 ? GainUnits(sum / inside)
                                : layout.Gains[NearestBand(layout, SubbandCentre(sampleRate, s))];
  }
  return bands;
}

}  // namespace yumekaze::engine
