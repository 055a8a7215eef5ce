#include "app/form2.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <string>

#include "test_support.h"

namespace yumekaze::app {
namespace {

using test::TFakePowerOff;
using test::TFakePrompts;

struct SleepTimer : ::testing::Test {
  static constexpr int kShortMinuteMs = 20;
  QLabel timerLine{"Timer Off"};
  TFakePrompts prompts;
  TFakePowerOff powerOff;
  std::string events;  // "S" for each Stop, "P" for each power-off request
  TForm2 form{timerLine, [this] { events += 'S'; }, powerOff, prompts, kShortMinuteMs};

  void SetUp() override {
    powerOff.onRequest = [this] { events += 'P'; };
  }

  void Confirm(bool ticked, int minutes) {
    form.show();
    form.CB1->setChecked(ticked);
    form.SE1->setValue(minutes);
    form.BitBtn1->click();
  }
};

TEST_F(SleepTimer, StartsOffWithTheGroupHidden) {
  EXPECT_EQ(form.windowTitle(), "お休みタイマー");
  EXPECT_EQ(form.size(), QSize(138, 124));
  EXPECT_FALSE(form.CB1->isChecked());
  EXPECT_EQ(form.CB1->text(), "タイマーを使う");
  EXPECT_EQ(form.GB1->title(), "時間設定");
  EXPECT_EQ(form.SE1->minimum(), 5);
  EXPECT_EQ(form.SE1->maximum(), 10000);
  EXPECT_EQ(form.SE1->value(), 5);
  EXPECT_FALSE(form.Timer1->isActive());
  form.show();
  EXPECT_FALSE(form.GB1->isVisible());
  form.CB1->setChecked(true);
  EXPECT_TRUE(form.GB1->isVisible());
  EXPECT_TRUE(form.SE1->isVisible());
}

TEST_F(SleepTimer, OkShowsTimerOnUntilTheMessageThenTheCount) {
  QString lineDuringMessage;
  prompts.onInformation = [&] { lineDuringMessage = timerLine.text(); };
  Confirm(true, 7);
  EXPECT_EQ(lineDuringMessage, "Timer On");
  ASSERT_EQ(prompts.informations.size(), 1u);
  EXPECT_EQ(prompts.informations[0].text, "タイマーをセットしました！");
  EXPECT_EQ(prompts.informations[0].caption, "確認");
  EXPECT_EQ(timerLine.text(), "あと7分");
  EXPECT_TRUE(form.Timer1->isActive());
  EXPECT_EQ(form.result(), QDialog::Accepted);
  form.Timer1->stop();
}

TEST_F(SleepTimer, CountReachesZeroStopsThenPowersOffOnce) {
  Confirm(true, 5);
  EXPECT_TRUE(QTest::qWaitFor([&] { return powerOff.requests == 1; }, 5000));
  EXPECT_EQ(events, "SP");
  EXPECT_EQ(timerLine.text(), "あと0分");
  EXPECT_EQ(form.RemainingMinutes(), 0);
  EXPECT_FALSE(form.Timer1->isActive());
  QTest::qWait(5 * kShortMinuteMs);
  EXPECT_EQ(powerOff.requests, 1);
  EXPECT_EQ(timerLine.text(), "あと0分");  // no negative counts
}

TEST_F(SleepTimer, UntickedOkStopsTheCountdown) {
  Confirm(true, 9);
  Confirm(false, 9);
  EXPECT_EQ(timerLine.text(), "Timer Off");
  EXPECT_FALSE(form.Timer1->isActive());
  QTest::qWait(20 * kShortMinuteMs);
  EXPECT_EQ(powerOff.requests, 0);
  EXPECT_TRUE(events.empty());
}

TEST_F(SleepTimer, CancelRestoresTickAndMinutesButLeavesTheCount) {
  Confirm(true, 30);
  form.Timer1->stop();
  const QString line = timerLine.text();
  form.show();
  form.CB1->setChecked(false);
  form.SE1->setValue(99);
  form.BitBtn2->click();
  EXPECT_EQ(form.result(), QDialog::Rejected);
  EXPECT_TRUE(form.CB1->isChecked());
  EXPECT_EQ(form.SE1->value(), 30);
  EXPECT_EQ(form.RemainingMinutes(), 30);
  EXPECT_EQ(timerLine.text(), line);

  // Ticking a clear box and cancelling hides the group again.
  Confirm(false, 30);
  form.show();
  form.CB1->setChecked(true);
  form.reject();  // Esc
  EXPECT_FALSE(form.CB1->isChecked());
  form.show();
  EXPECT_FALSE(form.GB1->isVisible());
}

TEST_F(SleepTimer, TypedValueBelowTheRangeIsRaisedWhenOkIsPressed) {
  form.show();
  form.CB1->setChecked(true);
  QLineEdit* edit = form.SE1->findChild<QLineEdit*>();
  ASSERT_NE(edit, nullptr);
  edit->setText("2");
  form.BitBtn1->click();
  EXPECT_EQ(form.RemainingMinutes(), 5);
  EXPECT_EQ(form.SE1->value(), 5);
  form.Timer1->stop();
}

TEST_F(SleepTimer, OkWhileCountingRestartsTheCount) {
  Confirm(true, 40);
  EXPECT_TRUE(QTest::qWaitFor([&] { return form.RemainingMinutes() < 40; }, 5000));
  Confirm(true, 40);
  EXPECT_EQ(timerLine.text(), "あと40分");
  EXPECT_TRUE(form.Timer1->isActive());
  form.Timer1->stop();
}

}  // namespace
}  // namespace yumekaze::app
