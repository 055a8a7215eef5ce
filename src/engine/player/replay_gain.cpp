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

void TMP3Player::SetReplayGainPreventClipping(bool value) {
  if (value == replay_gain_prevent_clipping_) return;
  replay_gain_prevent_clipping_ = value;
  PostUnlessPending(MPM_EQUALIZER);
}

// Only lowering: a file without a stored gain has no stored peak either, and a raise would be
// held back to unity at once.
void TMP3Player::SetReplayGainDefault(double decibels) {
  if (!(decibels >= -20.0 && decibels <= 0.0) || decibels == replay_gain_default_) return;
  replay_gain_default_ = decibels;
  PostUnlessPending(MPM_EQUALIZER);
}

TMP3AppliedGain TMP3Player::ReplayGainApplied() const {
  if (replay_gain_mode_ == rgmOff || !Opened()) return {};
  TReplayGain stored = file_->Info.Merged().replay_gain;
  {
    std::lock_guard decode(decode_lock_);
    const decoder::VbrHeader& header = file_->Source.HeaderFrame();
    if (header.HasLame) AddLameReplayGain(stored, header.Lame);
  }
  TMP3AppliedGain applied{TMP3AppliedGain::agTrack};
  std::optional<double> gain = stored.track_gain;
  std::optional<double> peak = stored.track_peak;
  if (replay_gain_mode_ == rgmAlbum && stored.album_gain) {
    applied.Source = TMP3AppliedGain::agAlbum;
    gain = stored.album_gain;
    if (stored.album_peak) peak = stored.album_peak;
  }
  if (!gain) {
    applied.Source = TMP3AppliedGain::agDefault;
    applied.Decibels = replay_gain_default_;
    return applied;
  }
  applied.Decibels = *gain + replay_gain_preamp_;
  // Without a stored peak the file may reach full scale anywhere, so the gain may lower it but
  // never raise it: a positive gain alone would clip every loud passage for as long as it lasts.
  // With one, preventing clipping keeps the loudest sample within full scale.
  std::optional<double> ceiling;  // dB
  if (!peak || !(*peak > 0.0)) {
    ceiling = 0.0;
  } else if (replay_gain_prevent_clipping_) {
    ceiling = -20.0 * std::log10(*peak);
  }
  if (ceiling && applied.Decibels > *ceiling) {
    applied.Decibels = *ceiling;
    applied.Limited = true;
  }
  return applied;
}

float TMP3Player::ReplayGainFactor() const {
  const TMP3AppliedGain applied = ReplayGainApplied();
  return applied.Source == TMP3AppliedGain::agNone
             ? 1.0f
             : static_cast<float>(std::pow(10.0, applied.Decibels / 20.0));
}

}  // namespace yumekaze::engine
