// The play list window and the sleep timer's last-minute notice as real windows on the X server,
// driven by XTEST input: double-click plays, Delete removes, dragging reorders, Clear empties;
// the notice shows without taking the focus and its Cancel ends the timer.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QCursor>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "app/dialogs/form2.h"
#include "app/dialogs/sleep_warning.h"
#include "app/playlist/current_entry_pane.h"
#include "app/playlist/play_list_panel.h"
#include "app/window/form1.h"
#include "platform/audio/wave_device_factory.h"
#include "test_support.h"
#include "x_input.h"

namespace yumekaze::app::test {
namespace {

constexpr int kTimeoutMs = 10000;

// Counts the pointer and drag events an object receives, for a hand on another thread to wait on.
class PointerEvents : public QObject {
 public:
  int Count() {
    std::lock_guard lock(mutex_);
    return count_;
  }
  // Waits until more than `seen` have arrived, or the time is up.
  void WaitBeyond(int seen) {
    std::unique_lock lock(mutex_);
    arrived_.wait_for(lock, std::chrono::milliseconds(kTimeoutMs), [&] { return count_ > seen; });
  }

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    switch (event->type()) {
      case QEvent::MouseMove:
      case QEvent::MouseButtonPress:
      case QEvent::DragEnter:
      case QEvent::DragMove: {
        std::lock_guard lock(mutex_);
        ++count_;
        arrived_.notify_all();
        break;
      }
      default:
        break;
    }
    return false;
  }

 private:
  std::mutex mutex_;
  std::condition_variable arrived_;
  int count_ = 0;
};

class PlayListWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!input_.Connected()) GTEST_SKIP() << "no X display (run under xvfb-run)";
    a_ = audio_.MakeTone("a.mp3", 20);
    if (a_.isEmpty()) GTEST_SKIP() << "sox and twolame are needed to make test audio";
    b_ = audio_.MakeTone("b.mp3", 20);
    c_ = audio_.MakeTone("c.mp3", 20);
    qputenv("XDG_CONFIG_HOME", config_.path().toUtf8());
    form1_ = std::make_unique<TForm1>(platform::CreateWaveDevice("null:10"), prompts_,
                                      [] { return false; });
    panel_ = std::make_unique<TPlayListPanel>(*form1_, prompts_);
    form1_->SetPlayListPanel(panel_.get());
    panel_->move(420, 100);
    form1_->ShowPlayList();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(panel_.get()));
  }

  QPoint RowCentre(int row) {
    const QRect rect = panel_->List->visualRect(panel_->List->model()->index(row, 0));
    return panel_->List->viewport()->mapToGlobal(rect.center());
  }

  QString Text(int row, int column) {
    return panel_->List->model()->index(row, column).data().toString();
  }

  // Moves the pointer and waits until the X server has it there; the events that follow queue
  // behind the move.
  void PointTo(QPoint screen) {
    input_.MoveTo(screen);
    EXPECT_TRUE(QTest::qWaitFor([screen] { return QCursor::pos() == screen; }, kTimeoutMs));
  }

  void Click(QPoint screen) {
    PointTo(screen);
    input_.Press(screen);
    input_.Release();
  }

  bool RowsAre(const QStringList& entries) {
    return QTest::qWaitFor(
        [&] {
          return form1_->PlayList().Paths() == entries &&
                 panel_->List->model()->rowCount() == entries.size();
        },
        kTimeoutMs);
  }

  TXInput input_;
  TAudioFiles audio_;
  QString a_, b_, c_;
  QTemporaryDir config_;
  TFakePrompts prompts_;
  std::unique_ptr<TForm1> form1_;
  std::unique_ptr<TPlayListPanel> panel_;
};

TEST_F(PlayListWindow, DoubleClickPlaysDeleteRemovesDragReordersClearEmpties) {
  form1_->AddToPlayList({a_, b_, c_}, false);
  ASSERT_TRUE(RowsAre({a_, b_, c_}));
  // The lengths come in as the files have been read.
  EXPECT_TRUE(QTest::qWaitFor([&] { return Text(1, 2) == "0:20"; }, kTimeoutMs));
  EXPECT_EQ(Text(1, 0), "b.mp3");

  // Double-click the third row: it plays and is marked.
  const QPoint third = RowCentre(2);
  PointTo(third);
  for (int click = 0; click < 2; ++click) {
    input_.Press(third);
    input_.Release();
  }
  ASSERT_TRUE(QTest::qWaitFor([&] { return form1_->CurrentFile() == c_; }, kTimeoutMs));
  EXPECT_EQ(form1_->MP3->Status(), engine::kStatusPlaying);
  EXPECT_TRUE(QTest::qWaitFor([&] { return Text(2, 0) == "▶ c.mp3"; }, kTimeoutMs));
  panel_->grab().save("/tmp/yumekaze_play_list.png");

  // Drag the first row below the last: the playing entry stays the current one.
  const QPoint from = RowCentre(0);
  const QPoint to =
      RowCentre(2) +
      QPoint(0, panel_->List->visualRect(panel_->List->model()->index(2, 0)).height() / 2 - 1);
  // A drag runs its own event loop until the release: the hand moves on a thread of its own, each
  // step once the list has received the one before.
  PointerEvents events;
  // The window sees every pointer move; during the drag the list's viewport gets the drag moves.
  panel_->windowHandle()->installEventFilter(&events);
  panel_->List->viewport()->installEventFilter(&events);
  std::thread hand([from, to, &events] {
    TXInput input;
    const auto step = [&events](const std::function<void()>& act) {
      const int before = events.Count();
      act();
      events.WaitBeyond(before);
    };
    step([&] { input.MoveTo(from); });
    step([&] { input.Press(from); });
    for (int part = 1; part <= 20; ++part) {
      step([&] { input.MoveTo(from + (to - from) * part / 20); });
    }
    input.Release();
  });
  const bool reordered = RowsAre({b_, c_, a_});
  hand.join();
  ASSERT_TRUE(reordered);
  EXPECT_EQ(form1_->PlayList().Queue().CurrentIndex(), 1);

  // Delete removes the selected row.
  Click(RowCentre(0));
  input_.PressDelete();
  ASSERT_TRUE(RowsAre({c_, a_}));
  EXPECT_EQ(form1_->PlayList().Path(form1_->PlayList().Queue().CurrentIndex()), c_);

  // Clear empties the list; what plays goes on.
  Click(panel_->ClearButton->mapToGlobal(panel_->ClearButton->rect().center()));
  ASSERT_TRUE(RowsAre({}));
  EXPECT_EQ(form1_->MP3->Status(), engine::kStatusPlaying);
}

// The pane follows the file loaded: its cover once found, its tags, format and the ReplayGain it
// plays at; a file without any shows none of them.
TEST_F(PlayListWindow, ThePaneShowsTheLoadedFilesCoverAndFacts) {
  qputenv("XDG_CACHE_HOME", config_.path().toUtf8());
  const QString covered = audio_.MakeTone("covered.mp3", 20);
  ASSERT_TRUE(TAudioFiles::EmbedCover(covered, audio_.MakePicture("embedded.jpg", {300, 300})));
  ASSERT_EQ(QProcess::execute("mid3v2", {"-A", "Album Name", "-T", "4/12", "-y", "2021", "--TXXX",
                                         "replaygain_track_gain:-6.02 dB", covered}),
            0);
  TCurrentEntryPane& pane = *panel_->findChild<TCurrentEntryPane*>();
  form1_->SetRepeat(engine::TMPRepeatMode::Off);  // the fast device would come back to the first
  form1_->AddToPlayList({covered, a_}, true);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !pane.Picture->pixmap().isNull(); }, kTimeoutMs));
  EXPECT_EQ(pane.Picture->pixmap().size(), QSize(160, 160));
  EXPECT_EQ(pane.Album->text(), "Album Name");
  EXPECT_EQ(pane.Track->text(), "4/12");
  EXPECT_EQ(pane.Year->text(), "2021");
  EXPECT_EQ(pane.Format->text(), "MPEG-1 Layer II, 44.1 kHz, stereo");
  EXPECT_EQ(pane.Bitrate->text(), "192 kbit/s");
  EXPECT_EQ(pane.Gain->text(), "-6.02 dB");
  // The title line's tip shows the cover too.
  EXPECT_TRUE(form1_->Label3->toolTip().startsWith("<img src="))
      << form1_->Label3->toolTip().toStdString();
  QDir().mkpath(YUMEKAZE_SCREENSHOT_DIR);
  panel_->grab().save(YUMEKAZE_SCREENSHOT_DIR "/play_list_pane.png");

  form1_->Button3Click();
  ASSERT_TRUE(QTest::qWaitFor([&] { return form1_->CurrentFile() == a_; }, kTimeoutMs));
  EXPECT_TRUE(QTest::qWaitFor([&] { return pane.Picture->pixmap().isNull(); }, kTimeoutMs));
  EXPECT_EQ(pane.Album->text(), "");
  EXPECT_EQ(pane.Gain->text(), "none");
}

TEST_F(PlayListWindow, SleepTimerNoticeKeepsTheFocusAwayAndCancels) {
  TFakePowerOff powerOff;
  int stops = 0;
  // A counted minute lasts 3 s here: the notice comes after 12 s and counts 60 steps of 50 ms.
  TForm2 form2(
      *form1_->Label4, [&] { ++stops; }, powerOff, prompts_, 3000);
  panel_->activateWindow();
  ASSERT_TRUE(QTest::qWaitFor([&] { return panel_->isActiveWindow(); }, kTimeoutMs));
  form2.CB1->setChecked(true);
  form2.SE1->setValue(5);
  form2.BitBtn1->click();
  form2.hide();
  ASSERT_TRUE(QTest::qWaitFor([&] { return form2.Warning->isVisible(); }, 60000));
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form2.Warning));
  EXPECT_TRUE(panel_->isActiveWindow());
  EXPECT_FALSE(form2.Warning->isActiveWindow());
  const QRect notice = form2.Warning->frameGeometry();
  QGuiApplication::primaryScreen()
      ->grabWindow(0)
      .copy(notice.adjusted(-20, -20, 20, 20))
      .save("/tmp/yumekaze_sleep_notice.png");
  Click(form2.Warning->CancelButton->mapToGlobal(form2.Warning->CancelButton->rect().center()));
  EXPECT_TRUE(QTest::qWaitFor([&] { return !form2.Counting(); }, kTimeoutMs));
  EXPECT_FALSE(form2.Warning->isVisible());
  EXPECT_EQ(form1_->Label4->text(), "Timer Off");
  EXPECT_EQ(stops, 0);
  EXPECT_EQ(powerOff.requests, 0);
}

}  // namespace
}  // namespace yumekaze::app::test
