// A seeded random walk of a user's commands on the main window (a real window on the X server)
// and its list, checking after every step that the window, the media interface and the list
// agree. YUMEKAZE_WALK_STEPS and
// YUMEKAZE_WALK_SEED change the walk; a failure prints the steps that led to it.
#include <gtest/gtest.h>

#include <QAction>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <random>

#include "app/desktop/mpris_player.h"
#include "app/window/form1.h"
#include "platform/audio/wave_device_factory.h"
#include "test_support.h"

namespace yumekaze::app {
namespace {

constexpr int kTimeoutMs = 10000;

int EnvironmentNumber(const char* name, int fallback) {
  const QByteArray value = qgetenv(name);
  return value.isEmpty() ? fallback : value.toInt();
}

struct UserDay : ::testing::Test {
  void SetUp() override {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) GTEST_SKIP() << "no X display (run under xvfb-run)";
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    for (const char* name : {"a.mp3", "b.mp3", "c.mp3", "d.mp3"}) {
      pool << audio.MakeTone(QString::fromLatin1(name), 3);
      if (pool.back().isEmpty()) GTEST_SKIP() << "sox and twolame are needed to make test audio";
    }
    pool << audio.Folder() + "gone.mp3";  // never made: handing it over must not disturb the rest
    form1 = std::make_unique<TForm1>(platform::CreateWaveDevice("null:10"), prompts,
                                     [] { return false; });
    mpris = std::make_unique<TMprisPlayer>(&host, *form1);
    form1->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form1.get()));
  }

  // Waits until the window has handled what the last command started.
  bool Settled() {
    constexpr uint32_t kMarker = 0x7ffff000;  // a message the player ignores
    form1->MP3->Window().Post(kMarker);
    return QTest::qWaitFor(
        [&] { return !form1->MP3->Window().IsPending(kMarker) && !form1->Opening(); }, kTimeoutMs);
  }

  // What a user relies on, whatever came before.
  void CheckInvariants() {
    const engine::TMPPlayQueue& queue = form1->PlayList().Queue();
    const int status = form1->MP3->Status();
    const bool paused = form1->Paused();
    const QString word = form1->Label5->text();
    const QString playback = mpris->PlaybackStatus();
    if (playback == u"Playing") {
      ASSERT_EQ(word, "PLAY");
    }
    if (playback == u"Stopped") {
      ASSERT_EQ(word, "STOP");
    }
    ASSERT_EQ(playback == u"Paused", paused);
    ASSERT_EQ(form1->Button1->isEnabled(), status == engine::kStatusStopped && !paused)
        << "Play is offered exactly when nothing plays";
    ASSERT_EQ(form1->Button6->isEnabled(), form1->Button1->isEnabled());
    ASSERT_EQ(mpris->CanGoNext(), queue.NextIndex() >= 0);
    ASSERT_EQ(mpris->CanGoPrevious(), queue.PreviousIndex() >= 0);
    ASSERT_TRUE(mpris->CanPlay() || queue.Count() == 0);
    ASSERT_TRUE(mpris->CanPause() || status == engine::kStatusStopped);
    // The mark sits on the loaded entry, and on no row once that entry left the list.
    const int current = queue.CurrentIndex();
    if (form1->MP3->Opened() && current >= 0 &&
        form1->CurrentFile() == form1->PlayList().Path(current)) {
      ASSERT_EQ(form1->PlayList().MarkedRow(), current);
    }
    if (current < 0) {
      ASSERT_EQ(form1->PlayList().MarkedRow(), -1);
    }
    if (status != engine::kStatusStopped) {
      ASSERT_FALSE(form1->CurrentFile().isEmpty());
    }
  }

  QTemporaryDir config;
  test::TAudioFiles audio;
  QStringList pool;
  test::TFakePrompts prompts;
  QObject host;
  std::unique_ptr<TForm1> form1;
  std::unique_ptr<TMprisPlayer> mpris;
};

TEST_F(UserDay, RandomCommandsKeepWindowListAndMediaInterfaceInStep) {
  const int steps = EnvironmentNumber("YUMEKAZE_WALK_STEPS", 150);
  const int seed = EnvironmentNumber("YUMEKAZE_WALK_SEED", 20261207);
  std::mt19937 random(static_cast<unsigned>(seed));
  QStringList done;
  const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  for (int step = 0; step < steps; ++step) {
    const int count = form1->PlayList().Count();
    QString action;
    switch (pick(16)) {
      case 0:
      case 1: {
        const QString file = pool[pick(static_cast<int>(pool.size()))];
        action = "add " + QFileInfo(file).fileName();
        form1->AddToPlayList({file}, false);
        break;
      }
      case 2: {
        const QString file = pool[pick(static_cast<int>(pool.size()))];
        action = "hand over " + QFileInfo(file).fileName();
        form1->AddToPlayList({file}, true);
        break;
      }
      case 3:
        action = "delete current";
        form1->RemoveEntries({form1->PlayList().Queue().CurrentIndex()});
        break;
      case 4: {
        const int row = count > 0 ? pick(count) : 0;
        action = QStringLiteral("delete %1").arg(row);
        form1->RemoveEntries({row});
        break;
      }
      case 5: {
        const int from = count > 0 ? pick(count) : 0;
        const int to = count > 0 ? pick(count) : 0;
        action = QStringLiteral("move %1 to %2").arg(from).arg(to);
        form1->MoveEntry(from, to);
        break;
      }
      case 6:
        action = pick(4) == 0 ? "clear" : "next";
        action == "clear" ? form1->ClearPlayList() : form1->Button3Click();
        break;
      case 7:
        action = "previous";
        form1->Button4Click();
        break;
      case 8:
        action = "pause";
        form1->Button5Click();
        break;
      case 9:
        action = "stop";
        form1->Button2Click();
        break;
      case 10:
        action = "play";
        form1->Button1Click();
        break;
      case 11: {
        const auto mode = static_cast<engine::TMPRepeatMode>(pick(3));
        action = QStringLiteral("repeat %1").arg(static_cast<int>(mode));
        form1->SetRepeat(mode);
        break;
      }
      case 12:
        action = "shuffle";
        form1->SetShuffle(!form1->PlayList().Queue().Shuffle());
        break;
      case 14: {
        // The Open button, when it is offered: the files chosen replace the list.
        QStringList files = {pool[pick(static_cast<int>(pool.size()))]};
        if (pick(2) == 0) files << pool[pick(static_cast<int>(pool.size()))];
        action = "open " + QFileInfo(files.front()).fileName();
        if (form1->Button6->isEnabled()) {
          prompts.choices.push_back(files);
          form1->Button6->click();
        }
        break;
      }
      case 15: {
        // A character set from the menu, then back to the locale's.
        QMenu* charsets = form1->PopupMenu1->findChildren<QMenu*>().value(0);
        const QList<QAction*> choices = charsets->actions();
        QAction* choice = choices.value(pick(static_cast<int>(choices.size())));
        action = "charset " + (choice ? choice->text() : QString());
        if (choice) choice->trigger();
        break;
      }
      default:
        action = "seek";
        form1->SeekTo(pick(3000));
        break;
    }
    done << action;
    const QString trace = QStringLiteral("seed %1, steps:\n  ").arg(seed) + done.join("\n  ");
    ASSERT_TRUE(Settled()) << trace.toStdString();
    CheckInvariants();
    if (HasFatalFailure()) {
      ADD_FAILURE() << trace.toStdString();
      return;
    }
  }
}

}  // namespace
}  // namespace yumekaze::app
