// The menu items of the equalizer window and of ReplayGain: off, track or album, and whether to
// prevent clipping. Picks reach the player at once and are kept in the settings.
#pragma once

class QAction;
class QMenu;

namespace yumekaze::engine {
class TMP3Player;
}

namespace yumekaze::app {

class TEqualizerWindow;

// Adds the window's item and the ReplayGain submenu to `menu` before `before`; returns the
// submenu.
QMenu* AddEqualizerMenu(QMenu& menu, QAction* before, const engine::TMP3Player& player,
                        TEqualizerWindow& window);

}  // namespace yumekaze::app
