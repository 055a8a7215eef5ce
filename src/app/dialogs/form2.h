#pragma once

#include <QDialog>
#include <functional>

#include "app/desktop/power_off.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QTimer;

namespace yumekaze::app {

class TSleepWarning;
class TUserPrompts;

// The sleep timer: a count of minutes shown in the main window's timer line. A minute before
// the end a countdown with Cancel appears and the last 30 seconds fade the volume out; at the
// end playback stops and, as chosen, the computer is suspended or powered off.
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
  // True from a confirmed start until the end, a cancel or an unticked OK.
  bool Counting() const;
  TSleepAction Action() const;
  // How the fade reads and sets the player's volume (0..100).
  void SetVolumeControl(std::function<int()> volume, std::function<void(int)> setVolume);

  QCheckBox* CB1;
  QGroupBox* GB1;
  QSpinBox* SE1;
  QLabel* Label1;
  QPushButton* BitBtn1;
  QPushButton* BitBtn2;
  QComboBox* CB2;  // the action at the end, in TSleepAction's order
  QTimer* Timer1;
  TSleepWarning* Warning;

  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void CB1Click();
  void BitBtn1Click();
  void BitBtn2Click();
  void Timer1Timer();
  void StartLastMinute();
  void SecondTick();
  void Finish();
  // Leaves the last minute: the notice goes, the volume comes back.
  void StopLastMinute();
  // Ends the count: timer line "Timer Off", box unticked, volume as before the fade.
  void TurnOff();
  void UpdateActionChoice();
  QString ActionText() const;

  QLabel& timerLine_;
  std::function<void()> stopPlayer_;
  TPowerOff& powerOff_;
  TUserPrompts& prompts_;
  int minuteMs_;
  bool savedState_;
  int remainingMinutes_ = 0;
  int savedMinutes_;
  QTimer* secondTimer_;
  int secondsLeft_ = 0;
  int volumeBeforeFade_ = -1;
  std::function<int()> volume_;
  std::function<void(int)> setVolume_;
};

}  // namespace yumekaze::app
