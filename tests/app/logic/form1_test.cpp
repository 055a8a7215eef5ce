#include "app/window/form1.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <memory>

#include "app/desktop/tray_icon.h"
#include "app/dialogs/about_box.h"
#include "app/dialogs/form2.h"
#include "app/dialogs/ht_label.h"
#include "app/settings/session_store.h"
#include "engine/sound/sound_out.h"
#include "platform/audio/wave_device_factory.h"
#include "test_support.h"

namespace yumekaze::app {
namespace {

using test::TAudioFiles;
using test::TFakePowerOff;
using test::TFakePrompts;

constexpr int kEventTimeoutMs = 10000;

class TNoOpener final : public TLinkOpener {
 public:
  void OpenUrl(const QUrl&) override {}
};

// The main window with its companions as start-up makes them, playing through the null device
// at ten times real time so that files end quickly.
struct MainWindow : ::testing::Test {
  void SetUp() override {
    shortTone = audio.MakeTone("short.mp3", 0.4);
    if (shortTone.isEmpty()) GTEST_SKIP() << "sox and twolame are needed to make test audio";
    longA = audio.MakeTone("a.mp3", 20);
    longB = audio.MakeTone("b.mp3", 20);
    longC = audio.MakeTone("c.mp3", 20);
    Make();
  }

  void Make(bool trayAvailable = true, const std::string& device = "null:10") {
    form1 = std::make_unique<TForm1>(platform::CreateWaveDevice(device), prompts,
                                     [trayAvailable] { return trayAvailable; });
    form2 = std::make_unique<TForm2>(
        *form1->Label4, [this] { form1->MP3->Stop(); }, powerOff, prompts);
    about = std::make_unique<TAboutBox>(colours, opener);
    form1->SetCompanions(form2.get(), about.get());
    form1->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form1.get()));
  }

  // The list as given, unexpanded (as a stored session or a play list file may hold it).
  void AddAndPlay(const QStringList& files) {
    form1->PlayList().Assign(files);
    form1->PlayEntry(0);
  }

  // Adds files to the list and waits until they have joined it.
  bool Add(const QStringList& files) {
    const qsizetype before = form1->PlayList().Count();
    form1->AddToPlayList(files, false);
    return QTest::qWaitFor([&] { return form1->PlayList().Count() == before + files.size(); },
                           kEventTimeoutMs);
  }
  void Open(const QStringList& files) {
    prompts.choices.push_back(files);
    form1->Button6->click();
  }
  // Opens files with the dialog and waits until the first one is loaded.
  bool OpenLoaded(const QStringList& files) {
    Open(files);
    return Loaded(files[0]);
  }
  bool Loaded(const QString& file) {
    return QTest::qWaitFor([&] { return form1->CurrentFile() == file; }, kEventTimeoutMs);
  }
  bool Plays(const QString& file) {
    return QTest::qWaitFor([&] { return form1->CurrentFile() == file && Status() == 1; },
                           kEventTimeoutMs);
  }
  // Waits until every event the player posted so far has reached the window.
  bool EventsHandled() {
    constexpr uint32_t kMarker = 0x7ffff000;  // a message the player ignores
    form1->MP3->Window().Post(kMarker);
    return QTest::qWaitFor([&] { return !form1->MP3->Window().IsPending(kMarker); },
                           kEventTimeoutMs);
  }

  // The window's pixel as it is on the screen.
  QColor Shown(QPoint p) const {
    return form1->screen()->grabWindow(form1->winId()).toImage().pixelColor(p);
  }
  int Status() const { return form1->MP3->Status(); }
  int Index() const { return form1->PlayList().Queue().CurrentIndex(); }
  QString Word() const { return form1->Label5->text(); }
  // The path line's full text: shown, or in its tip when cut to fit.
  QString Line1() const {
    return form1->Label1->toolTip().isEmpty() ? form1->Label1->text() : form1->Label1->toolTip();
  }
  bool ShowsScheme(TForm1::TScheme scheme) {
    return QTest::qWaitFor(
        [&] {
          return Shown({40, 99}) == TForm1::SchemeColour(scheme);
        },
        kEventTimeoutMs);
  }
  bool OpenAndPlayEnabled() const {
    return form1->Button6->isEnabled() && form1->Button1->isEnabled() && form1->N1->isEnabled() &&
           form1->N6->isEnabled();
  }
  bool OpenAndPlayDisabled() const {
    return !form1->Button6->isEnabled() && !form1->Button1->isEnabled() &&
           !form1->N1->isEnabled() && !form1->N6->isEnabled();
  }

  TAudioFiles audio;
  QString shortTone, longA, longB, longC;
  TFakePrompts prompts;
  TFakePowerOff powerOff;
  TLinkColours colours;
  TNoOpener opener;
  std::unique_ptr<TForm1> form1;
  std::unique_ptr<TForm2> form2;
  std::unique_ptr<TAboutBox> about;
};

TEST_F(MainWindow, StartsStoppedWithItsControlsInPlace) {
  EXPECT_EQ(form1->size(), QSize(329, 199));
  EXPECT_TRUE(form1->windowFlags() & Qt::FramelessWindowHint);
  EXPECT_EQ(form1->windowTitle(), "ぷれ～や～");
  EXPECT_EQ(form1->mask(), QRegion(0, 0, 329, 199, QRegion::Ellipse));
  EXPECT_EQ(Word(), "STOP");
  EXPECT_EQ(form1->Label4->text(), "Timer Off");
  EXPECT_EQ(form1->Button1->geometry(), QRect(144, 136, 41, 25));
  EXPECT_EQ(form1->Button6->geometry(), QRect(248, 56, 57, 25));
  EXPECT_EQ(form1->Button6->text(), "Open");
  EXPECT_EQ(form1->Button7->toolTip(), "スリープタイマーセット");
  EXPECT_EQ(form1->BitBtn1->toolTip(), "最小化");
  EXPECT_FALSE(form1->BitBtn3->isEnabled());
  EXPECT_EQ(form1->BitBtn1->focusPolicy(), Qt::StrongFocus);  // reached by Tab too
  EXPECT_EQ(form1->Button1->nextInFocusChain(), form1->Button5);
  EXPECT_EQ(form1->Button4->nextInFocusChain(), form1->Button6);
  EXPECT_EQ(form1->Button8->nextInFocusChain(), form1->BitBtn3);
  EXPECT_EQ(form1->TrayIcon1->TipHelp(), "Yumekaze");
  EXPECT_FALSE(form1->TrayIcon1->Visible());
  // The menu is the notification area's to show at the icon; a click brings the window back.
  EXPECT_EQ(form1->TrayIcon1->LBPopupMenu(), nullptr);
  EXPECT_EQ(form1->TrayIcon1->SystemMenu(), form1->PopupMenu1);
  EXPECT_EQ(form1->MP3->DecodePriority(), engine::TThreadPriority::tpHighest);
  EXPECT_FALSE(form1->MP3->AutoPlay());
  EXPECT_EQ(form1->MP3->EqualizerMode(), engine::memFreq);
  const QStringList captions = {"前の曲へ(&B)",
                                "一時停止(&E)",
                                "再生(&P)",
                                "停止(&S)",
                                "次の曲へ(&N)",
                                "",
                                "ファイルオープン(&O)",
                                "フォルダを開く(&F)",
                                "ファイルを追加(&D)",
                                "フォルダを追加(&G)",
                                "お休みタイマー(&T)",
                                "バージョン情報(&A)",
                                "プレイリスト(&L)",
                                "この曲で停止(&Q)",
                                "文字コード(&C)",
                                "",
                                "元のサイズに戻す(&R)",
                                "終了(&X)"};
  QStringList shown;
  for (QAction* action : form1->PopupMenu1->actions()) shown << action->text();
  EXPECT_EQ(shown, captions);
  form1->StopAfterItem->trigger();
  EXPECT_TRUE(form1->PlayList().Queue().StopAfterCurrent());
  form1->StopAfterItem->trigger();
  EXPECT_FALSE(form1->PlayList().Queue().StopAfterCurrent());
}

TEST_F(MainWindow, CommandsDoNothingBeforeAFileIsLoaded) {
  form1->Button1->click();
  form1->Button3->click();
  form1->Button4->click();
  form1->Button5->click();
  form1->Button2->click();
  EXPECT_TRUE(prompts.warnings.empty());
  EXPECT_EQ(Status(), 0);
  EXPECT_EQ(Word(), "STOP");
  EXPECT_TRUE(OpenAndPlayEnabled());
}

TEST_F(MainWindow, OpenLoadsTheFirstEntryWithoutPlaying) {
  ASSERT_TRUE(OpenLoaded({longA, longB}));
  EXPECT_EQ(prompts.dialogFolders.size(), 1u);
  EXPECT_TRUE(form1->MP3->Opened());
  EXPECT_EQ(Status(), 0);
  EXPECT_EQ(Line1(), longA);
  EXPECT_EQ(form1->Label3->text(), "a.mp3");  // no tags: the file's name
  EXPECT_EQ(form1->TrayIcon1->TipHelp(), "a.mp3");
  EXPECT_EQ(Word(), "STOP");
  EXPECT_EQ(Index(), 0);
}

TEST_F(MainWindow, TaggedMp3ShowsArtistAndTitleAndPlaysToItsEnd) {
  const QString tagged = audio.MakeTaggedMp3("tagged.mp3", 0.5, "風の人", "夢の歌");
  if (tagged.isEmpty()) GTEST_SKIP() << "lame is needed for this test";
  ASSERT_TRUE(OpenLoaded({tagged, longA}));
  EXPECT_EQ(form1->Label2->text(), "風の人");
  EXPECT_EQ(form1->Label3->text(), "夢の歌");
  EXPECT_EQ(form1->TrayIcon1->TipHelp(), "夢の歌");
  form1->Button1->click();
  EXPECT_EQ(Status(), 1);
  EXPECT_TRUE(QTest::qWaitFor([&] { return Index() == 1; }, kEventTimeoutMs));
  EXPECT_EQ(Line1(), longA);
  EXPECT_TRUE(prompts.warnings.empty());
}

TEST_F(MainWindow, LongPathsKeepTheFileNameInSightAndShowInFullAsATip) {
  ASSERT_TRUE(OpenLoaded({shortTone}));
  EXPECT_EQ(form1->Label3->width(), form1->Label3->sizeHint().width());  // "short.mp3"
  ASSERT_TRUE(QDir().mkpath(audio.Folder() + QString(80, u'f')));
  const QString deep = audio.Folder() + QString(80, u'f') + "/deep.mp3";
  ASSERT_TRUE(QFile::copy(shortTone, deep));
  ASSERT_TRUE(OpenLoaded({deep}));
  EXPECT_TRUE(form1->Label1->text().startsWith(u'…'));
  EXPECT_TRUE(form1->Label1->text().endsWith("/deep.mp3"));
  EXPECT_EQ(form1->Label1->toolTip(), deep);
  EXPECT_EQ(form1->Label1->geometry().left(), 48);
  EXPECT_LE(form1->Label1->geometry().right(), 247);
  EXPECT_GT(form1->Label1->geometry().right(), 200);
  ASSERT_TRUE(OpenLoaded({shortTone}));
  EXPECT_EQ(Line1(), shortTone);
}

TEST_F(MainWindow, ShiftJisId3v1TagShowsAsJapaneseOnceCp932IsChosen) {
  const QString tagged = audio.MakeTone("sjis.mp3", 1);
  ASSERT_TRUE(TAudioFiles::AppendId3v1(tagged, "\x8e\x52\x93\x63\x91\xbe\x98\x59",
                                       "\x8f\x48\x82\xcc\x96\xe9\x92\xb7\xca\xdd\xb6\xb8"));
  // The choice in the menu shows the open file's texts again at once.
  QMenu* charsets = form1->PopupMenu1->findChildren<QMenu*>().value(0);
  ASSERT_NE(charsets, nullptr);
  const auto pick = [&](const QString& caption) {
    for (QAction* action : charsets->actions()) {
      if (action->text().startsWith(caption)) action->trigger();
    }
  };
  // Whatever the locale's set, the file is read first as Western European text.
  pick("CP1252");
  ASSERT_TRUE(OpenLoaded({tagged}));
  // The list's row, read before in another character set, is read again as well.
  const QModelIndex row = form1->PlayList().index(0, TPlayListModel::kArtist);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !row.data().toString().isEmpty(); }, kEventTimeoutMs));
  EXPECT_NE(row.data().toString(), "山田太郎");
  pick("CP932");
  EXPECT_EQ(form1->Label2->text(), "山田太郎");
  EXPECT_EQ(form1->Label3->text(), "秋の夜長ﾊﾝｶｸ");
  EXPECT_EQ(form1->TrayIcon1->TipHelp(), "秋の夜長ﾊﾝｶｸ");
  EXPECT_TRUE(
      QTest::qWaitFor([&] { return row.data().toString() == "山田太郎"; }, kEventTimeoutMs));
  EXPECT_TRUE(prompts.warnings.empty());
  pick("自動");
}

TEST_F(MainWindow, PlayPauseResumeStopFollowStatusSchemeAndWord) {
  ASSERT_TRUE(OpenLoaded({longA}));
  form1->Button1->click();
  EXPECT_EQ(Status(), 1);
  EXPECT_EQ(form1->Scheme(), TForm1::TScheme::Playing);
  EXPECT_EQ(Word(), "PLAY");
  EXPECT_EQ(form1->Label1->palette().color(QPalette::Window), QColor(0, 0, 255));
  EXPECT_TRUE(OpenAndPlayDisabled());

  form1->Button5->click();
  EXPECT_EQ(Status(), 2);
  EXPECT_EQ(Word(), "PAUSE");
  EXPECT_EQ(form1->Label5->palette().color(QPalette::Window), QColor(0, 128, 128));
  form1->Button5->click();
  EXPECT_EQ(Status(), 1);
  EXPECT_EQ(Word(), "PLAY");

  form1->Button2->click();
  EXPECT_EQ(Status(), 0);
  EXPECT_EQ(Word(), "STOP");
  EXPECT_EQ(form1->Label2->palette().color(QPalette::Window), QColor(255, 0, 255));
  EXPECT_TRUE(OpenAndPlayEnabled());
}

TEST_F(MainWindow, MenuItemsRunTheirButtonsCommands) {
  ASSERT_TRUE(OpenLoaded({longA, longB, longC}));
  form1->N1->trigger();
  EXPECT_EQ(Status(), 1);
  EXPECT_TRUE(OpenAndPlayDisabled());
  form1->N2->trigger();
  EXPECT_EQ(Status(), 2);
  form1->N2->trigger();
  EXPECT_EQ(Status(), 1);
  form1->N5->trigger();
  EXPECT_EQ(Index(), 1);
  EXPECT_TRUE(Plays(longB));
  form1->N4->trigger();
  EXPECT_EQ(Index(), 0);
  form1->N3->trigger();
  EXPECT_EQ(Status(), 0);
  EXPECT_TRUE(OpenAndPlayEnabled());
  form1->N7->trigger();
  form1->AboutA1->trigger();
  ASSERT_EQ(prompts.modals.size(), 2u);
  EXPECT_EQ(prompts.modals[0], form2.get());
  EXPECT_EQ(prompts.modals[1], about.get());

  // Open and play: the new selection loads and plays at once.
  prompts.choices.push_back({longC});
  form1->N6->trigger();
  EXPECT_TRUE(Plays(longC));
  form1->Exit1->trigger();
  EXPECT_EQ(Status(), 0);
  EXPECT_FALSE(form1->isVisible());
}

TEST_F(MainWindow, NextAndPreviousWrapAroundTheList) {
  ASSERT_TRUE(OpenLoaded({longA, longB, longC}));
  form1->Button4->click();
  EXPECT_EQ(Index(), 2);
  EXPECT_TRUE(Plays(longC));
  form1->Button3->click();
  EXPECT_EQ(Index(), 0);
  EXPECT_TRUE(Plays(longA));
  form1->Button3->click();
  EXPECT_EQ(Index(), 1);
  EXPECT_TRUE(OpenAndPlayDisabled());
  // After a stop, next plays again and does not offer a second play.
  form1->Button2->click();
  form1->Button3->click();
  EXPECT_TRUE(OpenAndPlayDisabled());  // also while the file opens
  EXPECT_TRUE(Plays(longC));
  EXPECT_EQ(Word(), "PLAY");
  EXPECT_TRUE(OpenAndPlayDisabled());
  EXPECT_TRUE(prompts.warnings.empty());
}

TEST_F(MainWindow, EndOfAFilePlaysTheNextEntryAndWraps) {
  ASSERT_TRUE(OpenLoaded({shortTone, longA}));
  form1->Button3->click();  // to the long entry, then wrap to the short one
  form1->Button3->click();
  EXPECT_EQ(Index(), 0);
  // The short tone ends: the list advances to the long entry and plays it.
  EXPECT_TRUE(QTest::qWaitFor([&] { return Index() == 1; }, kEventTimeoutMs));
  EXPECT_TRUE(Plays(longA));
  EXPECT_TRUE(prompts.warnings.empty());
}

TEST_F(MainWindow, OneEntryStartsAgainAtItsEnd) {
  ASSERT_TRUE(OpenLoaded({shortTone}));
  form1->Button1->click();
  // It follows itself without a gap: playing all along, the window told of each new start.
  QSignalSpy restarts(form1.get(), &TForm1::PlayerChanged);
  EXPECT_TRUE(QTest::qWaitFor([&] { return restarts.count() >= 3; }, kEventTimeoutMs));
  EXPECT_EQ(Status(), 1);
  EXPECT_EQ(Index(), 0);
  EXPECT_EQ(Line1(), shortTone);
  EXPECT_TRUE(prompts.warnings.empty());
}

TEST_F(MainWindow, WithRepeatOffTheListEndsStopped) {
  ASSERT_TRUE(Add({longA, shortTone}));
  form1->SetRepeat(engine::TMPRepeatMode::Off);
  form1->PlayEntry(1);
  ASSERT_TRUE(Plays(shortTone));
  EXPECT_TRUE(QTest::qWaitFor([&] { return Status() == 0; }, kEventTimeoutMs));
  EXPECT_TRUE(QTest::qWaitFor([&] { return OpenAndPlayEnabled(); }, kEventTimeoutMs));
  EXPECT_EQ(Word(), "STOP");
  EXPECT_EQ(Index(), 0);  // play starts the list again
  EXPECT_TRUE(prompts.warnings.empty());
}

// mpg123's decode of a file as 16-bit samples.
QByteArray Mpg123Pcm(const QString& file) {
  QProcess mpg123;
  mpg123.start("mpg123", {"-q", "-s", file});
  mpg123.waitForFinished(kEventTimeoutMs);
  return mpg123.readAllStandardOutput();
}

TEST_F(MainWindow, TheNextEntryFollowsWithoutAGapOnTheOpenDevice) {
  if (QStandardPaths::findExecutable("mpg123").isEmpty()) GTEST_SKIP() << "needs mpg123";
  const QString second = audio.MakeTone("second.mp3", 0.7);
  const QString wav = audio.Folder() + "out.wav";
  Make(true, ("wav:" + wav).toStdString());
  ASSERT_TRUE(Add({shortTone, second}));
  form1->SetRepeat(engine::TMPRepeatMode::Off);
  form1->PlayEntry(0);
  ASSERT_TRUE(QTest::qWaitFor([&] { return Line1() == second && Status() == 0; }, kEventTimeoutMs));
  // One WAV holds both files back to back: the device was not opened again for the second.
  QFile out(wav);
  ASSERT_TRUE(out.open(QIODevice::ReadOnly));
  const QByteArray written = out.readAll();
  const QByteArray expected = Mpg123Pcm(shortTone) + Mpg123Pcm(second);
  ASSERT_GT(expected.size(), 100000);
  ASSERT_EQ(written.size() - 44, expected.size());
  // The window's equalizer may round a sample differently from mpg123, never more than that.
  const auto* got = reinterpret_cast<const int16_t*>(written.constData() + 44);
  const auto* want = reinterpret_cast<const int16_t*>(expected.constData());
  int worst = 0;
  for (qsizetype i = 0; i < expected.size() / 2; ++i)
    worst = std::max(worst, std::abs(got[i] - want[i]));
  EXPECT_LE(worst, 2);
}

TEST_F(MainWindow, StopReportsNoEndOfFileAndPlaysNothingStillOpening) {
  ASSERT_TRUE(OpenLoaded({shortTone, longA}));
  form1->Button1->click();
  form1->Button2->click();
  ASSERT_TRUE(EventsHandled());
  EXPECT_EQ(Index(), 0);
  EXPECT_EQ(Status(), 0);

  // Stopped while the next file opens: it is loaded, and nothing plays.
  form1->Button3->click();
  form1->Button2->click();
  ASSERT_TRUE(Loaded(longA));
  ASSERT_TRUE(EventsHandled());
  EXPECT_EQ(Status(), 0);
  EXPECT_EQ(Word(), "STOP");
  EXPECT_TRUE(OpenAndPlayEnabled());
  // Of two commands in a row only the latest counts.
  form1->Button3->click();
  form1->Button3->click();
  ASSERT_TRUE(Plays(longA));
  ASSERT_TRUE(EventsHandled());
  EXPECT_EQ(Index(), 1);
  EXPECT_EQ(Line1(), longA);
}

TEST_F(MainWindow, BadEntriesAreSkippedWithANoticeThatNamesThem) {
  const QString empty = audio.Folder() + "empty.mp3";
  QFile(empty).open(QIODevice::WriteOnly);
  const QString folder = audio.Folder() + "folder.mp3";
  ASSERT_TRUE(QDir().mkdir(folder));
  const QString text = audio.MakeText("text.mp3");
  AddAndPlay({empty, folder, longA, text});
  ASSERT_TRUE(Plays(longA));
  EXPECT_TRUE(prompts.warnings.empty());
  ASSERT_EQ(prompts.notices.size(), 1);
  EXPECT_TRUE(prompts.notices[0].contains(empty) && prompts.notices[0].contains(folder));
  EXPECT_EQ(Index(), 2);
  EXPECT_EQ(Line1(), longA);
  EXPECT_EQ(Status(), 1);
  EXPECT_TRUE(OpenAndPlayDisabled());
  // Next skips the text file and wraps round past the two others to the same file.
  form1->Button3->click();
  ASSERT_TRUE(QTest::qWaitFor([&] { return prompts.notices.size() == 2; }, kEventTimeoutMs));
  EXPECT_TRUE(prompts.notices[1].contains(text) && prompts.notices[1].contains(empty));
  EXPECT_EQ(Index(), 2);
  EXPECT_EQ(Status(), 1);
  // A file gone since it was listed is skipped as well.
  const QString gone = audio.MakeTone("gone.mp3", 1);
  ASSERT_TRUE(Add({gone}));
  QFile::remove(gone);
  form1->Button3->click();
  ASSERT_TRUE(QTest::qWaitFor([&] { return prompts.notices.size() == 3; }, kEventTimeoutMs));
  EXPECT_TRUE(prompts.notices[2].contains(gone));
  EXPECT_EQ(Index(), 2);

  // Previous onto a bad entry goes on backwards: before the empty file, round to the gone one,
  // the text file and then the playing file.
  form1->Button4->click();
  ASSERT_TRUE(QTest::qWaitFor([&] { return prompts.notices.size() == 4; }, kEventTimeoutMs));
  // Each skipped file is named once, in the order passed over.
  EXPECT_TRUE(prompts.notices[3].startsWith("再生できないファイルを飛ばしました:\n"));
  EXPECT_EQ(prompts.notices[3].count(folder), 1);
  EXPECT_LT(prompts.notices[3].indexOf(folder), prompts.notices[3].indexOf(empty));
  EXPECT_LT(prompts.notices[3].indexOf(empty), prompts.notices[3].indexOf(gone));
  EXPECT_TRUE(Plays(longA));
  EXPECT_TRUE(prompts.warnings.empty());
}

TEST_F(MainWindow, AnEmptyFileBeforeAGoodOneIsPassedOver) {
  const QString empty = audio.Folder() + "empty.mp3";
  QFile(empty).open(QIODevice::WriteOnly);
  form1->OpenAndPlay({empty, longB});
  ASSERT_TRUE(Plays(longB));
  EXPECT_EQ(Index(), 1);
  ASSERT_EQ(prompts.notices.size(), 1);
  EXPECT_TRUE(prompts.notices[0].contains(empty));
  EXPECT_TRUE(prompts.warnings.empty());
}

TEST_F(MainWindow, AListOfOnlyBadEntriesStopsWithOneMessage) {
  const QString text = audio.MakeText("text.mp3");
  const QString missing = audio.Folder() + "missing.mp3";
  AddAndPlay({text, missing});
  ASSERT_TRUE(QTest::qWaitFor([&] { return !prompts.warnings.empty(); }, kEventTimeoutMs));
  ASSERT_TRUE(EventsHandled());
  ASSERT_EQ(prompts.warnings.size(), 1u);
  EXPECT_EQ(prompts.warnings[0].caption, "警告");
  EXPECT_TRUE(prompts.warnings[0].text.contains(text) &&
              prompts.warnings[0].text.contains(missing));
  EXPECT_TRUE(prompts.notices.isEmpty());
  EXPECT_FALSE(form1->MP3->Opened());
  EXPECT_EQ(Status(), 0);
  EXPECT_TRUE(QTest::qWaitFor([&] { return Word() == "STOP"; }, kEventTimeoutMs));
  EXPECT_TRUE(OpenAndPlayEnabled());
  EXPECT_TRUE(Line1().isEmpty());
}

TEST_F(MainWindow, StatusChangeTheWindowDidNotCommandShowsByItself) {
  ASSERT_TRUE(OpenLoaded({longA}));
  form1->Button1->click();
  ASSERT_TRUE(ShowsScheme(TForm1::TScheme::Playing));
  form1->MP3->Stop();
  EXPECT_TRUE(ShowsScheme(TForm1::TScheme::Stopped));
  EXPECT_EQ(Shown({220, 99}), TForm1::SchemeColour(TForm1::TScheme::Stopped));
  EXPECT_EQ(Word(), "STOP");
}

TEST_F(MainWindow, BadEntryReachedAtTheEndOfAFileIsSkipped) {
  const QString text = audio.MakeText("text.mp3");
  ASSERT_TRUE(OpenLoaded({shortTone, text, longA}));
  form1->Button1->click();
  ASSERT_TRUE(Plays(longA));
  ASSERT_EQ(prompts.notices.size(), 1);
  EXPECT_TRUE(prompts.notices[0].contains(text));
  EXPECT_TRUE(prompts.warnings.empty());
  EXPECT_EQ(Status(), 1);
  EXPECT_EQ(Line1(), longA);
  EXPECT_TRUE(OpenAndPlayDisabled());
}

TEST_F(MainWindow, ASoundDeviceThatCannotOpenIsNamed) {
  // A sound output that cannot open: a WAV file in a folder that does not exist.
  const QString device = audio.Folder() + "no/such/folder/out.wav";
  Make(true, ("wav:" + device).toStdString());
  ASSERT_TRUE(OpenLoaded({longA}));
  form1->Button1->click();
  // Reported as Play throws it, or afterwards through the player's error event.
  ASSERT_TRUE(QTest::qWaitFor([&] { return !prompts.notices.empty(); }, kEventTimeoutMs));
  ASSERT_TRUE(EventsHandled());
  ASSERT_EQ(prompts.notices.size(), 1u);
  EXPECT_TRUE(prompts.notices[0].startsWith("サウンドデバイスを開けませんでした"));
  EXPECT_TRUE(prompts.notices[0].contains(device)) << prompts.notices[0].toStdString();
  EXPECT_EQ(Status(), 0);
  EXPECT_TRUE(form1->MP3->Opened());
  // The playing scheme drawn before the failed start gives way to the stopped one by itself.
  EXPECT_TRUE(QTest::qWaitFor([&] { return Word() == "STOP"; }, kEventTimeoutMs));
  EXPECT_TRUE(ShowsScheme(TForm1::TScheme::Stopped));
  EXPECT_TRUE(OpenAndPlayEnabled());

  // The same notice, and no box, when the device fails after Play has returned.
  form1->MP3->OnShowException()(*form1->MP3, engine::TMPDeviceOpenError("busy", "hw:7"));
  form1->MP3EndPlay(engine::meprError);
  ASSERT_EQ(prompts.notices.size(), 2u);
  EXPECT_EQ(prompts.notices[1], "サウンドデバイスを開けませんでした: hw:7\nbusy");
  EXPECT_TRUE(prompts.warnings.empty());
}

TEST_F(MainWindow, FailedOpenNamesTheFileAndClearsTheLines) {
  ASSERT_TRUE(OpenLoaded({longA}));
  const QString text = audio.MakeText("text.mp3");
  Open({text});
  ASSERT_TRUE(QTest::qWaitFor([&] { return !prompts.warnings.empty(); }, kEventTimeoutMs));
  ASSERT_EQ(prompts.warnings.size(), 1u);
  EXPECT_EQ(prompts.warnings[0].text, text + "\nunknown MPEG Audio format.");
  EXPECT_EQ(prompts.warnings[0].caption, "Yumekaze");
  EXPECT_FALSE(form1->MP3->Opened());
  EXPECT_TRUE(Line1().isEmpty());
  EXPECT_TRUE(form1->Label3->text().isEmpty());
}

TEST_F(MainWindow, FilesGivenAtStartBecomeThePlayListAndPlay) {
  form1->OpenAndPlay({longA, longB});
  ASSERT_TRUE(Plays(longA));
  EXPECT_EQ(Index(), 0);
  EXPECT_TRUE(OpenAndPlayDisabled());
  EXPECT_EQ(Word(), "PLAY");
  form1->Button3->click();
  EXPECT_TRUE(Plays(longB));
  EXPECT_TRUE(prompts.dialogFolders.isEmpty());  // no open dialog

  // A file that cannot be played is reported; the window stays usable.
  form1->Button2->click();
  form1->OpenAndPlay({audio.MakeText("text.mp3")});
  ASSERT_TRUE(QTest::qWaitFor([&] { return !prompts.warnings.empty(); }, kEventTimeoutMs));
  ASSERT_EQ(prompts.warnings.size(), 1u);
  EXPECT_EQ(prompts.warnings[0].caption, "警告");
  EXPECT_EQ(Status(), 0);
  EXPECT_TRUE(OpenAndPlayEnabled());
  form1->OpenAndPlay({});
  EXPECT_EQ(prompts.warnings.size(), 1u);
}

TEST_F(MainWindow, CancelledOpenChangesNothing) {
  ASSERT_TRUE(OpenLoaded({longA, longB}));
  form1->Button1->click();
  form1->Button2->click();
  form1->Button6->click();  // cancelled
  EXPECT_EQ(Line1(), longA);
  EXPECT_EQ(form1->Label3->text(), "a.mp3");
  EXPECT_EQ(form1->PlayList().Count(), 2);
  form1->Button3->click();
  EXPECT_TRUE(Plays(longB));
  EXPECT_TRUE(prompts.warnings.empty());
  form1->close();
  EXPECT_EQ(QSettings("velmor", "Play").value("File/Initial").toString(), audio.Folder());
}

TEST_F(MainWindow, OpenFolderPlaysItsFilesInOrderAndCancelChangesNothing) {
  form1->OpenFolderItem->trigger();  // cancelled
  EXPECT_EQ(form1->PlayList().Count(), 0);
  EXPECT_EQ(Status(), 0);
  prompts.folderChoice = audio.Folder();
  form1->OpenFolderItem->trigger();
  EXPECT_TRUE(Plays(longA));
  EXPECT_EQ(form1->PlayList().Count(), 4);  // a, b, c and short
  EXPECT_FALSE(form1->OpenFolderItem->isEnabled());
}

TEST_F(MainWindow, CloseWritesTheFolderThatTheNextStartReads) {
  ASSERT_TRUE(OpenLoaded({longA}));
  form1->BitBtn2->click();
  QSettings settings("velmor", "Play");
  EXPECT_EQ(settings.value("File/Initial").toString(), audio.Folder());
  // A second close query in the same run is harmless.
  form1->close();
  Make();
  EXPECT_EQ(form1->InitialFolder(), audio.Folder());
  Open({});
  EXPECT_EQ(prompts.dialogFolders.back(), audio.Folder());
  // Closing with nothing loaded keeps the stored folder.
  form1->close();
  EXPECT_EQ(QSettings("velmor", "Play").value("File/Initial").toString(), audio.Folder());
}

TEST_F(MainWindow, MinimiseToTheTrayAndRestore) {
  form1->BitBtn1->click();
  EXPECT_FALSE(form1->isVisible());
  EXPECT_TRUE(form1->TrayIcon1->Visible());
  form1->R1->trigger();
  EXPECT_TRUE(form1->isVisible());
  EXPECT_FALSE(form1->TrayIcon1->Visible());
  EXPECT_FALSE(form1->isMinimized());
  // A left click on the icon brings the window back as well.
  form1->BitBtn1->click();
  TTrayIcon::Notify(form1->TrayIcon1->IconNumber(), TTrayMouseMessage::LeftDown);
  TTrayIcon::Notify(form1->TrayIcon1->IconNumber(), TTrayMouseMessage::LeftUp);
  EXPECT_TRUE(form1->isVisible());
  EXPECT_FALSE(form1->TrayIcon1->Visible());

  // The tray menu's exit ends the program also while the window is in the tray and paused.
  ASSERT_TRUE(OpenLoaded({longA}));
  form1->Button1->click();
  form1->Button5->click();
  ASSERT_EQ(Status(), 2);
  form1->BitBtn1->click();
  QSignalSpy closed(form1.get(), &TForm1::Closed);
  form1->Exit1->trigger();
  EXPECT_EQ(closed.count(), 1);
  EXPECT_EQ(Status(), 0);
  EXPECT_EQ(QSettings("velmor", "Play").value("File/Initial").toString(), audio.Folder());
}

TEST_F(MainWindow, WithoutATrayMinimiseKeepsTheWindowReachable) {
  Make(false);
  form1->BitBtn1->click();
  EXPECT_TRUE(form1->isVisible());
  EXPECT_FALSE(form1->TrayIcon1->Visible());
}

TEST_F(MainWindow, TimerLineShowsTheConfirmedTimerOnly) {
  form2->CB1->setChecked(true);  // ticked, not confirmed
  form1->SettingColor1();
  EXPECT_EQ(form1->Label4->text(), "Timer Off");
  form2->SE1->setValue(7);
  form2->BitBtn1->click();
  form1->SettingColor1();
  EXPECT_EQ(form1->Label4->text(), "あと7分");
  form2->Timer1->stop();
}

TEST_F(MainWindow, SleepTimerAtZeroStopsThePlayer) {
  ASSERT_TRUE(OpenLoaded({longA}));
  form1->Button1->click();
  form2 = std::make_unique<TForm2>(
      *form1->Label4, [this] { form1->StopBySleepTimer(); }, powerOff, prompts, 10);
  form1->SetCompanions(form2.get(), about.get());
  form2->CB1->setChecked(true);
  form2->SE1->setValue(5);
  form2->BitBtn1->click();
  EXPECT_TRUE(QTest::qWaitFor([&] { return powerOff.requests == 1; }, kEventTimeoutMs));
  EXPECT_EQ(Status(), 0);
  // The window shows the stop by itself, in case the power-off does not happen.
  const QColor stopped = TForm1::SchemeColour(TForm1::TScheme::Stopped);
  EXPECT_TRUE(QTest::qWaitFor([&] { return Shown({40, 99}) == stopped; }, kEventTimeoutMs));
  EXPECT_EQ(Word(), "STOP");
  EXPECT_TRUE(OpenAndPlayEnabled());
}

TEST_F(MainWindow, SleepTimerThatFinishesTheTrackStopsAfterItThenActs) {
  ASSERT_TRUE(OpenLoaded({longA, longB}));
  form1->Button1->click();
  ASSERT_TRUE(Plays(longA));
  form2 = std::make_unique<TForm2>(
      *form1->Label4, [this] { form1->StopBySleepTimer(); }, powerOff, prompts, 10);
  form1->SetCompanions(form2.get(), about.get());
  form2->CB1->setChecked(true);
  form2->SE1->setValue(5);
  form2->FinishTrackBox->setChecked(true);
  const int volume = form1->MP3->Volume();
  form2->BitBtn1->click();
  // Time is up while the track plays: it plays on, unfaded, and stops at its end.
  ASSERT_TRUE(QTest::qWaitFor([&] { return form2->WaitingForTrackEnd(); }, kEventTimeoutMs));
  EXPECT_EQ(powerOff.requests, 0);
  EXPECT_EQ(form1->CurrentFile(), longA);
  EXPECT_TRUE(form1->StopAfterItem->isChecked());
  EXPECT_EQ(form1->MP3->Volume(), volume);
  EXPECT_EQ(form1->Label4->text(), "曲の終わり");
  EXPECT_TRUE(QTest::qWaitFor([&] { return powerOff.requests == 1; }, 3 * kEventTimeoutMs));
  EXPECT_EQ(Status(), 0);
  EXPECT_EQ(Index(), 1);  // stopped after the track, not at the end of the list
  EXPECT_FALSE(form2->Counting());
  EXPECT_EQ(form1->Label4->text(), "Timer Off");
  // The choice is kept for the next start.
  EXPECT_TRUE(TForm2(
                  *form1->Label4, [] {}, powerOff, prompts)
                  .FinishTrackBox->isChecked());
  form2->FinishTrackBox->setChecked(false);
  form2->BitBtn1->click();
}

TEST_F(MainWindow, PlaybackEndedByAnErrorShowsStoppedAtOnce) {
  ASSERT_TRUE(OpenLoaded({longA, longB}));
  form1->Button1->click();
  ASSERT_TRUE(QTest::qWaitFor(
      [&] {
        return Shown({40, 99}) == QColor(0, 0, 255);
      },
      kEventTimeoutMs));
  // The player reports an error end after it has stopped by itself.
  form1->MP3->Stop();
  ASSERT_TRUE(OpenAndPlayDisabled());
  form1->MP3EndPlay(engine::meprError);
  EXPECT_TRUE(QTest::qWaitFor([&] { return Word() == "STOP"; }, kEventTimeoutMs));
  EXPECT_TRUE(ShowsScheme(TForm1::TScheme::Stopped));
  EXPECT_TRUE(OpenAndPlayEnabled());
  EXPECT_EQ(Index(), 0);  // an error does not advance the list
}

TEST_F(MainWindow, RestoredPausedSessionMakesNoSoundUntilResumedThenGoesOnWhereItWas) {
  ASSERT_TRUE(Add({longA, longB}));
  form1->PlayEntry(1);
  ASSERT_TRUE(Plays(longB));
  ASSERT_TRUE(QTest::qWaitFor([&] { return form1->PlayedMilliseconds() > 3000; }, kEventTimeoutMs));
  form1->Button5->click();
  const int64_t saved = form1->PlayedMilliseconds();
  StoreSession(CaptureSession(*form1));

  const QString wav = audio.Folder() + "restored.wav";
  Make(true, ("wav:" + wav).toStdString());
  ASSERT_TRUE(RestoreSession(*form1));
  // Saved again before it played, even before it is open, the place is kept.
  StoreSession(CaptureSession(*form1));
  EXPECT_EQ(QSettings("velmor", "Play").value("Session/PositionMs").toLongLong(), saved);
  ASSERT_TRUE(Loaded(longB));
  ASSERT_TRUE(EventsHandled());
  EXPECT_EQ(Status(), 0);
  EXPECT_EQ(Word(), "PAUSE");
  EXPECT_FALSE(QFile::exists(wav));  // the device was never opened
  EXPECT_EQ(form1->PlayedMilliseconds(), saved);
  EXPECT_TRUE(form1->CanSeek());  // a seek moves the stored place

  // Resume goes on from the stored place, not from the start.
  form1->Button5->click();
  ASSERT_TRUE(Plays(longB));
  EXPECT_GE(form1->MP3->PlayedMilliseconds(), saved - 100);
  EXPECT_TRUE(prompts.warnings.empty());
}

TEST_F(MainWindow, ShuffleWithoutRepeatPlaysEachEntryOnceWithoutGapsAndEnds) {
  if (QStandardPaths::findExecutable("mpg123").isEmpty()) GTEST_SKIP() << "needs mpg123";
  const QStringList files = {shortTone, audio.MakeTone("s2.mp3", 0.5),
                             audio.MakeTone("s3.mp3", 0.6)};
  const QString wav = audio.Folder() + "out.wav";
  Make(true, ("wav:" + wav).toStdString());
  ASSERT_TRUE(Add(files));
  form1->SetRepeat(engine::TMPRepeatMode::Off);
  form1->SetShuffle(true);
  form1->PlayEntry(0);
  ASSERT_TRUE(OpenAndPlayDisabled());
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return Status() == 0 && OpenAndPlayEnabled(); }, kEventTimeoutMs));
  ASSERT_TRUE(EventsHandled());
  EXPECT_EQ(Status(), 0);
  // One opening of the device holds the three files, each once.
  QFile out(wav);
  ASSERT_TRUE(out.open(QIODevice::ReadOnly));
  qsizetype expected = 0;
  for (const QString& file : files) expected += Mpg123Pcm(file).size();
  EXPECT_EQ(out.size() - 44, expected);
  EXPECT_TRUE(prompts.warnings.empty());
}

}  // namespace
}  // namespace yumekaze::app
