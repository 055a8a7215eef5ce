// Equalizer presets and band gains in dB, as the equalizer window and the CLI's --eq give them.
#pragma once

#include <array>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "engine/player/equalizer_tables.h"

namespace yumekaze::engine {

// The band layout the presets are made for: six bands from 60 Hz to 16 kHz.
inline constexpr int kPresetBands = 6;
inline constexpr int kLowestBandHz = 60;
inline constexpr int kHighestBandHz = 16000;
// The range of a band's gain, in dB.
inline constexpr double kBandGainLimitDb = 12.0;

struct TEqualizerPreset {
  std::string_view Name;
  std::array<double, kPresetBands> GainsDb;
};

std::span<const TEqualizerPreset> EqualizerPresets();

// "flat", a preset's name, or gains in dB per band, lowest first, separated by commas (1 to 32
// of them, each within +/-12 dB). Empty when the text is none of these.
std::optional<std::vector<double>> ParseEqualizerGains(std::string_view text);

// The equalizer, on, with one band per gain: in frequency mode at centres spread from 60 Hz to
// 16 kHz; in subband mode each of the 32 subbands of a stream at sampleRate takes the mean gain
// of the bands whose centres lie in it, or its nearest band's (32 gains are the subbands').
TEqualizerBands BandsFromGains(const std::vector<double>& gainsDb, TMP3EqualizerMode mode,
                               int sampleRate);

}  // namespace yumekaze::engine
