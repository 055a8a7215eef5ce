// Dropping files on the main window, and the session kept across runs.
#include <gtest/gtest.h>

#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>
#include <memory>

#include "app/form1.h"
#include "app/session_store.h"
#include "platform/audio/wave_device_factory.h"
#include "test_support.h"

namespace yumekaze::app {
namespace {

using test::TAudioFiles;
using test::TFakePrompts;

constexpr int kTimeoutMs = 10000;

struct DesktopFeatures : ::testing::Test {
  void SetUp() override {
    a = audio.MakeTone("a.mp3", 20);
    if (a.isEmpty()) GTEST_SKIP() << "sox and twolame are needed to make test audio";
    ASSERT_TRUE(QDir().mkpath(audio.Folder() + "album/disc 2"));
    two = audio.Folder() + "album/2.mp3";
    ten = audio.Folder() + "album/10.mp3";
    deep = audio.Folder() + "album/disc 2/1.mp3";
    for (const QString& copy : {two, ten, deep}) ASSERT_TRUE(QFile::copy(a, copy));
    Make();
  }

  void Make() {
    form1 = std::make_unique<TForm1>(platform::CreateWaveDevice("null:10"), prompts,
                                     [] { return false; });
    form1->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form1.get()));
  }

  // Drags data over the window and drops it there, as the window system delivers a drop.
  bool Drop(QMimeData& data) {
    const QPoint at(164, 99);
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(form1.get(), &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(form1.get(), &drop);
    return drop.isAccepted();
  }

  TAudioFiles audio;
  QString a, two, ten, deep;
  TFakePrompts prompts;
  std::unique_ptr<TForm1> form1;
};

TEST_F(DesktopFeatures, DroppedFilesAndFoldersJoinTheListAndTheFirstLoads) {
  QMimeData files;
  files.setUrls({QUrl::fromLocalFile(audio.Folder() + "album"), QUrl::fromLocalFile(a)});
  ASSERT_TRUE(Drop(files));
  EXPECT_EQ(form1->PlayList().Entries(), QStringList({two, ten, deep, a}));
  ASSERT_TRUE(QTest::qWaitFor([&] { return form1->CurrentFile() == two; }, kTimeoutMs));
  EXPECT_EQ(form1->MP3->Status(), engine::kStatusStopped);  // a drop does not start playing

  // More drops add at the end and leave the loaded file alone; text is refused.
  QMimeData more;
  more.setUrls({QUrl::fromLocalFile(ten)});
  ASSERT_TRUE(Drop(more));
  EXPECT_EQ(form1->PlayList().Count(), 5);
  EXPECT_EQ(form1->CurrentFile(), two);
  QMimeData text;
  text.setText("not a file");
  EXPECT_FALSE(Drop(text));
  EXPECT_TRUE(prompts.warnings.empty());
}

TEST_F(DesktopFeatures, SessionComesBackLoadedButNotPlaying) {
  form1->AddToPlayList({a, two, ten}, false);
  form1->PlayEntry(1);
  form1->SetRepeat(TRepeatMode::One);
  form1->move(300, 200);
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return form1->MP3->Status() == engine::kStatusPlaying; }, kTimeoutMs));
  SaveSession(*form1);
  form1.reset();

  Make();
  ASSERT_TRUE(RestoreSession(*form1));
  EXPECT_EQ(form1->PlayList().Entries(), QStringList({a, two, ten}));
  EXPECT_EQ(form1->PlayList().PlayListIndex(), 1);
  ASSERT_TRUE(QTest::qWaitFor([&] { return form1->CurrentFile() == two; }, kTimeoutMs));
  EXPECT_EQ(form1->MP3->Status(), engine::kStatusStopped);
  EXPECT_EQ(form1->PlayList().Repeat(), TRepeatMode::One);
  EXPECT_EQ(form1->pos(), QPoint(300, 200));

  // A file gone since: the list comes back, nothing is loaded, nothing is reported.
  form1->PlayEntry(0);
  ASSERT_TRUE(QTest::qWaitFor([&] { return form1->CurrentFile() == a; }, kTimeoutMs));
  SaveSession(*form1);
  form1.reset();
  ASSERT_TRUE(QFile::remove(a));
  Make();
  QSignalSpy changed(form1.get(), &TForm1::PlayerChanged);
  ASSERT_TRUE(RestoreSession(*form1));
  EXPECT_EQ(form1->PlayList().Count(), 3);
  const qsizetype asked = changed.count();
  ASSERT_TRUE(QTest::qWaitFor([&] { return changed.count() > asked; }, kTimeoutMs));  // answered
  EXPECT_TRUE(form1->CurrentFile().isEmpty());
  EXPECT_TRUE(prompts.warnings.empty());
}

}  // namespace
}  // namespace yumekaze::app
