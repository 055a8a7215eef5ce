#pragma once

#include <QWidget>

#include "app/desktop/desktop_notifications.h"

class QLabel;
class QPushButton;

namespace yumekaze::app {

// The sleep timer's last-minute notice: a small window that shows the seconds left and what
// will happen, with a Cancel button. It never takes the focus from what the user is doing. As a
// window may end up behind others (Wayland keeps no window on top), the notice also goes to the
// desktop's notification list, with Cancel where the desktop shows buttons.
class TSleepWarning : public QWidget {
  Q_OBJECT

 public:
  explicit TSleepWarning(QWidget* parent = nullptr);

  // Shows "what" happening in `seconds`, near the bottom right of the screen.
  void ShowCountdown(int seconds, const QString& what);
  void SetSeconds(int seconds);

  QLabel* Text;
  QPushButton* CancelButton;

 signals:
  void Cancelled();

 protected:
  void hideEvent(QHideEvent* event) override;

 private:
  void Cancel();

  QString what_;
  TDesktopNotifications notifications_;
};

}  // namespace yumekaze::app
