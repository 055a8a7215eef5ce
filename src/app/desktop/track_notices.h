#pragma once

#include <QObject>

#include "app/desktop/desktop_notifications.h"

class QAction;

namespace yumekaze::app {

class TForm1;

// A desktop notice naming the title, artist and album with the cover whenever another file
// plays while none of the program's windows is active; each replaces the one before. A ticked
// item of the main menu, kept in the settings (on at first), turns them off.
class TTrackNotices : public QObject {
  Q_OBJECT

 public:
  explicit TTrackNotices(TForm1& form1);

  static bool Enabled();
  static void SetEnabled(bool on);

  QAction* MenuItem;

 private:
  // The cover search for a newly loaded file is over: time to tell.
  void Tell();

  TForm1& form1_;
  TDesktopNotifications notifications_;
};

}  // namespace yumekaze::app
