// Starts the real `yumekaze` on an X server (Xvfb), drives it with synthesised clicks and keys,
// and checks screenshots of the stopped, playing and paused window. The screenshots are kept in
// the build folder (screenshots/).
#include <gtest/gtest.h>

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QProcess>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "app/window/app_font.h"
#include "app/window/position_ring.h"
#include "test_support.h"
#include "x_input.h"

namespace yumekaze::app::test {
namespace {

// Where the window puts itself, and what it draws (window coordinates).
const QPoint kOrigin(244, 155);
const QSize kSize(329, 199);
const QColor kStopped(255, 0, 255);
const QColor kPlaying(0, 0, 255);
const QColor kPaused(0, 128, 128);
const QColor kRing(0, 128, 0);
const QPoint kInnerPoints[] = {{40, 99}, {100, 60}, {164, 99}, {220, 99}};
// Clear of the position arc, which runs along the middle of the ring on the left and the top.
const QPoint kRingPoints[] = {{14, 99}, {164, 14}, {309, 99}, {80, 170}};
const QColor kArcPlayed(170, 255, 120);
// Inside the window's rectangle but outside its ellipse: the X server's root shows through.
const QPoint kOutsidePoints[] = {{2, 2}, {326, 2}, {2, 196}, {326, 196}};
// Low in the inner ellipse, clear of labels and buttons: a message box centred on the window does
// not cover them.
const QPoint kLowInnerPoints[] = {{164, 128}, {230, 128}, {100, 128}};
// Inside the ellipse, outside the ring: the window's black surface.
const QPoint kSurfacePoints[] = {{164, 3}, {4, 99}};
const QPoint kLabel5(144, 40);
const QPoint kOpenButton(276, 68);
const QPoint kPlayButton(164, 148);
const QPoint kPauseButton(116, 148);
const QPoint kStopButton(212, 148);
const QPoint kNextButton(260, 148);
const QPoint kCloseButton(264, 32);
const QPoint kSleepButton(276, 92);
const QPoint kAboutButton(276, 116);
constexpr int kTimeoutMs = 10000;

bool Near(const QColor& a, const QColor& b, int tolerance = 24) {
  return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
         std::abs(a.blue() - b.blue()) <= tolerance;
}

QImage Grab() {
  return QGuiApplication::primaryScreen()->grabWindow(0).toImage().convertToFormat(
      QImage::Format_RGB32);
}

QColor At(const QImage& screen, QPoint inWindow) { return screen.pixelColor(kOrigin + inWindow); }

// The state word as the window draws it: white on the scheme colour in the window's font.
QImage RenderWord(const QString& word, const QColor& background, QSize size) {
  QLabel label(word);
  label.setFont(GothicFont(17));
  label.setAutoFillBackground(true);
  QPalette palette = label.palette();
  palette.setColor(QPalette::WindowText, Qt::white);
  palette.setColor(QPalette::Window, background);
  label.setPalette(palette);
  label.resize(size);
  return label.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// The share of pixels of the word's box that differ from a rendering of `word`.
double WordMismatch(const QImage& screen, const QString& word, const QColor& background) {
  QLabel probe(word);
  probe.setFont(GothicFont(17));
  const QSize size(std::max(42, probe.sizeHint().width()), 17);
  const QImage expected = RenderWord(word, background, size);
  const QImage shown = screen.copy(QRect(kOrigin + kLabel5, size));
  int differing = 0;
  for (int y = 0; y < size.height(); ++y) {
    for (int x = 0; x < size.width(); ++x) {
      if (!Near(expected.pixelColor(x, y), shown.pixelColor(x, y), 40)) ++differing;
    }
  }
  return double(differing) / (size.width() * size.height());
}

// A window of the test's own beneath the player's: it counts the presses that reach it and
// shows a colour that is none of the player's.
class Catcher : public QWidget {
 public:
  static inline const QColor kColour{230, 200, 0};
  Catcher() : QWidget(nullptr, Qt::FramelessWindowHint) {
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, kColour);
    setPalette(palette);
    setAutoFillBackground(true);
  }
  int presses = 0;

 protected:
  void mousePressEvent(QMouseEvent*) override { ++presses; }
};

// Pixels of the window's rectangle that blend its black edge into the catcher's colour.
int BlendedEdgePixels(const QImage& screen) {
  int blended = 0;
  for (int y = 0; y < kSize.height(); ++y) {
    for (int x = 0; x < kSize.width(); ++x) {
      const QColor c = screen.pixelColor(kOrigin + QPoint(x, y));
      const double share = c.red() / double(Catcher::kColour.red());
      if (share > 0.15 && share < 0.85 &&
          std::abs(c.green() - share * Catcher::kColour.green()) < 12 && c.blue() < 12) {
        ++blended;
      }
    }
  }
  return blended;
}

class RealWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!input_.Connected()) GTEST_SKIP() << "no X display (run under xvfb-run)";
    song_ = audio_.MakeTone("song.mp3", 60);
    if (song_.isEmpty()) GTEST_SKIP() << "sox and twolame are needed to make test audio";
    QDir().mkpath(YUMEKAZE_SCREENSHOT_DIR);
    QSettings settings(config_.filePath("velmor/Play.conf"), QSettings::IniFormat);
    settings.setValue("File/Initial", audio_.Folder());
    settings.sync();

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_CONFIG_HOME", config_.path());
    environment.insert("YUMEKAZE_DEVICE", "null");
    environment.insert("QT_QPA_PLATFORM", "xcb");
    program_.setProcessEnvironment(environment);
    program_.setProcessChannelMode(QProcess::ForwardedChannels);
    program_.start(YUMEKAZE_PROGRAM, {});
    ASSERT_TRUE(program_.waitForStarted(kTimeoutMs));
    if (!WaitForScheme(kStopped)) {
      Grab().save(YUMEKAZE_SCREENSHOT_DIR "/start_failed.png");
      FAIL() << "the stopped window did not appear (see start_failed.png)";
    }
  }

  void TearDown() override {
    if (program_.state() != QProcess::NotRunning) {
      program_.kill();
      program_.waitForFinished(kTimeoutMs);
    }
  }

  bool WaitForScheme(const QColor& colour) {
    return QTest::qWaitFor(
        [&] {
          const QImage screen = Grab();
          for (QPoint p : kInnerPoints) {
            if (!Near(At(screen, p), colour)) return false;
          }
          return true;
        },
        kTimeoutMs);
  }

  void Click(QPoint inWindow) { ClickScreen(kOrigin + inWindow); }

  // The pointer is there before the press, as a hand's is: a window sees it enter first.
  void ClickScreen(QPoint screen) {
    PointTo(screen);
    input_.Press(screen);
    input_.Release();
  }

  // Moves the pointer and waits until the X server has it there; the events that follow queue
  // behind the move.
  void PointTo(QPoint screen) {
    input_.MoveTo(screen);
    EXPECT_TRUE(QTest::qWaitFor([screen] { return QCursor::pos() == screen; }, kTimeoutMs))
        << "the pointer did not arrive";
  }

  // Waits until a window other than the main window and `besides` holds the keyboard and has
  // painted over what `before` showed there: keys typed from then on reach it, a screenshot shows
  // it. Returns its rectangle, empty when none came.
  QRect WaitForDialog(const QImage& before, const QRect& besides = {}) {
    const QRect main(kOrigin, kSize);
    QRect dialog;
    const bool shown = QTest::qWaitFor(
        [&] {
          dialog = input_.FocusedWindow();
          return !dialog.isNull() && dialog != main && dialog != besides &&
                 Grab().copy(dialog) != before.copy(dialog);
        },
        kTimeoutMs);
    return shown ? dialog : QRect();
  }

  // Opens files with the open dialog, which starts in the files' folder, by typing their names.
  void OpenFiles(const QString& typedNames) {
    const QImage before = Grab();
    Click(kOpenButton);
    ASSERT_FALSE(WaitForDialog(before).isNull()) << "no open dialog";
    input_.Type(typedNames + u'\n');
    ASSERT_TRUE(WaitForFileLine()) << "no file was loaded";
  }

  // Waits until the stopped window shows a file's path on its first line. The open dialog and
  // its pop-ups are gone by then: the program closes them before it loads what was chosen.
  bool WaitForFileLine() {
    return QTest::qWaitFor(
        [&] {
          const QImage screen = Grab();
          if (!Near(At(screen, kInnerPoints[2]), kStopped)) return false;
          for (int x = 50; x < 150; ++x) {
            if (Near(At(screen, QPoint(x, 70)), Qt::white, 60)) return true;
          }
          return false;
        },
        kTimeoutMs);
  }

  // A mapped window besides the main window (a message box or dialog; tool tips are too small
  // to count), or nothing.
  QRect OtherWindow() {
    const QRect main(kOrigin, kSize);
    for (const QRect& window : input_.Windows()) {
      if (window != main && window.height() > 40) return window;
    }
    return {};
  }

  bool WaitForExit() {
    return QTest::qWaitFor([&] { return program_.state() == QProcess::NotRunning; }, kTimeoutMs);
  }

  // Opens a dialog with a button, keeps a screenshot of it and closes it with `keys`.
  void ShowDialog(QPoint button, const QString& name, const QString& keys) {
    const QPoint centre = QGuiApplication::primaryScreen()->geometry().center();
    const QImage before = Grab();
    const QColor empty = before.pixelColor(centre + QPoint(0, 40));
    Click(button);
    ASSERT_FALSE(WaitForDialog(before).isNull()) << name.toStdString() << " did not appear";
    Grab()
        .copy(QRect(centre - QPoint(200, 150), QSize(400, 300)))
        .save(QStringLiteral(YUMEKAZE_SCREENSHOT_DIR "/%1.png").arg(name));
    input_.Type(keys);
    EXPECT_TRUE(QTest::qWaitFor([&] { return Grab().pixelColor(centre + QPoint(0, 40)) == empty; },
                                kTimeoutMs))
        << name.toStdString() << " did not close";
  }

  // Ticks the sleep timer's box and confirms with Return twice (OK, then the message box): the
  // timer line changes from "Timer Off" to the minutes left.
  void SetSleepTimer() {
    const QRect timerLine(kOrigin + QPoint(136, 176), QSize(49, 12));
    const QImage timerOff = Grab().copy(timerLine);
    const QPoint centre = QGuiApplication::primaryScreen()->geometry().center();
    const QImage beforeDialog = Grab();
    const QColor empty = beforeDialog.pixelColor(centre + QPoint(0, 40));
    Click(kSleepButton);
    const QRect dialog = WaitForDialog(beforeDialog);
    ASSERT_FALSE(dialog.isNull()) << "no sleep timer";
    // Ticking the box shows the group of the time setting below it.
    const QRect group(dialog.topLeft() + QPoint(8, 32), QSize(121, 91));
    const QImage untickedGroup = Grab().copy(group);
    ClickScreen(dialog.topLeft() + QPoint(15, 16));  // the check box
    ASSERT_TRUE(QTest::qWaitFor([&] { return Grab().copy(group) != untickedGroup; }, kTimeoutMs))
        << "the time setting did not appear";
    Grab()
        .copy(QRect(centre - QPoint(200, 150), QSize(400, 300)))
        .save(YUMEKAZE_SCREENSHOT_DIR "/sleep_timer_ticked.png");
    const QImage beforeMessage = Grab();
    input_.Type("\n");
    ASSERT_FALSE(WaitForDialog(beforeMessage, dialog).isNull()) << "no message that it is set";
    Grab()
        .copy(QRect(centre - QPoint(200, 150), QSize(400, 300)))
        .save(YUMEKAZE_SCREENSHOT_DIR "/timer_set_message.png");
    input_.Type("\n");
    EXPECT_TRUE(QTest::qWaitFor([&] { return Grab().copy(timerLine) != timerOff; }, kTimeoutMs))
        << "the timer line still reads Timer Off";
    EXPECT_TRUE(QTest::qWaitFor([&] { return Grab().pixelColor(centre + QPoint(0, 40)) == empty; },
                                kTimeoutMs));
    Grab()
        .copy(QRect(kOrigin - QPoint(10, 10), kSize + QSize(20, 20)))
        .save(YUMEKAZE_SCREENSHOT_DIR "/timer_on.png");
  }

  // Checks one state's screenshot and keeps it.
  void CheckScreen(const QString& name, const QColor& colour, const QString& word) {
    const QImage screen = Grab();
    screen.copy(QRect(kOrigin - QPoint(10, 10), kSize + QSize(20, 20)))
        .save(QStringLiteral(YUMEKAZE_SCREENSHOT_DIR "/%1.png").arg(name));
    for (QPoint p : kInnerPoints) EXPECT_TRUE(Near(At(screen, p), colour)) << name.toStdString();
    for (QPoint p : kRingPoints) EXPECT_TRUE(Near(At(screen, p), kRing)) << name.toStdString();
    const QColor root = screen.pixelColor(5, 5);
    EXPECT_FALSE(Near(root, Qt::black)) << "run the X server with a white root (-wr)";
    for (QPoint p : kOutsidePoints) EXPECT_EQ(At(screen, p), root) << name.toStdString();
    for (QPoint p : kSurfacePoints) EXPECT_TRUE(Near(At(screen, p), Qt::black));
    EXPECT_LT(WordMismatch(screen, word, colour), 0.03) << word.toStdString();
    for (const QString& other :
         {QStringLiteral("STOP"), QStringLiteral("PLAY"), QStringLiteral("PAUSE")}) {
      if (other != word) {
        EXPECT_GT(WordMismatch(screen, other, colour), 0.03);
      }
    }
  }

  // The window shows what lies beneath it outside its ellipse, and clicks there reach it; a
  // click on the surface inside stays with the window, which does not move for a click.
  void CheckTheEllipseOver(Catcher& catcher, const QString& name) {
    catcher.setGeometry(QRect(kOrigin, kSize));
    catcher.show();
    catcher.lower();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
          const QImage screen = Grab();
          for (QPoint p : kOutsidePoints) {
            if (At(screen, p) != Catcher::kColour) return false;
          }
          return true;
        },
        kTimeoutMs))
        << "no window shows beneath the corners";
    const QImage screen = Grab();
    screen.copy(QRect(kOrigin - QPoint(10, 10), kSize + QSize(20, 20)))
        .save(QStringLiteral(YUMEKAZE_SCREENSHOT_DIR "/%1.png").arg(name));
    for (QPoint p : kInnerPoints) EXPECT_TRUE(Near(At(screen, p), kStopped));
    for (QPoint p : kRingPoints) EXPECT_TRUE(Near(At(screen, p), kRing));
    for (QPoint p : kSurfacePoints) EXPECT_TRUE(Near(At(screen, p), Qt::black));
    int expected = 0;
    for (QPoint p : kOutsidePoints) {
      Click(p);
      ++expected;
      EXPECT_TRUE(QTest::qWaitFor([&] { return catcher.presses == expected; }, kTimeoutMs))
          << "a click outside the ellipse did not go beneath";
    }
    Click(kSurfacePoints[0]);
    Click(kOutsidePoints[0]);
    ASSERT_TRUE(QTest::qWaitFor([&] { return catcher.presses >= expected + 1; }, kTimeoutMs));
    EXPECT_EQ(catcher.presses, expected + 1) << "a click on the surface went beneath";
    EXPECT_TRUE(WaitForScheme(kStopped)) << "the window moved";
  }

  TXInput input_;
  TAudioFiles audio_;
  QString song_;
  QTemporaryDir config_;
  QProcess program_;
};

TEST_F(RealWindow, StoppedPlayingAndPausedScreens) {
  CheckScreen("stopped", kStopped, "STOP");

  // Open: the dialog covers the window; it starts in the stored folder, so the name will do.
  const QImage beforeDialog = Grab();
  Click(kOpenButton);
  ASSERT_FALSE(WaitForDialog(beforeDialog).isNull()) << "no open dialog";
  Grab().save(YUMEKAZE_SCREENSHOT_DIR "/open_dialog.png");
  input_.Type("song.mp3\n");
  // The dialog is gone and the file's path shows on the first line.
  ASSERT_TRUE(WaitForFileLine()) << "no file was loaded";
  CheckScreen("loaded", kStopped, "STOP");

  Click(kPlayButton);
  ASSERT_TRUE(WaitForScheme(kPlaying));
  CheckScreen("playing", kPlaying, "PLAY");

  Click(kPauseButton);
  ASSERT_TRUE(WaitForScheme(kPaused));
  CheckScreen("paused", kPaused, "PAUSE");

  // A click half way along the arc seeks there: the arc fills up to that point, paused.
  QWidget window;
  window.resize(kSize);
  const TPositionRing ring(window);
  EXPECT_FALSE(Near(At(Grab(), ring.PointAt(0.4).toPoint()), kArcPlayed, 40));
  Click(ring.PointAt(0.5).toPoint());
  EXPECT_TRUE(QTest::qWaitFor(
      [&] { return Near(At(Grab(), ring.PointAt(0.4).toPoint()), kArcPlayed, 40); }, kTimeoutMs))
      << "the arc did not follow the click";
  EXPECT_FALSE(Near(At(Grab(), ring.PointAt(0.6).toPoint()), kArcPlayed, 40));
  CheckScreen("paused_half_way", kPaused, "PAUSE");

  Click(kPauseButton);
  ASSERT_TRUE(WaitForScheme(kPlaying));
  Click(kStopButton);
  ASSERT_TRUE(WaitForScheme(kStopped));
  EXPECT_TRUE(QTest::qWaitFor(
      [&] { return !Near(At(Grab(), ring.PointAt(0.4).toPoint()), kArcPlayed, 40); }, kTimeoutMs))
      << "the arc stayed filled after stop";
  CheckScreen("stopped_again", kStopped, "STOP");

  // The sleep timer and the About box come up centred on the screen; Esc and Return close them.
  ShowDialog(kSleepButton, "sleep_timer", "\x1b");
  ShowDialog(kAboutButton, "about_box", "\n");
  SetSleepTimer();

  // Close: the program ends and stores the file's folder for the next start.
  Click(kCloseButton);
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return program_.state() == QProcess::NotRunning; }, kTimeoutMs));
  EXPECT_EQ(program_.exitCode(), 0);
  QSettings settings(config_.filePath("velmor/Play.conf"), QSettings::IniFormat);
  EXPECT_EQ(settings.value("File/Initial").toString(), audio_.Folder());
}

TEST_F(RealWindow, BadFileInTheListIsSkippedWithANotice) {
  ASSERT_FALSE(audio_.MakeText("text.mp3").isEmpty());
  ASSERT_FALSE(audio_.MakeTone("second.mp3", 60).isEmpty());
  OpenFiles(QStringLiteral("\"song.mp3\" \"text.mp3\" \"second.mp3\""));
  Click(kPlayButton);
  ASSERT_TRUE(WaitForScheme(kPlaying));

  // Next reaches the text file: a notice comes up beside the playing window, which goes on to
  // the file after it.
  Click(kNextButton);
  QRect box;
  ASSERT_TRUE(QTest::qWaitFor([&] { return !(box = OtherWindow()).isNull(); }, kTimeoutMs))
      << "no notice";
  EXPECT_FALSE(box.intersects(QRect(kOrigin, kSize))) << "the notice covers the window";
  ASSERT_TRUE(WaitForScheme(kPlaying));
  // The notice does not hold the window: it pauses while the notice is still up.
  Click(kPauseButton);
  ASSERT_TRUE(WaitForScheme(kPaused));
  EXPECT_FALSE(OtherWindow().isNull());
  CheckScreen("paused_after_bad_file", kPaused, "PAUSE");
  Grab().save(YUMEKAZE_SCREENSHOT_DIR "/bad_file_notice.png");
  // Closing while paused, the notice still up, ends the program normally.
  Click(kCloseButton);
  ASSERT_TRUE(WaitForExit());
  EXPECT_EQ(program_.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(program_.exitCode(), 0);
}

TEST_F(RealWindow, WindowManagersCloseWhilePlayingEndsTheProgram) {
  OpenFiles(QStringLiteral("song.mp3"));
  Click(kPlayButton);
  ASSERT_TRUE(WaitForScheme(kPlaying));
  ASSERT_TRUE(input_.AskToClose(QRect(kOrigin, kSize)));
  ASSERT_TRUE(WaitForExit()) << "the program did not end";
  EXPECT_EQ(program_.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(program_.exitCode(), 0);
  QSettings settings(config_.filePath("velmor/Play.conf"), QSettings::IniFormat);
  EXPECT_EQ(settings.value("File/Initial").toString(), audio_.Folder());
}

TEST_F(RealWindow, WithoutACompositorTheShapeIsCutOut) {
  Catcher catcher;
  CheckTheEllipseOver(catcher, "shape_cut_out");
}

// Under a compositing manager the window paints its smooth ellipse on a transparent surface.
class ComposedWindow : public RealWindow {
 protected:
  void SetUp() override {
    if (QStandardPaths::findExecutable("xcompmgr").isEmpty()) {
      GTEST_SKIP() << "xcompmgr is needed (Debian package xcompmgr)";
    }
    if (!input_.Connected()) GTEST_SKIP() << "no X display (run under xvfb-run)";
    compositor_.start("xcompmgr", {});
    ASSERT_TRUE(QTest::qWaitFor([&] { return input_.SelectionOwned("_NET_WM_CM_S0"); }, kTimeoutMs))
        << "xcompmgr did not start";
    RealWindow::SetUp();
  }
  void TearDown() override {
    RealWindow::TearDown();
    compositor_.terminate();
    compositor_.waitForFinished(kTimeoutMs);
  }
  QProcess compositor_;
};

TEST_F(ComposedWindow, TheSmoothEllipseShowsWhatIsBeneath) {
  Catcher catcher;
  CheckTheEllipseOver(catcher, "composed");
  // The edge blends into what is beneath instead of stepping from pixel to pixel.
  EXPECT_GT(BlendedEdgePixels(Grab()), 100);
}

TEST_F(RealWindow, DraggingTheSurfaceMovesTheWindow) {
  const QPoint grip = kOrigin + QPoint(100, 50);
  PointTo(grip);
  input_.Press(grip);
  for (int step = 1; step <= 10; ++step) PointTo(grip + QPoint(step * 5, step * 3));
  input_.Release();
  const QPoint moved = kOrigin + QPoint(50, 30);
  EXPECT_TRUE(QTest::qWaitFor(
      [&] { return Near(Grab().pixelColor(moved + QPoint(164, 99)), kStopped); }, kTimeoutMs));
  // The old place of the ring's left edge is no longer green.
  EXPECT_FALSE(Near(Grab().pixelColor(kOrigin + QPoint(20, 99)), kRing));
}

// The window's menu opens the equalizer window; a change there is stored, and a start with
// stored gains shows them. Screenshots of both are kept.
TEST_F(RealWindow, EqualizerWindowOpensFromTheMenuAndKeepsItsSettings) {
  const auto openEqualizer = [&](const QString& name) {
    const QImage before = Grab();
    const QPoint ring = kOrigin + kRingPoints[0];
    PointTo(ring);
    input_.Press(ring, 3);
    input_.Release(3);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !OtherWindow().isNull(); }, kTimeoutMs)) << "no menu";
    Grab().copy(OtherWindow()).save(YUMEKAZE_SCREENSHOT_DIR "/menu.png");
    input_.Type("z");
    const QRect window = WaitForDialog(before);
    Grab().copy(window).save(QStringLiteral(YUMEKAZE_SCREENSHOT_DIR "/%1.png").arg(name));
    return window;
  };
  const QRect flat = openEqualizer(QStringLiteral("equalizer_flat"));
  ASSERT_FALSE(flat.isNull()) << "no equalizer window";
  input_.Type(" ");  // the switch has the focus
  const QString config = config_.filePath("velmor/Play.conf");
  EXPECT_TRUE(QTest::qWaitFor(
      [&] {
        return QSettings(config, QSettings::IniFormat).value("Equalizer/Enabled").toString() ==
               "false";
      },
      kTimeoutMs));

  program_.kill();
  ASSERT_TRUE(program_.waitForFinished(kTimeoutMs));
  {
    QSettings settings(config, QSettings::IniFormat);
    settings.setValue("Equalizer/Enabled", true);
    settings.setValue("Equalizer/Gains", "6,4,1,0,0,0");
  }
  program_.start(YUMEKAZE_PROGRAM, {});
  ASSERT_TRUE(WaitForScheme(kStopped));
  const QRect bass = openEqualizer(QStringLiteral("equalizer_bass"));
  ASSERT_EQ(bass, flat);
  EXPECT_NE(QImage(YUMEKAZE_SCREENSHOT_DIR "/equalizer_bass.png"),
            QImage(YUMEKAZE_SCREENSHOT_DIR "/equalizer_flat.png"));
}

}  // namespace
}  // namespace yumekaze::app::test

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
