#include "app/session_store.h"

#include <QGuiApplication>
#include <QScreen>

#include "app/form1.h"
#include "app/settings_store.h"

namespace yumekaze::app {

namespace {

const QString kEntries = QStringLiteral("Session/Entries");
const QString kIndex = QStringLiteral("Session/Index");
const QString kPosition = QStringLiteral("Session/PositionMs");
const QString kRepeat = QStringLiteral("Session/Repeat");
const QString kShuffle = QStringLiteral("Session/Shuffle");
const QString kWindowPlace = QStringLiteral("Session/WindowPlace");

bool OnSomeScreen(QPoint place) {
  for (const QScreen* screen : QGuiApplication::screens()) {
    if (screen->availableGeometry().contains(place)) return true;
  }
  return false;
}

}  // namespace

void SaveSession(TForm1& form1) {
  const auto settings = OpenSettings();
  const TPlayList& list = form1.PlayList();
  settings->setValue(kEntries, list.Entries());
  settings->setValue(kIndex, list.PlayListIndex());
  settings->setValue(kPosition,
                     qlonglong{form1.MP3->Opened() ? form1.MP3->PlayedMilliseconds() : 0});
  settings->setValue(kRepeat, static_cast<int>(list.Repeat()));
  settings->setValue(kShuffle, list.Shuffle());
  settings->setValue(kWindowPlace, form1.pos());
  settings->sync();
}

bool RestoreSession(TForm1& form1) {
  const auto settings = OpenSettings();
  const QPoint place = settings->value(kWindowPlace).toPoint();
  if (settings->contains(kWindowPlace) && OnSomeScreen(place)) form1.move(place);
  const int repeat = settings->value(kRepeat, static_cast<int>(TRepeatMode::All)).toInt();
  if (repeat >= 0 && repeat <= static_cast<int>(TRepeatMode::One)) {
    form1.SetRepeat(static_cast<TRepeatMode>(repeat));
  }
  form1.SetShuffle(settings->value(kShuffle, false).toBool());
  const QStringList entries = settings->value(kEntries).toStringList();
  if (entries.isEmpty()) return false;
  form1.PlayList().Assign(entries);
  const int index = std::clamp(settings->value(kIndex, 0).toInt(), 0, int(entries.size()) - 1);
  try {
    form1.LoadEntry(index);
    // Back at the stored place, paused there: playback starts, pauses and moves at once.
    const qlonglong position = settings->value(kPosition, 0).toLongLong();
    if (position > 0) {
      form1.Button1Click();
      if (form1.MP3->Status() == engine::kStatusPlaying) {
        form1.Button5Click();
        form1.SeekTo(position);
      }
    }
  } catch (const std::exception&) {
    // A file gone since the last run: the list stays, the lines are empty.
  }
  return true;
}

}  // namespace yumekaze::app
