// ReplayGain: the gain the file's LAME tag stores, applied as one factor on the subband samples
// before the synthesis (through the decoder's equalizer tables), where it costs nothing extra and
// loses nothing to a second rounding of 16-bit samples.
#include <algorithm>
#include <cmath>

#include "engine/player/mp3_player.h"

namespace yumekaze::engine {

void TMP3Player::SetReplayGainMode(TMP3ReplayGainMode value) {
  if (value == replay_gain_mode_ || value > rgmAlbum) return;
  replay_gain_mode_ = value;
  PostUnlessPending(MPM_EQUALIZER);
}

void TMP3Player::SetReplayGainPreamp(double decibels) {
  if (!(decibels >= -20.0 && decibels <= 20.0) || decibels == replay_gain_preamp_) return;
  replay_gain_preamp_ = decibels;
  PostUnlessPending(MPM_EQUALIZER);
}

float TMP3Player::ReplayGainFactor() const {
  if (replay_gain_mode_ == rgmOff || !Opened()) return 1.0f;
  std::lock_guard decode(decode_lock_);
  const decoder::VbrHeader& header = source_.HeaderFrame();
  if (!header.HasLame) return 1.0f;
  const decoder::LameTag& lame = header.Lame;
  const decoder::LameReplayGain* gain = nullptr;
  if (replay_gain_mode_ == rgmAlbum && lame.AudiophileGain.Present) gain = &lame.AudiophileGain;
  if (gain == nullptr && lame.RadioGain.Present) gain = &lame.RadioGain;
  if (gain == nullptr) return 1.0f;
  double factor = std::pow(10.0, (gain->GainDb + replay_gain_preamp_) / 20.0);
  // The loudest sample stays within full scale.
  if (lame.TrackPeak > 0.0f) factor = std::min(factor, 1.0 / lame.TrackPeak);
  return static_cast<float>(factor);
}

}  // namespace yumekaze::engine
