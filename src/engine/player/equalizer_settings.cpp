// The equalizer's band settings and their mapping onto the decoder's two gain sets: one gain per
// synthesis subband (all layers), or one per Layer III spectral line.
#include <algorithm>
#include <cmath>
#include <mutex>

#include "engine/player/mp3_player.h"
#include "engine/stream/mp_assert.h"

namespace yumekaze::engine {
namespace {

constexpr int kSubbands = 32;
constexpr int kLines = 576;
constexpr int kHighestFrequency = 24000;

// Rounds to the nearest integer, halves to even (the default rounding mode).
int RoundEven(long double value) { return static_cast<int>(std::nearbyintl(value)); }

int SubbandCentre(int sampleRate, int subband) {
  MPAssert(sampleRate > 0 && subband >= 0 && subband < kSubbands);
  return RoundEven(static_cast<long double>(sampleRate) / 64 * (subband + 0.5L));
}

int LineCentre(int sampleRate, int line) {
  MPAssert(sampleRate > 0 && line >= 0 && line < kLines);
  return RoundEven(static_cast<long double>(sampleRate) / 1152 * (line + 0.5L));
}

}  // namespace

int TMP3Player::EqualizerGain(int band) const {
  return band >= 0 && band < kSubbands ? equalizer_gains_[band] : 0;
}

void TMP3Player::SetEqualizerGain(int band, int gain) {
  if (band < 0 || band >= kSubbands || equalizer_gains_[band] == gain) return;
  equalizer_gains_[band] = gain;
  PostUnlessPending(MPM_EQUALIZER);
}

int TMP3Player::EqualizerBandFrequency(int band) const {
  return band >= 0 && band < kSubbands ? equalizer_bands_[band] : 0;
}

// Each band divides the remaining ratio evenly in log scale among the bands still to place, so
// the rounding of one band carries into the next.
void TMP3Player::SetFrequencyRange(int low, int high) {
  if (equalizer_mode_ != memFreq || low < 1 || high < low || high > kHighestFrequency) return;
  equalizer_bands_[0] = low;
  for (int i = 1; i <= equalizer_count_ - 2; ++i) {
    const long double previous = equalizer_bands_[i - 1];
    equalizer_bands_[i] =
        RoundEven(previous * std::pow(high / previous, 1.0L / (equalizer_count_ - i)));
    MPAssert(equalizer_bands_[i] >= equalizer_bands_[i - 1]);
  }
  equalizer_bands_[equalizer_count_ - 1] = high;
  PostUnlessPending(MPM_EQUALIZER);
}

float TMP3Player::BandFactor(int band) const {
  return static_cast<float>(std::pow(10.0L, equalizer_gains_[band] / 100.0L));
}

// The band nearest in log-frequency to a centre frequency; the first of equals wins.
int TMP3Player::NearestBand(double centre) const {
  int nearest = 0;
  float best = 2147483648.0f;
  for (int band = 0; band < equalizer_count_; ++band) {
    const float frequency = static_cast<float>(std::max(equalizer_bands_[band], 1));
    float ratio = frequency / static_cast<float>(centre);
    if (ratio < 1.0f) ratio = 1.0f / ratio;
    if (ratio < best) {
      best = ratio;
      nearest = band;
    }
  }
  return nearest;
}

void TMP3Player::HandleEqualizer() {
  window_.RemovePending(MPM_EQUALIZER);
  ApplyEqualizer();
}

void TMP3Player::ApplyEqualizer() {
  if (!Opened()) return;
  // The worker reads the tables while it decodes; the decode lock keeps a frame from seeing a
  // half-written table.
  const float replay_gain = ReplayGainFactor();
  std::lock_guard decode(decode_lock_);
  int32_t& subband_enabled = *decoder::GetSubbandEqEnabledPtr(*decoder_);
  int32_t& line_enabled = *decoder::GetLineEqEnabledPtr(*decoder_);
  ApplyEqualizerBands();
  // ReplayGain rides on the line gains while they are in use, else on the subband gains.
  if (replay_gain == 1.0f) return;
  if (line_enabled) {
    for (int k = 0; k < kLines; ++k) *decoder::GetLineGainPtr(*decoder_, k) *= replay_gain;
    return;
  }
  for (int s = 0; s < kSubbands; ++s) {
    float& gain = *decoder::GetSubbandGainPtr(*decoder_, s);
    gain = (subband_enabled ? gain : 1.0f) * replay_gain;
  }
  subband_enabled = 1;
}

void TMP3Player::ApplyEqualizerBands() {
  int32_t& subband_enabled = *decoder::GetSubbandEqEnabledPtr(*decoder_);
  int32_t& line_enabled = *decoder::GetLineEqEnabledPtr(*decoder_);
  if (equalizer_mode_ == memSubBand) {
    subband_enabled = equalizer_enabled_ ? 1 : 0;
    line_enabled = 0;
    for (int s = 0; s < kSubbands; ++s) *decoder::GetSubbandGainPtr(*decoder_, s) = BandFactor(s);
    if (sample_rate_ > 0) {
      for (int s = 0; s < kSubbands; ++s) equalizer_bands_[s] = SubbandCentre(sample_rate_, s);
    }
  } else if (LayerNumber() == 3) {
    subband_enabled = 0;
    line_enabled = equalizer_enabled_ ? 1 : 0;
    if (equalizer_enabled_) {
      for (int k = 0; k < kLines; ++k) {
        *decoder::GetLineGainPtr(*decoder_, k) =
            BandFactor(NearestBand(LineCentre(sample_rate_, k)));
      }
    }
  } else {
    subband_enabled = equalizer_enabled_ ? 1 : 0;
    line_enabled = 0;
    if (equalizer_enabled_) {
      for (int s = 0; s < kSubbands; ++s) {
        *decoder::GetSubbandGainPtr(*decoder_, s) =
            BandFactor(NearestBand(SubbandCentre(sample_rate_, s)));
      }
    }
  }
}

}  // namespace yumekaze::engine
