#pragma once

#include <QPoint>
#include <QStringList>
#include <optional>

namespace yumekaze::app {

class TForm1;

// The session kept across runs: the play list with the names lists gave its stations, its current
// entry and the time played of it, repeat and shuffle, and the main window's place where the
// window system lets programs know it.
struct TSession {
  QStringList entries;
  QStringList stationNames;  // beside entries: a station's name from its list, else empty
  int index = 0;
  qint64 positionMs = 0;
  int repeat = 0;
  bool shuffle = false;
  std::optional<QPoint> windowPlace;
  bool operator==(const TSession&) const = default;
};

// The session as the window and its player have it now.
TSession CaptureSession(TForm1& form1);
// Writes the session into the settings file; QSettings replaces the file by renaming a complete
// new one over it, so an end at any moment leaves the old session or the new one.
void StoreSession(const TSession& session);
// Brings a stored session back: the current entry is loaded, stopped and silent, and the next
// play starts at the stored time. The window comes back to its place when that lies on a screen
// there is now, else to the middle of the screen. False when no list was stored.
bool RestoreSession(TForm1& form1);

}  // namespace yumekaze::app
