// ReplayGain as the user set it, kept in the settings (group "ReplayGain"): the mode, the pre-amp,
// whether to prevent clipping and the gain for files without ReplayGain.
#pragma once

namespace yumekaze::engine {
class TMP3Player;
}

namespace yumekaze::app {

// Puts the stored choices into the player; what was never stored keeps the player's default.
void RestoreReplayGain(engine::TMP3Player& player);
void StoreReplayGain(const engine::TMP3Player& player);

}  // namespace yumekaze::app
