#pragma once

#include <QObject>

#include "app/desktop/desktop_notifications.h"

class QAction;

namespace yumekaze::app {

class TForm1;

// A desktop notice naming the title, artist and album with the cover whenever another file, or
// a station's next title, plays while none of the program's windows is active; each replaces
// the one before, and the same track again (a restart, a station's repeated title) is not told
// twice in a row. A ticked item of the main menu, kept in the settings (on at first), turns them
// off.
class TTrackNotices : public QObject {
  Q_OBJECT

 public:
  explicit TTrackNotices(TForm1& form1);

  static bool Enabled();
  static void SetEnabled(bool on);

  QAction* MenuItem;

 private:
  // The player changed (a file's cover search ended, a station's next title came, ...): tells
  // what plays once its cover is known, unless it was the last thing told.
  void Tell();

  TForm1& form1_;
  TDesktopNotifications notifications_;
  QString told_;  // file, title, artist and album of the last notice
};

}  // namespace yumekaze::app
