// The session kept across ends that are not a close: signals, a display that goes away, and a
// settings file that cannot be read. The real `yumekaze` on the test's private bus, driven with
// playerctl.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>

#include "desktop_support.h"
#include "test_support.h"

namespace yumekaze::app::test {
namespace {

class Session : public ::testing::Test {
 protected:
  void SetUp() override {
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS") ||
        QStandardPaths::findExecutable("playerctl").isEmpty()) {
      GTEST_SKIP() << "needs a session bus (dbus-run-session) and playerctl";
    }
    a_ = audio_.MakeTone("a.mp3", 30);
    if (a_.isEmpty()) GTEST_SKIP() << "sox and twolame are needed to make test audio";
    b_ = audio_.MakeTone("b.mp3", 30);
    environment_ = ProgramEnvironment(config_.path());
  }

  void TearDown() override {
    if (program_.state() == QProcess::NotRunning) return;
    program_.kill();
    program_.waitForFinished(kTimeoutMs);
  }

  // Starts the player; true once it answers on the bus.
  bool Start(const QStringList& files = {}) {
    program_.setProcessEnvironment(environment_);
    program_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    program_.start(YUMEKAZE_PROGRAM, files);
    return program_.waitForStarted(kTimeoutMs) &&
           WaitFor([] { return !Playerctl({"status"}).isEmpty(); });
  }

  // Sends `signal` to the player; true when it ends by itself with status 0.
  bool EndsCleanlyOn(int signal) {
    ::kill(static_cast<pid_t>(program_.processId()), signal);
    return program_.waitForFinished(kTimeoutMs) && program_.exitStatus() == QProcess::NormalExit &&
           program_.exitCode() == 0;
  }

  QString SettingsFile() const { return config_.path() + "/velmor/Play.conf"; }
  qint64 StoredPositionMs() const {
    return QSettings(SettingsFile(), QSettings::IniFormat)
        .value("Session/PositionMs", -1)
        .toLongLong();
  }

  static double Position() { return Playerctl({"position"}).toDouble(); }
  static QString Url() { return Playerctl({"metadata", "xesam:url"}); }
  QString UrlOf(const QString& file) const { return QUrl::fromLocalFile(file).toString(); }

  TAudioFiles audio_;
  QString a_, b_;
  QTemporaryDir config_;
  QProcessEnvironment environment_;
  QProcess program_;
};

TEST_F(Session, EachEndingSignalClosesInOrderAndTheNextStartGoesOnFromThere) {
  ASSERT_TRUE(Start({a_, b_}));
  ASSERT_TRUE(PlayerctlSays({"status"}, "Playing"));
  Playerctl({"next"});
  ASSERT_TRUE(WaitFor([&] { return Url() == UrlOf(b_); }));
  Playerctl({"pause"});
  ASSERT_TRUE(PlayerctlSays({"status"}, "Paused"));
  Playerctl({"position", "17"});
  ASSERT_TRUE(PlayerctlSays({"position"}, "17.000000"));

  // The first ends paused, the place coming back exactly; the others end playing, the place
  // stored as the player ends, a little after the seek, and coming back paused.
  double at = 17;
  for (const int signal : {SIGTERM, SIGHUP, SIGINT}) {
    SCOPED_TRACE(signal);
    if (signal != SIGTERM) {
      Playerctl({"play"});
      ASSERT_TRUE(PlayerctlSays({"status"}, "Playing"));
      at = 5 + signal;
      Playerctl({"position", QString::number(at)});
      ASSERT_TRUE(WaitFor([&] { return Position() >= at && Position() < at + 2; }));
    }
    ASSERT_TRUE(EndsCleanlyOn(signal));
    ASSERT_TRUE(Start());
    EXPECT_TRUE(WaitFor([&] { return Url() == UrlOf(b_); }));
    EXPECT_TRUE(PlayerctlSays({"status"}, "Paused"));
    const double resumed = Position();
    EXPECT_GE(resumed, at);
    EXPECT_LT(resumed, at + 5);
  }
  // The list came back too.
  Playerctl({"previous"});
  EXPECT_TRUE(WaitFor([&] { return Url() == UrlOf(a_); }));
}

TEST_F(Session, APlayerWhoseDisplayGoesAwayLeavesARecentSession) {
  QProcess display;
  display.start("Xvfb", {"-displayfd", "1", "-screen", "0", "640x480x24", "-nolisten", "tcp"});
  ASSERT_TRUE(display.waitForStarted(kTimeoutMs));
  ASSERT_TRUE(WaitFor([&] { return display.canReadLine(); })) << "Xvfb did not start";
  const QString number = QString::fromUtf8(display.readLine()).trimmed();
  environment_.insert("DISPLAY", ":" + number);
  ASSERT_TRUE(Start({a_}));
  ASSERT_TRUE(PlayerctlSays({"status"}, "Playing"));
  // Stored while it plays, with no command given.
  ASSERT_TRUE(WaitFor([&] { return StoredPositionMs() >= 5000; })) << StoredPositionMs();

  display.terminate();
  ASSERT_TRUE(display.waitForFinished(kTimeoutMs));
  ASSERT_TRUE(program_.waitForFinished(kTimeoutMs)) << "the player outlived its display";
  const qint64 stored = StoredPositionMs();
  environment_.insert("DISPLAY", qEnvironmentVariable("DISPLAY"));
  ASSERT_TRUE(Start());
  EXPECT_TRUE(WaitFor([&] { return Url() == UrlOf(a_); }));
  EXPECT_TRUE(PlayerctlSays({"status"}, "Paused"));
  EXPECT_NEAR(Position(), stored / 1000.0, 0.01);
}

TEST_F(Session, ASettingsFileOfGarbageNeitherStopsTheStartNorTheNextSession) {
  ASSERT_TRUE(QDir().mkpath(config_.path() + "/velmor"));
  QFile garbage(SettingsFile());
  ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
  QByteArray bytes(
      "[Session\nEntries=@Variant(\0\0\0\x7f\0\0\0\x0bQStringList\xff\xff)\n"
      "Index=zz\nPositionMs=-5\nWindowPlace=@Point(a b)\n[Player]\nVolume=x\n",
      110);
  for (int i = 0; i < 4096; ++i) bytes += static_cast<char>((i * 7919) % 256);
  garbage.write(bytes);
  garbage.close();

  ASSERT_TRUE(Start());
  EXPECT_EQ(Playerctl({"status"}), "Stopped");
  // A file handed over by a second start plays, and is what the next start goes on with.
  QProcess second;
  second.setProcessEnvironment(environment_);
  second.start(YUMEKAZE_PROGRAM, {a_});
  ASSERT_TRUE(second.waitForFinished(kTimeoutMs));
  ASSERT_TRUE(WaitFor([&] { return Url() == UrlOf(a_); }));
  ASSERT_TRUE(PlayerctlSays({"status"}, "Playing"));
  Playerctl({"pause"});
  ASSERT_TRUE(PlayerctlSays({"status"}, "Paused"));
  Playerctl({"position", "11"});
  ASSERT_TRUE(PlayerctlSays({"position"}, "11.000000"));
  ASSERT_TRUE(EndsCleanlyOn(SIGTERM));
  ASSERT_TRUE(Start());
  EXPECT_TRUE(WaitFor([&] { return Url() == UrlOf(a_); }));
  EXPECT_TRUE(PlayerctlSays({"position"}, "11.000000"));
}

}  // namespace
}  // namespace yumekaze::app::test
