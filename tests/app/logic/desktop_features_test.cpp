// Dropping files on the main window, lists read off its thread, and the session kept across runs.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QMimeData>
#include <QScreen>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>
#include <random>
#include <thread>

#include "app/playlist/file_names.h"
#include "app/settings/session_store.h"
#include "app/window/form1.h"
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
  ASSERT_TRUE(QTest::qWaitFor([&] { return form1->CurrentFile() == two; }, kTimeoutMs));
  EXPECT_EQ(form1->PlayList().Paths(), QStringList({two, ten, deep, a}));
  EXPECT_EQ(form1->MP3->Status(), engine::kStatusStopped);  // a drop does not start playing

  // More drops add at the end and leave the loaded file alone; text is refused.
  QMimeData more;
  more.setUrls({QUrl::fromLocalFile(ten)});
  ASSERT_TRUE(Drop(more));
  ASSERT_TRUE(QTest::qWaitFor([&] { return form1->PlayList().Count() == 5; }, kTimeoutMs));
  EXPECT_EQ(form1->CurrentFile(), two);
  QMimeData text;
  text.setText("not a file");
  EXPECT_FALSE(Drop(text));
  EXPECT_TRUE(prompts.warnings.empty());
}

// A list that cannot be read until a writer comes, as on a hung file system. A reader still
// waiting at the end, or long after the start (when the window itself waits on the list), is
// let go with an empty list, so that no check can hang.
class THungList {
 public:
  explicit THungList(const QString& path) : path(path) {
    EXPECT_EQ(mkfifo(Name(), 0600), 0);
    watchdog_ = std::thread([this] {
      std::unique_lock lock(mutex_);
      over_.wait_for(lock, std::chrono::milliseconds(3 * kTimeoutMs), [this] { return done_; });
      while (!over_.wait_for(lock, std::chrono::milliseconds(50), [this] { return done_; }))
        Write({});
    });
  }
  ~THungList() {
    {
      const std::lock_guard lock(mutex_);
      done_ = true;
    }
    over_.notify_all();
    watchdog_.join();
    Write({});
  }
  // Gives the waiting reader its text; false when no reader came within the deadline.
  bool Feed(const QByteArray& text) {
    return QTest::qWaitFor([&] { return Write(text); }, kTimeoutMs);
  }

  const QString path;

 private:
  const char* Name() const { return name_.constData(); }
  // A writer can open without waiting only while a reader has the list open.
  bool Write(const QByteArray& text) const {
    const int fd = open(Name(), O_WRONLY | O_NONBLOCK);
    if (fd < 0) return false;
    const bool written = write(fd, text.constData(), text.size()) == text.size();
    close(fd);
    return written;
  }

  const QByteArray name_ = QFile::encodeName(path);
  std::mutex mutex_;
  std::condition_variable over_;
  bool done_ = false;
  std::thread watchdog_;
};

TEST_F(DesktopFeatures, ListsAreReadOffTheWindowsThreadAndOnlyTheLatestOpenCounts) {
  THungList added(audio.Folder() + "added.m3u");
  THungList opened(audio.Folder() + "opened.m3u");
  form1->AddToPlayList({added.path}, false);
  form1->AddToPlayList({ten}, false);
  form1->OpenAndPlay({opened.path});
  form1->OpenAndPlay({deep});  // replaces the open still being read

  bool posted = false;
  QTimer::singleShot(0, form1.get(), [&] { posted = true; });
  ASSERT_TRUE(QTest::qWaitFor([&] { return posted; }, kTimeoutMs));
  ASSERT_TRUE(QTest::qWaitFor([&] { return form1->CurrentFile() == deep; }, kTimeoutMs));
  EXPECT_EQ(form1->PlayList().Paths(), QStringList({deep}));  // the adds wait for their turn

  ASSERT_TRUE(opened.Feed("a.mp3\n"));
  ASSERT_TRUE(added.Feed("a.mp3\n"));
  ASSERT_TRUE(QTest::qWaitFor([&] { return form1->PlayList().Count() == 3; }, kTimeoutMs));
  EXPECT_EQ(form1->PlayList().Paths(), QStringList({deep, a, ten}));
  EXPECT_EQ(form1->CurrentFile(), deep);
}

TEST_F(DesktopFeatures, SessionComesBackLoadedButNotPlaying) {
  // The first place is moved onto a screen too small for it (1024x768 at scale 2).
  const QRect area = form1->screen()->availableGeometry();
  form1->move(area.bottomRight() - QPoint(40, 40));
  EXPECT_FALSE(RestoreSession(*form1));
  EXPECT_TRUE(area.contains(form1->geometry()));

  form1->AddToPlayList({a, two, ten}, false);
  ASSERT_TRUE(QTest::qWaitFor([&] { return form1->PlayList().Count() == 3; }, kTimeoutMs));
  form1->PlayEntry(1);
  form1->SetRepeat(engine::TMPRepeatMode::One);
  form1->move(300, 200);
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return form1->MP3->Status() == engine::kStatusPlaying; }, kTimeoutMs));
  StoreSession(CaptureSession(*form1));
  form1.reset();

  Make();
  ASSERT_TRUE(RestoreSession(*form1));
  EXPECT_EQ(form1->PlayList().Paths(), QStringList({a, two, ten}));
  EXPECT_EQ(form1->PlayList().Queue().CurrentIndex(), 1);
  ASSERT_TRUE(QTest::qWaitFor([&] { return form1->CurrentFile() == two; }, kTimeoutMs));
  EXPECT_EQ(form1->MP3->Status(), engine::kStatusStopped);
  EXPECT_EQ(form1->PlayList().Queue().Repeat(), engine::TMPRepeatMode::One);
  EXPECT_EQ(form1->pos(), QPoint(300, 200));

  // A place the window no longer fits at (a smaller screen since) comes back moved onto it.
  form1->move(area.bottomRight() - QPoint(40, 40));
  StoreSession(CaptureSession(*form1));
  form1.reset();
  Make();
  ASSERT_TRUE(RestoreSession(*form1));
  EXPECT_TRUE(area.contains(form1->geometry()))
      << form1->geometry().x() << "," << form1->geometry().y();

  // A place on no screen there is now (a screen unplugged since) gives the middle of the screen.
  form1->move(area.right() + 500, area.top());
  StoreSession(CaptureSession(*form1));
  form1.reset();
  Make();
  ASSERT_TRUE(RestoreSession(*form1));
  EXPECT_EQ(form1->frameGeometry().center(), area.center());

  // A file gone since: the list comes back, nothing is loaded, nothing is reported.
  form1->PlayEntry(0);
  ASSERT_TRUE(QTest::qWaitFor([&] { return form1->CurrentFile() == a; }, kTimeoutMs));
  StoreSession(CaptureSession(*form1));
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

// A station's name from a list is kept with the session and shown again; a session stored
// without names still loads.
TEST_F(DesktopFeatures, StationNamesFromAListComeBackWithTheSession) {
  const QString station = "http://127.0.0.1:9/live";
  QFile list(audio.Folder() + "radio.m3u8");
  ASSERT_TRUE(list.open(QIODevice::WriteOnly));
  list.write("#EXTM3U\na.mp3\n#EXTINF:-1,Radio \xE5\xA4\xA2, FM\n" + station.toUtf8() + "\n");
  list.close();
  const QString name = QString::fromUtf8("Radio 夢, FM");
  const auto shown = [&] {
    return form1->PlayList().data(form1->PlayList().index(1, 0)).toString();
  };
  form1->AddToPlayList({list.fileName()}, false);
  ASSERT_TRUE(QTest::qWaitFor([&] { return form1->PlayList().Count() == 2; }, kTimeoutMs));
  EXPECT_EQ(shown(), name);
  for (const bool withNames : {true, false}) {
    StoreSession(CaptureSession(*form1));
    if (!withNames) QSettings("velmor", "Play").remove("Session/StationNames");
    form1.reset();
    Make();
    ASSERT_TRUE(RestoreSession(*form1));
    EXPECT_EQ(form1->PlayList().Paths(), QStringList({a, station}));
    EXPECT_EQ(form1->PlayList().StationName(station), withNames ? name : QString());
    EXPECT_EQ(shown(), withNames ? name : station);
  }
}

TEST(FileNames, BytesThatAreNotUtf8SurviveTheTripThroughText) {
  std::mt19937 random(5);
  for (int round = 0; round < 2000; ++round) {
    QByteArray bytes(static_cast<qsizetype>(random() % 12), '\0');
    for (char& byte : bytes)
      byte = static_cast<char>(random() % 2 ? random() % 256 : 0xC3 + random() % 3);
    ASSERT_EQ(NameToBytes(NameFromBytes(bytes)), bytes) << bytes.toHex().toStdString();
    // Absolute names, as the list holds them, keep their bytes through the portable form too.
    const QString absolute = NameFromBytes("/" + bytes.replace('\0', 'x'));
    ASSERT_EQ(NameFromPortable(PortableName(absolute)), absolute) << bytes.toHex().toStdString();
  }
  EXPECT_EQ(NameFromBytes("/m/\xE5\xA4\xA2 caf\xC3\xA9.mp3"), QString::fromUtf8("/m/夢 café.mp3"));
  EXPECT_EQ(PortableName(QString::fromUtf8("/m/夢.mp3")), QString::fromUtf8("/m/夢.mp3"));
  const QString latin1 = NameFromBytes("/m/caf\xE9.mp3");
  EXPECT_EQ(ShownFileName(latin1), QString::fromUtf8("caf\uFFFD.mp3"));
  EXPECT_EQ(FileUri(latin1), "file:///m/caf%E9.mp3");
  EXPECT_EQ(NameFromBytes("\xED\xA0\x80"), NameFromBytes("\xED") + NameFromBytes("\xA0\x80"));
}

// A file whose name is not UTF-8 is listed from its folder, played, shown with a replacement
// character and stored in the session under its exact name.
TEST_F(DesktopFeatures, NamesThatAreNotUtf8AreListedPlayedAndKept) {
  const QByteArray folder = QFile::encodeName(audio.Folder()) + "latin1";
  const QByteArray bytes = folder + "/caf\xE9.mp3";
  ASSERT_TRUE(QDir().mkpath(QFile::decodeName(folder)));
  ASSERT_EQ(::rename(QFile::encodeName(a).constData(), bytes.constData()), 0);
  form1->AddToPlayList({QFile::decodeName(folder)}, false);
  ASSERT_TRUE(QTest::qWaitFor([&] { return form1->PlayList().Count() == 1; }, kTimeoutMs));
  EXPECT_EQ(NameToBytes(form1->PlayList().Path(0)), bytes);
  form1->PlayEntry(0);
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return form1->MP3->Status() == engine::kStatusPlaying; }, kTimeoutMs));
  EXPECT_TRUE(form1->Label1->text().endsWith(QString::fromUtf8("caf\uFFFD.mp3")));
  EXPECT_TRUE(prompts.warnings.empty());
  StoreSession(CaptureSession(*form1));
  form1.reset();
  Make();
  ASSERT_TRUE(RestoreSession(*form1));
  ASSERT_EQ(form1->PlayList().Count(), 1);
  EXPECT_EQ(NameToBytes(form1->PlayList().Path(0)), bytes);
  EXPECT_TRUE(QTest::qWaitFor([&] { return !form1->CurrentFile().isEmpty(); }, kTimeoutMs));
}

}  // namespace
}  // namespace yumekaze::app
