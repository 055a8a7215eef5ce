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
// end playback stops and, as chosen, the computer is suspended or powered off. With "finish the
// track" ticked the volume stays, and at the end the playing track plays to its end first.
class TForm2 : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kMinuteMs = 60000;

  // timerLine: the main window's Label4; stopPlayer: stops the main window's player.
  // minuteMs is the length of one counted minute (shorter in tests).
  TForm2(QLabel& timerLine, std::function<void()> stopPlayer, TPowerOff& powerOff,
         TUserPrompts& prompts, int minuteMs = kMinuteMs, QWidget* parent = nullptr);

  // Writes "あと", the remaining minutes and "分" into the timer line, or, while the timer waits
  // for the track's end, that it does.
  void CountDown();
  // Writes "Timer Off" into the timer line.
  void SettingOff();

  int RemainingMinutes() const { return remainingMinutes_; }
  // True from a confirmed start until the end (after the track, when it waits for that), a
  // cancel or an unticked OK.
  bool Counting() const;
  TSleepAction Action() const;
  // How the fade reads and sets the player's volume (0..100).
  void SetVolumeControl(std::function<int()> volume, std::function<void(int)> setVolume);
  // How the timer lets the track end: stopAfterTrack(true) asks the player to stop once the
  // playing track ends and says whether a track plays; stopAfterTrack(false) withdraws that.
  void SetStopAfterTrack(std::function<bool(bool)> stopAfterTrack);
  // The player stopped: a timer waiting for the track's end finishes now.
  void PlaybackStopped();
  // True while the time is up and the timer waits for the playing track to end.
  bool WaitingForTrackEnd() const { return waitingForTrack_; }

  QCheckBox* CB1;
  QGroupBox* GB1;
  QSpinBox* SE1;
  QLabel* Label1;
  QPushButton* BitBtn1;
  QPushButton* BitBtn2;
  QComboBox* CB2;  // the action at the end, in TSleepAction's order
  QCheckBox* FinishTrackBox;
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
  // Stops the player and carries out the chosen action.
  void Complete();
  // Leaves the wait for the track's end, withdrawing the player's stop after it.
  void StopWaiting();
  // Leaves the last minute: the notice goes, the volume comes back.
  void StopLastMinute();
  // Ends the count: timer line "Timer Off", box unticked, volume as before the fade.
  void TurnOff();
  void UpdateActionChoice();
  // Writes text into the timer line and tells assistive technology.
  void ShowOnTimerLine(const QString& text);
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
  std::function<bool(bool)> stopAfterTrack_;
  bool waitingForTrack_ = false;
};

}  // namespace yumekaze::app
