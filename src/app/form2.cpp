#include "app/form2.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <utility>

#include "app/app_font.h"
#include "app/power_off.h"
#include "app/screen_centre.h"
#include "app/user_prompts.h"

namespace yumekaze::app {

TForm2::TForm2(QLabel& timerLine, std::function<void()> stopPlayer, TPowerOff& powerOff,
               TUserPrompts& prompts, int minuteMs, QWidget* parent)
    : QDialog(parent),
      timerLine_(timerLine),
      stopPlayer_(std::move(stopPlayer)),
      powerOff_(powerOff),
      prompts_(prompts),
      minuteMs_(minuteMs) {
  setWindowTitle(QStringLiteral("お休みタイマー"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setFixedSize(138, 124);
  setFont(GothicFont(12));

  CB1 = new QCheckBox(QStringLiteral("タイマーを使う"), this);
  CB1->setGeometry(8, 8, 97, 17);

  GB1 = new QGroupBox(QStringLiteral("時間設定"), this);
  GB1->setGeometry(8, 32, 121, 65);

  SE1 = new QSpinBox(GB1);
  SE1->setGeometry(8, 24, 65, 21);
  SE1->setRange(5, 10000);
  SE1->setValue(5);
  // A typed value outside the range is pulled to the nearest bound, not thrown away.
  SE1->setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);

  Label1 = new QLabel(QStringLiteral("分"), GB1);
  Label1->move(80, 32);
  Label1->adjustSize();

  BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
  BitBtn1->setGeometry(0, 96, 65, 25);
  BitBtn1->setDefault(true);
  BitBtn2 = new QPushButton(QStringLiteral("Cancel"), this);
  BitBtn2->setGeometry(72, 96, 65, 25);

  Timer1 = new QTimer(this);

  connect(CB1, &QCheckBox::toggled, this, &TForm2::CB1Click);
  connect(BitBtn1, &QPushButton::clicked, this, [this] {
    BitBtn1Click();
    accept();
  });
  connect(BitBtn2, &QPushButton::clicked, this, &TForm2::reject);
  connect(Timer1, &QTimer::timeout, this, &TForm2::Timer1Timer);

  CB1Click();
  savedState_ = CB1->isChecked();
  savedMinutes_ = SE1->value();
}

void TForm2::CountDown() { timerLine_.setText(QStringLiteral("あと%1分").arg(remainingMinutes_)); }

void TForm2::SettingOff() { timerLine_.setText(QStringLiteral("Timer Off")); }

void TForm2::CB1Click() {
  GB1->setVisible(CB1->isChecked());
  SE1->setVisible(CB1->isChecked());
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
  if (CB1->isChecked()) {
    timerLine_.setText(QStringLiteral("Timer On"));
    // A running timer keeps its rhythm; only the count starts afresh.
    if (!Timer1->isActive()) Timer1->start(minuteMs_);
    prompts_.Information(this, QStringLiteral("タイマーをセットしました！"),
                         QStringLiteral("確認"));
    CountDown();
  } else {
    Timer1->stop();
    SettingOff();
  }
}

void TForm2::BitBtn2Click() {
  CB1->setChecked(savedState_);
  SE1->setValue(savedMinutes_);
}

void TForm2::Timer1Timer() {
  --remainingMinutes_;
  CountDown();
  if (remainingMinutes_ > 0) return;
  // The count ends here: no negative minutes, and the power-off is asked for only once.
  Timer1->stop();
  stopPlayer_();
  powerOff_.RequestPowerOff();
}

void TForm2::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  CentreOnScreen(*this);
}

}  // namespace yumekaze::app
