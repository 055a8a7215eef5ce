#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

namespace yumekaze::app {

// The sleep timer's last-minute notice: a small window that shows the seconds left and what
// will happen, with a Cancel button. It never takes the focus from what the user is doing.
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

 private:
  QString what_;
};

}  // namespace yumekaze::app
