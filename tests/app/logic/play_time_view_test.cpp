#include "app/window/play_time_view.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QWheelEvent>
#include <memory>

#include "app/settings/volume_store.h"
#include "app/window/form1.h"
#include "app/window/position_ring.h"
#include "platform/audio/wave_device_factory.h"
#include "test_support.h"

namespace yumekaze::app {
namespace {

constexpr int kTimeoutMs = 10000;

// The main window playing a 20 s tone through the null device at real time.
struct PlayTime : ::testing::Test {
  void SetUp() override {
    tone = audio.MakeTone("tone.mp3", 20);
    if (tone.isEmpty()) GTEST_SKIP() << "sox and twolame are needed to make test audio";
    form1 = MakeWindow();
    view = form1->findChild<TPlayTimeView*>();
    ASSERT_NE(view, nullptr);
  }

  std::unique_ptr<TForm1> MakeWindow() {
    auto window = std::make_unique<TForm1>(platform::CreateWaveDevice("null:1"), prompts,
                                           [] { return true; });
    window->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    return window;
  }

  void PlayPaused() {
    form1->AddToPlayList({tone}, true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return form1->MP3->Status() == engine::kStatusPlaying; },
                                kTimeoutMs));
    form1->Button5->click();
    ASSERT_EQ(form1->MP3->Status(), engine::kStatusPaused);
  }

  // Played time within half a second of ms.
  bool PlayedNear(int64_t ms) {
    return QTest::qWaitFor([&] { return std::abs(form1->MP3->PlayedMilliseconds() - ms) < 500; },
                           kTimeoutMs);
  }

  test::TAudioFiles audio;
  test::TFakePrompts prompts;
  QString tone;
  std::unique_ptr<TForm1> form1;
  TPlayTimeView* view = nullptr;
};

TEST_F(PlayTime, ClockShowsMinutesAndHours) {
  EXPECT_EQ(TPlayTimeView::Clock(0), "0:00");
  EXPECT_EQ(TPlayTimeView::Clock(65999), "1:05");
  EXPECT_EQ(TPlayTimeView::Clock(3600000 + 61000), "1:01:01");
}

TEST_F(PlayTime, TimeFollowsPlayAndShowsAtOnceAfterPause) {
  form1->AddToPlayList({tone}, true);
  const auto shown = [&] {
    return TPlayTimeView::Clock(form1->PlayedMilliseconds()) + u'/' +
           TPlayTimeView::Clock(form1->MP3->TotalMilliseconds());
  };
  EXPECT_TRUE(QTest::qWaitFor(
      [&] { return form1->PlayedMilliseconds() >= 2000 && view->TimeLine()->text() == shown(); },
      kTimeoutMs))
      << view->TimeLine()->text().toStdString();
  form1->Button5->click();
  EXPECT_TRUE(QTest::qWaitFor([&] { return view->TimeLine()->text() == shown(); }, kTimeoutMs));
}

TEST_F(PlayTime, ClickAndDragOnTheArcSeekAndStayPaused) {
  PlayPaused();
  const int64_t total = form1->MP3->TotalMilliseconds();
  ASSERT_GT(total, 19000);
  TPositionRing* ring = view->Ring();
  // The arc clears every button and label of the window.
  for (QWidget* control : form1->findChildren<QWidget*>()) {
    if (control == ring || control->parentWidget() != form1.get() || !control->isVisible()) {
      continue;
    }
    for (double f = 0; f <= 1; f += 0.05) {
      EXPECT_FALSE(control->geometry().contains(ring->PointAt(f).toPoint()))
          << control->metaObject()->className() << " at " << f;
    }
  }
  QTest::mouseClick(ring, Qt::LeftButton, {}, ring->PointAt(0.5).toPoint());
  EXPECT_TRUE(PlayedNear(total / 2));
  EXPECT_EQ(form1->MP3->Status(), engine::kStatusPaused);
  EXPECT_TRUE(view->TimeLine()->text().startsWith(TPlayTimeView::Clock(total / 2) + u'/'));

  QTest::mousePress(ring, Qt::LeftButton, {}, ring->PointAt(0.9).toPoint());
  QTest::mouseMove(ring, ring->PointAt(0.7).toPoint());
  QTest::mouseRelease(ring, Qt::LeftButton, {}, ring->PointAt(0.25).toPoint());
  EXPECT_TRUE(PlayedNear(total / 4));
}

TEST_F(PlayTime, LeftAndRightKeysSeekFiveSeconds) {
  PlayPaused();
  form1->activateWindow();
  QTest::keyClick(form1.get(), Qt::Key_Right);
  QTest::keyClick(form1.get(), Qt::Key_Right);
  EXPECT_TRUE(PlayedNear(10000));
  QTest::keyClick(form1.get(), Qt::Key_Left);
  EXPECT_TRUE(PlayedNear(5000));
}

TEST_F(PlayTime, WheelAndKeysChangeTheVolumeWhichTheNextStartKeeps) {
  StoreVolume(100);
  form1 = MakeWindow();
  EXPECT_EQ(form1->MP3->Volume(), 100);
  auto wheel = [&](int delta) {
    QWheelEvent event(QPointF(160, 100), form1->mapToGlobal(QPointF(160, 100)), {},
                      QPoint(0, delta), Qt::NoButton, {}, Qt::NoScrollPhase, false);
    QApplication::sendEvent(form1.get(), &event);
  };
  wheel(-120);
  EXPECT_EQ(form1->MP3->Volume(), 95);
  wheel(-60);
  wheel(-60);
  EXPECT_EQ(form1->MP3->Volume(), 90);
  QTest::keyClick(form1.get(), Qt::Key_Down);
  EXPECT_EQ(form1->MP3->Volume(), 85);
  QLabel* line = form1->findChild<TPlayTimeView*>()->TimeLine();
  EXPECT_EQ(line->text(), "音量 85");
  EXPECT_TRUE(QTest::qWaitFor([&] { return line->text() != "音量 85"; }, kTimeoutMs));
  for (int i = 0; i < 30; ++i) QTest::keyClick(form1.get(), Qt::Key_Up);
  EXPECT_EQ(form1->MP3->Volume(), 100);
  QTest::keyClick(form1.get(), Qt::Key_Down);
  form1 = MakeWindow();
  EXPECT_EQ(form1->MP3->Volume(), 95);
  EXPECT_EQ(StoredVolume(), 95);
}

}  // namespace
}  // namespace yumekaze::app
