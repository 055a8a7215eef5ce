// The real `yumekaze` under a headless weston of the test's own, on Qt's Wayland platform, at
// scale factors 1 and 2: its screenshot shows the ellipse over the compositor's background, with
// no box around it. The screenshots are kept in the build folder (screenshots/).
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QLibraryInfo>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

namespace yumekaze::app::test {
namespace {

constexpr int kTimeoutMs = 20000;
const QColor kBackground(64, 128, 192);
const QColor kStopped(255, 0, 255);
const QColor kRing(0, 128, 0);
const QString kSocket = QStringLiteral("yumekaze-test");

bool Near(const QColor& a, const QColor& b, int tolerance = 24) {
  return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
         std::abs(a.blue() - b.blue()) <= tolerance;
}

class WaylandWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* tool : {"weston", "weston-screenshooter"}) {
      if (QStandardPaths::findExecutable(tool).isEmpty()) {
        GTEST_SKIP() << tool << " is needed (Debian package weston)";
      }
    }
    const QString plugin =
        QLibraryInfo::path(QLibraryInfo::PluginsPath) + "/platforms/libqwayland-generic.so";
    if (!QFile::exists(plugin)) GTEST_SKIP() << "Qt's Wayland platform is needed (qt6-wayland)";
    QFile::setPermissions(runtime_.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QFile ini(runtime_.filePath("weston.ini"));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write(
        "[shell]\nbackground-color=0xff4080c0\npanel-position=none\nlocking=false\n"
        "animation=none\nstartup-animation=none\n");
    ini.close();

    QDir().mkpath(YUMEKAZE_SCREENSHOT_DIR);
    environment_ = QProcessEnvironment::systemEnvironment();
    environment_.insert("XDG_RUNTIME_DIR", runtime_.path());
    environment_.insert("WAYLAND_DISPLAY", kSocket);
    environment_.remove("DISPLAY");
    weston_.setProcessEnvironment(environment_);
    // --debug lets weston-screenshooter take screenshots; pixman draws without a GPU.
    weston_.start("weston",
                  {"--backend=headless-backend.so", "--socket=" + kSocket, "--width=1024",
                   "--height=768", "--use-pixman", "--debug", "--idle-time=0",
                   "--config=" + ini.fileName(), "--log=" YUMEKAZE_SCREENSHOT_DIR "/weston.log"});
    ASSERT_TRUE(weston_.waitForStarted(kTimeoutMs));
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return QFile::exists(runtime_.filePath(kSocket)); }, kTimeoutMs))
        << "weston did not start";
  }

  void TearDown() override {
    for (QProcess* process : {&program_, &weston_}) {
      if (process->state() == QProcess::NotRunning) continue;
      process->terminate();
      if (!process->waitForFinished(kTimeoutMs)) process->kill();
    }
  }

  QImage Screenshot() {
    QProcess shooter;
    shooter.setProcessEnvironment(environment_);
    shooter.setWorkingDirectory(runtime_.path());
    shooter.start("weston-screenshooter", {});
    if (!shooter.waitForFinished(kTimeoutMs)) return {};
    QDir folder(runtime_.path());
    const QStringList shots = folder.entryList({"wayland-screenshot-*.png"});
    if (shots.isEmpty()) return {};
    QImage image(folder.filePath(shots.first()));
    for (const QString& shot : shots) folder.remove(shot);
    return image.convertToFormat(QImage::Format_RGB32);
  }

  // The smallest rectangle around everything that is not the background.
  static QRect Drawn(const QImage& screen) {
    QRect drawn;
    for (int y = 0; y < screen.height(); ++y) {
      for (int x = 0; x < screen.width(); ++x) {
        if (!Near(screen.pixelColor(x, y), kBackground, 2)) drawn |= QRect(x, y, 1, 1);
      }
    }
    return drawn;
  }

  QTemporaryDir runtime_;
  QProcessEnvironment environment_;
  QProcess weston_;
  QProcess program_;
};

TEST_F(WaylandWindow, TheEllipseStandsOnTheCompositorsBackgroundAtScaleOneAndTwo) {
  for (const int scale : {1, 2}) {
    SCOPED_TRACE(scale);
    QTemporaryDir config;
    // A place stored in an X11 session: Wayland neither uses nor overwrites it.
    const QString settingsFile = config.filePath("velmor/Play.conf");
    QSettings(settingsFile, QSettings::IniFormat).setValue("Session/WindowPlace", QPoint(70, 40));
    QProcessEnvironment environment = environment_;
    environment.insert("QT_QPA_PLATFORM", "wayland");
    environment.insert("QT_SCALE_FACTOR", QString::number(scale));
    environment.insert("XDG_CONFIG_HOME", config.path());
    environment.insert("YUMEKAZE_DEVICE", "null");
    program_.setProcessEnvironment(environment);
    program_.setProcessChannelMode(QProcess::ForwardedChannels);
    program_.start(YUMEKAZE_PROGRAM, {});
    ASSERT_TRUE(program_.waitForStarted(kTimeoutMs));

    // Shown once the scheme's colour and the ring's are both on the screen.
    QImage screen;
    QRect window;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
          screen = Screenshot();
          window = Drawn(screen);
          return !window.isEmpty() && Near(screen.pixelColor(window.center()), kStopped) &&
                 window.size() == QSize(329, 199) * scale;
        },
        kTimeoutMs))
        << "no window of the expected size; drawn: " << window.width() << "x" << window.height();
    screen.save(QStringLiteral(YUMEKAZE_SCREENSHOT_DIR "/wayland_scale%1.png").arg(scale));

    // The rectangle's corners are the background: no black box.
    const QPoint inset(3 * scale, 3 * scale);
    for (const QPoint corner :
         {window.topLeft() + inset, window.bottomRight() - inset,
          QPoint(window.right(), window.top()) + QPoint(-inset.x(), inset.y()),
          QPoint(window.left(), window.bottom()) + QPoint(inset.x(), -inset.y())}) {
      EXPECT_TRUE(Near(screen.pixelColor(corner), kBackground, 2));
    }
    // Inside: the black edge, the green ring, the scheme's face.
    const int middle = window.center().y();
    EXPECT_TRUE(Near(screen.pixelColor(window.left() + 4 * scale, middle), Qt::black));
    EXPECT_TRUE(Near(screen.pixelColor(window.left() + 14 * scale, middle), kRing));
    EXPECT_TRUE(Near(screen.pixelColor(window.left() + 40 * scale, middle), kStopped));
    // The edge blends into the background instead of stepping from pixel to pixel.
    int blended = 0;
    for (int y = window.top(); y <= window.bottom(); ++y) {
      for (int x = window.left(); x <= window.right(); ++x) {
        const QColor c = screen.pixelColor(x, y);
        const double share = c.blue() / double(kBackground.blue());
        if (share > 0.15 && share < 0.85 &&
            Near(c,
                 QColor::fromRgbF(kBackground.redF() * share, kBackground.greenF() * share,
                                  kBackground.blueF() * share),
                 6)) {
          ++blended;
        }
      }
    }
    EXPECT_GT(blended, 100 * scale);

    // SIGTERM stores the session and ends the program; the X11 place stays as it was.
    program_.terminate();
    ASSERT_TRUE(program_.waitForFinished(kTimeoutMs));
    EXPECT_EQ(program_.exitCode(), 0);
    QSettings settings(settingsFile, QSettings::IniFormat);
    EXPECT_TRUE(settings.contains("Session/Repeat")) << "no session was stored";
    EXPECT_EQ(settings.value("Session/WindowPlace").toPoint(), QPoint(70, 40));
  }
}

}  // namespace
}  // namespace yumekaze::app::test
