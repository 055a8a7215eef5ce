// ReplayGain: the gain the file's tags store (TXXX, APEv2, RVA2, else its LAME tag), applied as one
// factor on the subband samples before the synthesis (through the decoder's equalizer tables),
// where it costs nothing extra and loses nothing to a second rounding of 16-bit samples.
#include <algorithm>
#include <cmath>
#include <optional>

#include "engine/player/mp3_player.h"
#include "engine/tags/mp3_info.h"
#include "engine/tags/tag_fields.h"

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
  TReplayGain stored = file_->Info.Merged().replay_gain;
  {
    std::lock_guard decode(decode_lock_);
    const decoder::VbrHeader& header = file_->Source.HeaderFrame();
    if (header.HasLame) AddLameReplayGain(stored, header.Lame);
  }
  std::optional<double> gain = stored.track_gain;
  std::optional<double> peak = stored.track_peak;
  if (replay_gain_mode_ == rgmAlbum && stored.album_gain) {
    gain = stored.album_gain;
    if (stored.album_peak) peak = stored.album_peak;
  }
  if (!gain) return 1.0f;
  double factor = std::pow(10.0, (*gain + replay_gain_preamp_) / 20.0);
  // The loudest sample stays within full scale. Without a stored peak the file may reach full
  // scale anywhere, so the gain may lower it but never raise it: a positive gain alone would clip
  // every loud passage for as long as it lasts.
  constexpr double kFullScale = 1.0;
  factor = std::min(factor, 1.0 / (peak && *peak > 0.0 ? *peak : kFullScale));
  return static_cast<float>(factor);
}

}  // namespace yumekaze::engine
