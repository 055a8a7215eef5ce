#pragma once

#include <QDialog>
#include <functional>

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QTimer;

namespace yumekaze::app {

class TPowerOff;
class TUserPrompts;

// The sleep timer: a count of minutes shown in the main window's timer line; at zero playback
// stops and the computer is asked to power off.
class TForm2 : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kMinuteMs = 60000;

  // timerLine: the main window's Label4; stopPlayer: stops the main window's player.
  // minuteMs is the length of one counted minute (shorter in tests).
  TForm2(QLabel& timerLine, std::function<void()> stopPlayer, TPowerOff& powerOff,
         TUserPrompts& prompts, int minuteMs = kMinuteMs, QWidget* parent = nullptr);

  // Writes "あと", the remaining minutes and "分" into the timer line.
  void CountDown();
  // Writes "Timer Off" into the timer line.
  void SettingOff();

  int RemainingMinutes() const { return remainingMinutes_; }

  QCheckBox* CB1;
  QGroupBox* GB1;
  QSpinBox* SE1;
  QLabel* Label1;
  QPushButton* BitBtn1;
  QPushButton* BitBtn2;
  QTimer* Timer1;

  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void CB1Click();
  void BitBtn1Click();
  void BitBtn2Click();
  void Timer1Timer();

  QLabel& timerLine_;
  std::function<void()> stopPlayer_;
  TPowerOff& powerOff_;
  TUserPrompts& prompts_;
  int minuteMs_;
  bool savedState_;
  int remainingMinutes_ = 0;
  int savedMinutes_;
};

}  // namespace yumekaze::app
