#include "app/dialogs/form2.h"

#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QGroupBox>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QTimer>
#include <utility>

#include "app/desktop/power_off.h"
#include "app/dialogs/sleep_warning.h"
#include "app/dialogs/user_prompts.h"
#include "app/settings/sleep_timer_store.h"
#include "app/window/app_font.h"
#include "app/window/screen_centre.h"

namespace yumekaze::app {

TForm2::TForm2(QLabel& timerLine, std::function<void()> stopPlayer, TPowerOff& powerOff,
               TUserPrompts& prompts, int minuteMs, QWidget* parent)
    : QDialog(parent),
      timerLine_(timerLine),
      stopPlayer_(std::move(stopPlayer)),
      powerOff_(powerOff),
      prompts_(prompts),
      minuteMs_(minuteMs) {
  setWindowTitle(tr("Sleep Timer"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setFixedSize(138, 170);
  setFont(GothicFont(12));

  CB1 = new QCheckBox(tr("Use the timer"), this);
  CB1->setGeometry(8, 8, 97, 17);

  GB1 = new QGroupBox(tr("Time"), this);
  GB1->setGeometry(8, 32, 121, 111);

  SE1 = new QSpinBox(GB1);
  SE1->setGeometry(8, 24, 65, 21);
  SE1->setRange(5, 10000);
  SE1->setValue(5);
  // A typed value outside the range is pulled to the nearest bound, not thrown away.
  SE1->setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);

  Label1 = new QLabel(tr("min"), GB1);
  Label1->move(80, 32);
  Label1->adjustSize();

  CB2 = new QComboBox(GB1);
  CB2->setGeometry(8, 56, 105, 23);
  CB2->addItems({tr("Stop only"), tr("Suspend"), tr("Power off")});
  CB2->setCurrentIndex(static_cast<int>(TSleepAction::PowerOff));

  FinishTrackBox = new QCheckBox(tr("Finish the track"), GB1);
  FinishTrackBox->setGeometry(8, 86, 105, 17);
  FinishTrackBox->setChecked(StoredFinishTrack());

  BitBtn1 = new QPushButton(tr("OK"), this);
  BitBtn1->setGeometry(0, 142, 65, 25);
  BitBtn1->setDefault(true);
  BitBtn2 = new QPushButton(tr("Cancel"), this);
  BitBtn2->setGeometry(72, 142, 65, 25);

  CB1->setAccessibleDescription(tr("Stops playing after the chosen minutes"));
  SE1->setAccessibleName(tr("Minutes"));
  SE1->setAccessibleDescription(tr("Minutes until the timer ends"));
  CB2->setAccessibleName(tr("At the end"));
  CB2->setAccessibleDescription(tr("What happens when the time is up"));
  FinishTrackBox->setAccessibleDescription(tr("Lets the playing track end before the timer stops"));
  BitBtn1->setAccessibleDescription(tr("Sets the timer as shown"));
  BitBtn2->setAccessibleDescription(tr("Leaves the timer as it was"));

  Timer1 = new QTimer(this);
  secondTimer_ = new QTimer(this);
  Warning = new TSleepWarning(this);

  connect(CB1, &QCheckBox::toggled, this, &TForm2::CB1Click);
  connect(BitBtn1, &QPushButton::clicked, this, [this] {
    BitBtn1Click();
    accept();
  });
  connect(BitBtn2, &QPushButton::clicked, this, &TForm2::reject);
  connect(Timer1, &QTimer::timeout, this, &TForm2::Timer1Timer);
  connect(secondTimer_, &QTimer::timeout, this, &TForm2::SecondTick);
  connect(Warning, &TSleepWarning::Cancelled, this, &TForm2::TurnOff);

  CB1Click();
  savedState_ = CB1->isChecked();
  savedMinutes_ = SE1->value();
}

void TForm2::CountDown() {
  ShowOnTimerLine(waitingForTrack_ ? tr("Track end") : tr("%1 min left").arg(remainingMinutes_));
}

void TForm2::SettingOff() { ShowOnTimerLine(tr("Timer Off")); }

void TForm2::ShowOnTimerLine(const QString& text) {
  if (timerLine_.text() == text) return;
  timerLine_.setText(text);
  QAccessibleEvent event(&timerLine_, QAccessible::NameChanged);
  QAccessible::updateAccessibility(&event);
}

void TForm2::CB1Click() {
  GB1->setVisible(CB1->isChecked());
  SE1->setVisible(CB1->isChecked());
}

bool TForm2::Counting() const {
  return Timer1->isActive() || secondTimer_->isActive() || waitingForTrack_;
}

TSleepAction TForm2::Action() const { return static_cast<TSleepAction>(CB2->currentIndex()); }

void TForm2::SetVolumeControl(std::function<int()> volume, std::function<void(int)> setVolume) {
  volume_ = std::move(volume);
  setVolume_ = std::move(setVolume);
}

void TForm2::SetStopAfterTrack(std::function<bool(bool)> stopAfterTrack) {
  stopAfterTrack_ = std::move(stopAfterTrack);
}

void TForm2::PlaybackStopped() {
  if (!waitingForTrack_) return;
  waitingForTrack_ = false;
  Complete();
}

void TForm2::StopWaiting() {
  if (!waitingForTrack_) return;
  waitingForTrack_ = false;
  if (stopAfterTrack_) stopAfterTrack_(false);
}

void TForm2::UpdateActionChoice() {
  // Greyed as the system answers; a greyed choice falls back to stopping only.
  powerOff_.AskAllowed([self = QPointer<TForm2>(this)](bool suspend, bool powerOff) {
    if (!self) return;
    auto* model = static_cast<QStandardItemModel*>(self->CB2->model());
    model->item(static_cast<int>(TSleepAction::Suspend))->setEnabled(suspend);
    model->item(static_cast<int>(TSleepAction::PowerOff))->setEnabled(powerOff);
    if (!model->item(self->CB2->currentIndex())->isEnabled()) {
      self->CB2->setCurrentIndex(static_cast<int>(TSleepAction::Stop));
    }
  });
}

QString TForm2::ActionText() const {
  switch (Action()) {
    case TSleepAction::Suspend:
      return tr("stop playing and suspend");
    case TSleepAction::PowerOff:
      return tr("stop playing and power off");
    case TSleepAction::Stop:
      break;
  }
  return tr("stop playing");
}

void TForm2::reject() {
  // Esc, the Cancel button and the window manager's close all cancel.
  BitBtn2Click();
  QDialog::reject();
}

void TForm2::BitBtn1Click() {
  // Take a value still being typed, brought into range, so a timer reported as set always fires.
  SE1->interpretText();
  remainingMinutes_ = SE1->value();
  savedState_ = CB1->isChecked();
  savedMinutes_ = SE1->value();
  StoreFinishTrack(FinishTrackBox->isChecked());
  StopWaiting();
  if (CB1->isChecked()) {
    ShowOnTimerLine(tr("Timer On"));
    // A running timer keeps its rhythm; only the count starts afresh.
    StopLastMinute();
    if (!Timer1->isActive()) Timer1->start(minuteMs_);
    const QString when = QDateTime::currentDateTime()
                             .addSecs(qint64{remainingMinutes_} * 60)
                             .toString(QStringLiteral("HH:mm"));
    prompts_.Information(this,
                         tr("The timer is set!\nAt %1 (in %2 min) it will %3.")
                             .arg(when)
                             .arg(remainingMinutes_)
                             .arg(ActionText()),
                         tr("Confirmation"));
    CountDown();
  } else {
    TurnOff();
  }
}

void TForm2::BitBtn2Click() {
  CB1->setChecked(savedState_);
  SE1->setValue(savedMinutes_);
  FinishTrackBox->setChecked(StoredFinishTrack());
}

void TForm2::Timer1Timer() {
  --remainingMinutes_;
  CountDown();
  if (remainingMinutes_ <= 1) StartLastMinute();
}

void TForm2::StartLastMinute() {
  Timer1->stop();
  secondsLeft_ = 60;
  Warning->ShowCountdown(secondsLeft_, ActionText());
  secondTimer_->start(std::max(1, minuteMs_ / 60));
}

void TForm2::SecondTick() {
  --secondsLeft_;
  Warning->SetSeconds(secondsLeft_);
  // A track that plays on to its end is not faded out before it.
  if (secondsLeft_ <= 30 && volume_ && setVolume_ && !FinishTrackBox->isChecked()) {
    if (volumeBeforeFade_ < 0) volumeBeforeFade_ = volume_();
    setVolume_(volumeBeforeFade_ * secondsLeft_ / 30);
  }
  if (secondsLeft_ <= 0) Finish();
}

void TForm2::Finish() {
  remainingMinutes_ = 0;
  if (FinishTrackBox->isChecked() && stopAfterTrack_ && stopAfterTrack_(true)) {
    // The player stops after the track; PlaybackStopped carries on from there.
    StopLastMinute();
    waitingForTrack_ = true;
    CountDown();
    return;
  }
  Complete();
}

void TForm2::Complete() {
  const TSleepAction action = Action();
  // The timer is done whatever the system answers: no count below zero, no second request.
  remainingMinutes_ = 0;
  stopPlayer_();
  TurnOff();
  if (action == TSleepAction::Stop) return;
  powerOff_.Request(action, [this, action](const QString& reason) {
    prompts_.Warning(this,
                     tr("Could not %1. The timer is cancelled.\n(%2)")
                         .arg(action == TSleepAction::Suspend ? tr("suspend") : tr("power off"))
                         .arg(reason),
                     tr("Sleep Timer"));
  });
}

void TForm2::StopLastMinute() {
  secondTimer_->stop();
  Warning->hide();
  if (volumeBeforeFade_ >= 0 && setVolume_) setVolume_(volumeBeforeFade_);
  volumeBeforeFade_ = -1;
}

void TForm2::TurnOff() {
  StopWaiting();
  Timer1->stop();
  StopLastMinute();
  CB1->setChecked(false);
  savedState_ = false;
  SettingOff();
}

void TForm2::showEvent(QShowEvent* event) {
  UpdateActionChoice();
  QDialog::showEvent(event);
  CentreOnScreen(*this);
}

}  // namespace yumekaze::app
