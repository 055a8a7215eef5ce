#include "app/dialogs/form2.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <string>
#include <vector>

#include "app/dialogs/sleep_warning.h"
#include "later_tick.h"
#include "test_support.h"

namespace yumekaze::app {
namespace {

using test::PassTimersDueWithin;
using test::TFakePowerOff;
using test::TFakePrompts;

struct SleepTimer : ::testing::Test {
  static constexpr int kShortMinuteMs = 20;
  static constexpr int kTimeoutMs = 10000;
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
  EXPECT_EQ(form.size(), QSize(138, 170));
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
  // It says what will happen and when.
  EXPECT_TRUE(prompts.informations[0].text.startsWith("タイマーをセットしました！\n"));
  EXPECT_TRUE(prompts.informations[0].text.contains("（7分後）に再生を停止して電源を切ります。"));
  EXPECT_EQ(prompts.informations[0].caption, "確認");
  EXPECT_EQ(timerLine.text(), "あと7分");
  EXPECT_TRUE(form.Timer1->isActive());
  EXPECT_EQ(form.result(), QDialog::Accepted);
  form.Timer1->stop();
}

TEST_F(SleepTimer, LastMinuteWarnsFadesThenStopsAndPowersOffOnce) {
  int volume = 80;
  std::vector<int> volumes;
  form.SetVolumeControl([&] { return volume; },
                        [&](int value) {
                          volume = value;
                          volumes.push_back(value);
                        });
  Confirm(true, 5);
  ASSERT_TRUE(QTest::qWaitFor([&] { return form.Warning->isVisible(); }, kTimeoutMs));
  EXPECT_TRUE(form.Warning->testAttribute(Qt::WA_ShowWithoutActivating));
  EXPECT_TRUE(form.Warning->Text->text().endsWith("秒で再生を停止して電源を切ります"));
  EXPECT_TRUE(QTest::qWaitFor([&] { return powerOff.requests == 1; }, kTimeoutMs));
  EXPECT_EQ(events, "SP");
  EXPECT_EQ(powerOff.lastAction, TSleepAction::PowerOff);
  // The volume went down step by step to 0 before the stop, and is back for the next play.
  ASSERT_GE(volumes.size(), 30u);
  EXPECT_TRUE(std::is_sorted(volumes.begin(), volumes.end() - 1, std::greater<int>()));
  EXPECT_EQ(volumes[volumes.size() - 2], 0);
  EXPECT_EQ(volume, 80);
  // The timer is off: no count below zero, no second request.
  EXPECT_FALSE(form.Counting());
  EXPECT_FALSE(form.Warning->isVisible());
  EXPECT_FALSE(form.CB1->isChecked());
  EXPECT_EQ(timerLine.text(), "Timer Off");
  // A timer left running would have ticked by now: a count below zero or a second request.
  ASSERT_TRUE(PassTimersDueWithin(2 * kShortMinuteMs));
  EXPECT_EQ(timerLine.text(), "Timer Off");
  EXPECT_EQ(powerOff.requests, 1);
}

TEST_F(SleepTimer, CancelInTheLastMinuteTurnsTheTimerOff) {
  Confirm(true, 5);
  ASSERT_TRUE(QTest::qWaitFor([&] { return form.Warning->isVisible(); }, kTimeoutMs));
  form.Warning->CancelButton->click();
  EXPECT_FALSE(form.Counting());
  EXPECT_EQ(timerLine.text(), "Timer Off");
  // A second or minute tick after the cancel would have changed the countdown by now.
  const QString notice = form.Warning->Text->text();
  ASSERT_TRUE(PassTimersDueWithin(2 * kShortMinuteMs));
  EXPECT_EQ(form.Warning->Text->text(), notice);
  EXPECT_EQ(timerLine.text(), "Timer Off");
  EXPECT_TRUE(events.empty());
}

TEST_F(SleepTimer, ActionsTheSystemRefusesAreGreyedAndARefusalIsExplained) {
  powerOff.canPowerOff = false;
  form.show();
  auto* model = static_cast<QStandardItemModel*>(form.CB2->model());
  EXPECT_TRUE(model->item(int(TSleepAction::Suspend))->isEnabled());
  EXPECT_FALSE(model->item(int(TSleepAction::PowerOff))->isEnabled());
  EXPECT_EQ(form.Action(), TSleepAction::Stop);  // power off was chosen but is not allowed

  // Suspend chosen; the system then says no.
  form.CB2->setCurrentIndex(int(TSleepAction::Suspend));
  powerOff.refusal = "Access denied";
  Confirm(true, 5);
  EXPECT_TRUE(prompts.informations.back().text.contains("サスペンドします"));
  ASSERT_TRUE(QTest::qWaitFor([&] { return !prompts.warnings.empty(); }, kTimeoutMs));
  EXPECT_EQ(powerOff.lastAction, TSleepAction::Suspend);
  EXPECT_TRUE(prompts.warnings[0].text.contains("Access denied"));
  EXPECT_FALSE(form.Counting());
  EXPECT_EQ(timerLine.text(), "Timer Off");
  form.show();
  EXPECT_FALSE(form.CB1->isChecked());
}

TEST_F(SleepTimer, StopOnlySendsNoRequest) {
  form.show();
  form.CB2->setCurrentIndex(int(TSleepAction::Stop));
  Confirm(true, 5);
  EXPECT_TRUE(QTest::qWaitFor([&] { return events == "S"; }, kTimeoutMs));
  EXPECT_EQ(powerOff.requests, 0);
}

TEST_F(SleepTimer, UntickedOkStopsTheCountdown) {
  Confirm(true, 9);
  Confirm(false, 9);
  EXPECT_EQ(timerLine.text(), "Timer Off");
  EXPECT_FALSE(form.Timer1->isActive());
  // A minute tick would have counted down by now.
  ASSERT_TRUE(PassTimersDueWithin(2 * kShortMinuteMs));
  EXPECT_EQ(timerLine.text(), "Timer Off");
  EXPECT_EQ(form.RemainingMinutes(), 9);
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
  EXPECT_TRUE(QTest::qWaitFor([&] { return form.RemainingMinutes() < 40; }, kTimeoutMs));
  Confirm(true, 40);
  EXPECT_EQ(timerLine.text(), "あと40分");
  EXPECT_TRUE(form.Timer1->isActive());
  form.Timer1->stop();
}

}  // namespace
}  // namespace yumekaze::app
