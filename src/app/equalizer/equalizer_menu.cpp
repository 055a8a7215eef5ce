#include "app/equalizer/equalizer_menu.h"

#include <QActionGroup>
#include <QCoreApplication>
#include <QMenu>

#include "app/equalizer/equalizer_window.h"
#include "engine/player/mp3_player.h"

namespace yumekaze::app {

namespace {

// Texts of the menu, translated in the "EqualizerMenu" context.
QString Tr(const char* text) { return QCoreApplication::translate("EqualizerMenu", text); }

}  // namespace

QMenu* AddEqualizerMenu(QMenu& menu, QAction* before, const engine::TMP3Player& player,
                        TEqualizerWindow& window) {
  QAction* open = new QAction(Tr(QT_TRANSLATE_NOOP("EqualizerMenu", "Equali&zer…")), &menu);
  QObject::connect(open, &QAction::triggered, &window, &TEqualizerWindow::Raise);
  menu.insertAction(before, open);

  auto* gain = new QMenu(Tr(QT_TRANSLATE_NOOP("EqualizerMenu", "Repla&yGain")), &menu);
  auto* modes = new QActionGroup(gain);
  const std::pair<engine::TMP3ReplayGainMode, const char*> choices[] = {
      {engine::rgmOff, QT_TRANSLATE_NOOP("EqualizerMenu", "&Off")},
      {engine::rgmTrack, QT_TRANSLATE_NOOP("EqualizerMenu", "&Track")},
      {engine::rgmAlbum, QT_TRANSLATE_NOOP("EqualizerMenu", "&Album")},
  };
  for (const auto& [mode, caption] : choices) {
    QAction* action = gain->addAction(Tr(caption));
    action->setCheckable(true);
    action->setChecked(player.ReplayGainMode() == mode);
    modes->addAction(action);
    QObject::connect(action, &QAction::triggered, &window,
                     [&window, mode] { window.SetReplayGainMode(mode); });
  }
  gain->addSeparator();
  QAction* clipping = gain->addAction(Tr(QT_TRANSLATE_NOOP("EqualizerMenu", "&Prevent clipping")));
  clipping->setCheckable(true);
  clipping->setChecked(player.ReplayGainPreventClipping());
  QObject::connect(clipping, &QAction::toggled, &window, &TEqualizerWindow::SetPreventClipping);
  QObject::connect(
      gain->addAction(Tr(QT_TRANSLATE_NOOP("EqualizerMenu", "Pre-amp and &default gain…"))),
      &QAction::triggered, &window, &TEqualizerWindow::Raise);
  menu.insertMenu(before, gain);
  return gain;
}

}  // namespace yumekaze::app
