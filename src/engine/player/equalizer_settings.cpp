// The equalizer's settings on the player; equalizer_tables.cpp turns them into the decoder's
// gain sets, with ReplayGain riding on them.
#include <mutex>

#include "engine/player/mp3_player.h"

namespace yumekaze::engine {
namespace {

constexpr int kSubbands = 32;
constexpr int kLines = 576;
constexpr int kHighestFrequency = 24000;

}  // namespace

int TMP3Player::EqualizerGain(int band) const {
  return band >= 0 && band < kSubbands ? equalizer_.Gains[band] : 0;
}

void TMP3Player::SetEqualizerGain(int band, int gain) {
  if (band < 0 || band >= kSubbands || equalizer_.Gains[band] == gain) return;
  equalizer_.Gains[band] = gain;
  PostUnlessPending(MPM_EQUALIZER);
}

int TMP3Player::EqualizerBandFrequency(int band) const {
  return band >= 0 && band < kSubbands ? equalizer_.Frequencies[band] : 0;
}

void TMP3Player::SetFrequencyRange(int low, int high) {
  if (equalizer_.Mode != memFreq || low < 1 || high < low || high > kHighestFrequency) return;
  SpreadBandFrequencies(equalizer_, low, high);
  PostUnlessPending(MPM_EQUALIZER);
}

// At once, not by message: a file just opened starts with its equalizer, and a change while
// playing is heard from the next frame.
void TMP3Player::SetEqualizer(const TEqualizerBands& bands) {
  equalizer_ = bands;
  ApplyEqualizer();
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
  FillEqualizerTables(equalizer_, sample_rate_, LayerNumber(), *decoder_);
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

}  // namespace yumekaze::engine
