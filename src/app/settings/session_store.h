#pragma once

#include <QPoint>
#include <QStringList>

namespace yumekaze::app {

class TForm1;

// The session kept across runs: the play list, its current entry and the time played of it,
// repeat and shuffle, and the main window's place.
struct TSession {
  QStringList entries;
  int index = 0;
  qint64 positionMs = 0;
  int repeat = 0;
  bool shuffle = false;
  QPoint windowPlace;
  bool operator==(const TSession&) const = default;
};

// The session as the window and its player have it now.
TSession CaptureSession(TForm1& form1);
// Writes the session into the settings file; QSettings replaces the file by renaming a complete
// new one over it, so an end at any moment leaves the old session or the new one.
void StoreSession(const TSession& session);
// Brings a stored session back: the current entry is loaded, stopped and silent, and the next
// play starts at the stored time. False when none was stored.
bool RestoreSession(TForm1& form1);

}  // namespace yumekaze::app
