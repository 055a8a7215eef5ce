// The session kept across ends that are not a close: signals, a display that goes away, logind's
// sleep and shutdown, and a settings file that cannot be read. The real `yumekaze` on the test's
// private bus, driven with playerctl.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <QDBusVirtualObject>
#include <QDir>
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

TEST_F(Session, AfterEachEndingSignalTheNextStartGoesOnFromThere) {
  // Garbage where the settings are stops neither the start nor the sessions written over it.
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
  // Files handed over by a second start.
  QProcess second;
  second.setProcessEnvironment(environment_);
  second.start(YUMEKAZE_PROGRAM, {a_, b_});
  ASSERT_TRUE(second.waitForFinished(kTimeoutMs));
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

// logind on the test's private bus, which the player takes for the system bus: each Inhibit gets
// the write end of a pipe, whose read end shows when the player lets the lock go.
class FakeLogind final : public QDBusVirtualObject {
 public:
  ~FakeLogind() override {
    for (const int end : readEnds) ::close(end);
  }
  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
    if (message.member() != u"Inhibit") return false;
    inhibits << message.arguments();
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) return false;
    readEnds.push_back(ends[0]);
    connection.send(message.createReply(QVariant::fromValue(QDBusUnixFileDescriptor(ends[1]))));
    ::close(ends[1]);
    return true;
  }
  QString introspect(const QString&) const override { return {}; }
  // Whether the lock of the `index`th Inhibit is let go: no writer is left on its pipe.
  bool Released(std::size_t index) const {
    char byte;
    return index < readEnds.size() && ::read(readEnds[index], &byte, 1) == 0;
  }

  QList<QVariantList> inhibits;
  std::vector<int> readEnds;
};

TEST_F(Session, LogindWaitsForTheSessionBeforeSleepAndShutdown) {
  const QString bus = qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS");
  QDBusConnection service = QDBusConnection::connectToBus(bus, "logind");
  ASSERT_TRUE(service.isConnected());
  FakeLogind logind;
  ASSERT_TRUE(service.registerVirtualObject("/org/freedesktop/login1", &logind));
  ASSERT_TRUE(service.registerService("org.freedesktop.login1"));
  const auto announce = [&](const char* member, bool start) {
    QDBusMessage signal = QDBusMessage::createSignal("/org/freedesktop/login1",
                                                     "org.freedesktop.login1.Manager", member);
    signal << start;
    service.send(signal);
  };

  environment_.insert("DBUS_SYSTEM_BUS_ADDRESS", bus);
  ASSERT_TRUE(Start({a_}));
  ASSERT_TRUE(WaitFor([&] { return logind.inhibits.size() == 1; }));
  EXPECT_EQ(logind.inhibits[0].value(0).toString(), "sleep:shutdown");
  EXPECT_EQ(logind.inhibits[0].value(3).toString(), "delay");
  ASSERT_TRUE(PlayerctlSays({"status"}, "Playing"));
  Playerctl({"position", "3"});
  ASSERT_TRUE(WaitFor([&] { return StoredPositionMs() >= 3000; }));
  EXPECT_FALSE(logind.Released(0));

  // Sleep: the time played by then is stored before the lock goes.
  ASSERT_TRUE(WaitFor([&] { return Position() >= 5; }));
  announce("PrepareForSleep", true);
  ASSERT_TRUE(WaitFor([&] { return logind.Released(0); }));
  EXPECT_GE(StoredPositionMs(), 5000);
  // Awake: the lock is taken again, and a shutdown finds the session stored as well.
  announce("PrepareForSleep", false);
  ASSERT_TRUE(WaitFor([&] { return logind.inhibits.size() == 2; }));
  Playerctl({"pause"});
  ASSERT_TRUE(PlayerctlSays({"status"}, "Paused"));
  announce("PrepareForShutdown", true);
  ASSERT_TRUE(WaitFor([&] { return logind.Released(1); }));
  EXPECT_NEAR(StoredPositionMs() / 1000.0, Position(), 0.01);
  EXPECT_EQ(program_.state(), QProcess::Running);

  service.unregisterService("org.freedesktop.login1");
  QDBusConnection::disconnectFromBus("logind");
}

}  // namespace
}  // namespace yumekaze::app::test
