#include "app/settings/session_store.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <optional>

#include "app/playlist/file_names.h"
#include "app/settings/settings_store.h"
#include "app/window/form1.h"
#include "app/window/screen_centre.h"
#include "app/window/window_system.h"

namespace yumekaze::app {

namespace {

const QString kEntries = QStringLiteral("Session/Entries");
// Beside the entries, one for each; sessions stored before names were kept have none.
const QString kStationNames = QStringLiteral("Session/StationNames");
const QString kIndex = QStringLiteral("Session/Index");
const QString kPosition = QStringLiteral("Session/PositionMs");
const QString kRepeat = QStringLiteral("Session/Repeat");
const QString kShuffle = QStringLiteral("Session/Shuffle");
const QString kWindowPlace = QStringLiteral("Session/WindowPlace");

// The stored place moved as little as needed to show the whole window on the screen it was on
// (a smaller screen since); nothing when it was on no screen there is now.
std::optional<QPoint> PlaceOnScreen(QRect window) {
  for (const QScreen* screen : QGuiApplication::screens()) {
    const QRect area = screen->availableGeometry();
    if (!area.contains(window.topLeft())) continue;
    return QPoint(
        std::max(area.left(), std::min(window.left(), area.right() + 1 - window.width())),
        std::max(area.top(), std::min(window.top(), area.bottom() + 1 - window.height())));
  }
  return std::nullopt;
}

}  // namespace

TSession CaptureSession(TForm1& form1) {
  const engine::TMPPlayQueue& list = form1.PlayList().Queue();
  QStringList entries;
  QStringList names;
  for (const QString& path : form1.PlayList().Paths()) {
    entries << PortableName(path);
    names << form1.PlayList().StationName(path);
  }
  return {.entries = entries,
          .stationNames = names,
          .index = std::max(list.CurrentIndex(), 0),
          // A station resumes live, not at a place.
          .positionMs = form1.MP3->Live() ? 0 : form1.PlayedMilliseconds(),
          .repeat = static_cast<int>(list.Repeat()),
          .shuffle = list.Shuffle(),
          .windowPlace = ProgramsPlaceWindows() ? std::optional(form1.pos()) : std::nullopt};
}

void StoreSession(const TSession& session) {
  const auto settings = OpenSettings();
  settings->setValue(kEntries, session.entries);
  const bool named = std::any_of(session.stationNames.begin(), session.stationNames.end(),
                                 [](const QString& name) { return !name.isEmpty(); });
  if (named) {
    settings->setValue(kStationNames, session.stationNames);
  } else {
    settings->remove(kStationNames);
  }
  settings->setValue(kIndex, session.index);
  settings->setValue(kPosition, session.positionMs);
  settings->setValue(kRepeat, session.repeat);
  settings->setValue(kShuffle, session.shuffle);
  // Where it is not known, a place stored in another kind of session stays for that one.
  if (session.windowPlace) settings->setValue(kWindowPlace, *session.windowPlace);
  settings->sync();
}

bool RestoreSession(TForm1& form1) {
  const auto settings = OpenSettings();
  if (ProgramsPlaceWindows()) {
    // Without a stored place the designed first place, which a small or scaled screen may not hold.
    const QPoint place = settings->value(kWindowPlace, form1.pos()).toPoint();
    if (const auto shown = PlaceOnScreen(QRect(place, form1.size()))) {
      form1.move(*shown);
    } else {
      CentreOnScreen(form1);
    }
  }
  const int repeat = settings->value(kRepeat, static_cast<int>(engine::TMPRepeatMode::All)).toInt();
  if (repeat >= 0 && repeat <= static_cast<int>(engine::TMPRepeatMode::One)) {
    form1.SetRepeat(static_cast<engine::TMPRepeatMode>(repeat));
  }
  form1.SetShuffle(settings->value(kShuffle, false).toBool());
  QStringList entries;
  for (const QString& entry : settings->value(kEntries).toStringList()) {
    entries << NameFromPortable(entry);
  }
  if (entries.isEmpty()) return false;
  const QStringList names = settings->value(kStationNames).toStringList();
  TStationNames stationNames;
  for (qsizetype i = 0; i < std::min(names.size(), entries.size()); ++i) {
    if (IsStation(entries[i]) && !names[i].isEmpty()) stationNames.insert(entries[i], names[i]);
  }
  form1.PlayList().AddNames(stationNames);
  form1.PlayList().Assign(entries);
  const int index = std::clamp(settings->value(kIndex, 0).toInt(), 0, int(entries.size()) - 1);
  // Loaded to go on from the stored time at the next play; nothing sounds before.
  form1.RestoreEntry(index, settings->value(kPosition, 0).toLongLong());
  return true;
}

}  // namespace yumekaze::app
