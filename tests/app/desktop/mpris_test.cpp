// The real `yumekaze` on a private session bus (dbus-run-session) and X server (Xvfb), driven and
// checked through playerctl; PropertiesChanged is watched with dbus-monitor. Sound goes to the
// null device, or to a private PulseAudio server whose mixer the tests drive with pactl.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMetaType>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QLocale>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "app/translations/app_language.h"
#include "desktop_support.h"
#include "pulse_test_server.h"
#include "test_support.h"

namespace yumekaze::app::test {
namespace {

// A station on 127.0.0.1 that sends `audio` over and over at bytesPerSecond (after a first
// 64 KiB), with its title in ICY metadata every 4 KiB; one listener at a time.
class IcyStation {
 public:
  IcyStation(QByteArray audio, qsizetype bytesPerSecond)
      : audio_(std::move(audio)), bytesPerSecond_(bytesPerSecond) {
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::listen(listener_, 4) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
      return;
    }
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Serve(); });
  }
  ~IcyStation() {
    stopping_ = true;
    ::shutdown(listener_, SHUT_RDWR);
    ::shutdown(client_, SHUT_RDWR);
    if (thread_.joinable()) thread_.join();
    ::close(listener_);
  }
  QString Url() const { return QStringLiteral("http://127.0.0.1:%1/").arg(port_); }
  void SetTitle(const std::string& title) {
    const std::lock_guard lock(mutex_);
    title_ = title;
  }

 private:
  void Serve() {
    while (!stopping_) {
      client_ = ::accept(listener_, nullptr, nullptr);
      if (client_ < 0) return;
      char request[4096];
      ::recv(client_, request, sizeof request, 0);
      const std::string head =
          "HTTP/1.0 200 OK\r\nContent-Type: audio/mpeg\r\nicy-name: Test FM\r\n"
          "icy-metaint: 4096\r\n\r\n";
      bool open = Send(head.data(), head.size());
      const auto start = std::chrono::steady_clock::now();
      qsizetype sent = 0;
      for (qsizetype at = 0; open && !stopping_; at = (at + 4096) % (audio_.size() - 4096)) {
        // As a station sends: about as fast as the audio plays.
        std::this_thread::sleep_until(start + std::chrono::milliseconds(
                                                  std::max<qsizetype>(sent - 65536, 0) * 1000 /
                                                  bytesPerSecond_));
        sent += 4096;
        std::string block;
        {
          const std::lock_guard lock(mutex_);
          block = "StreamTitle='" + title_ + "';";
        }
        block.resize((block.size() + 15) / 16 * 16, '\0');
        block.insert(block.begin(), static_cast<char>(block.size() / 16));
        open = Send(audio_.constData() + at, 4096) && Send(block.data(), block.size());
      }
      ::close(client_);
    }
  }
  bool Send(const char* data, size_t size) {
    return ::send(client_, data, size, MSG_NOSIGNAL) == static_cast<ssize_t>(size);
  }

  QByteArray audio_;
  qsizetype bytesPerSecond_;
  int listener_ = -1;
  std::atomic<int> client_ = -1;
  uint16_t port_ = 0;
  std::atomic<bool> stopping_ = false;
  std::mutex mutex_;
  std::string title_;
  std::thread thread_;
};

class Desktop : public ::testing::Test {
 protected:
  void SetUp() override {
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS") ||
        QStandardPaths::findExecutable("playerctl").isEmpty() ||
        QStandardPaths::findExecutable("dbus-monitor").isEmpty()) {
      GTEST_SKIP() << "needs a session bus (dbus-run-session), playerctl and dbus-monitor";
    }
    a_ = audio_.MakeTone("a.mp3", 30);
    if (a_.isEmpty()) GTEST_SKIP() << "sox and twolame are needed to make test audio";
    // An album but no title: the title falls back to the file name.
    ASSERT_EQ(QProcess::execute("mid3v2", {"--album", "Ålbum 夢", a_}), 0);
    b_ = audio_.MakeTone("b.mp3", 30);
    c_ = audio_.MakeTone("c.mp3", 30);
    monitor_.start("dbus-monitor", {"type='signal',interface='org.freedesktop.DBus.Properties',"
                                    "member='PropertiesChanged',path='/org/mpris/MediaPlayer2'"});
    ASSERT_TRUE(monitor_.waitForStarted(kTimeoutMs));
    seekedMonitor_.start("dbus-monitor", {"type='signal',interface='org.mpris.MediaPlayer2.Player',"
                                          "member='Seeked',path='/org/mpris/MediaPlayer2'"});
    ASSERT_TRUE(seekedMonitor_.waitForStarted(kTimeoutMs));
    program_.setProcessEnvironment(ProgramEnvironment(config_.path(), device_));
    program_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    program_.start(YUMEKAZE_PROGRAM, {a_, b_});
    ASSERT_TRUE(program_.waitForStarted(kTimeoutMs));
    ASSERT_TRUE(PlayerctlSays({"status"}, "Playing")) << "no player on the bus";
  }

  void TearDown() override {
    for (QProcess* process : {&program_, &monitor_, &seekedMonitor_}) {
      if (process->state() == QProcess::NotRunning) continue;
      process->kill();
      process->waitForFinished(kTimeoutMs);
    }
  }

  QString Url() { return Playerctl({"metadata", "xesam:url"}); }

  // What the Seeked listener printed so far.
  QString Seeked() {
    seeked_ += QString::fromUtf8(seekedMonitor_.readAllStandardOutput());
    return seeked_;
  }

  // What dbus-monitor printed so far.
  QString Announced() {
    announced_ += QString::fromUtf8(monitor_.readAllStandardOutput());
    return announced_;
  }

  QString device_ = "null";
  TAudioFiles audio_;
  QString a_, b_, c_;
  QTemporaryDir config_;
  QProcess program_;
  QProcess monitor_;
  QProcess seekedMonitor_;
  QString announced_;
  QString seeked_;
};

TEST_F(Desktop, PlayerctlReadsAndDrivesThePlayer) {
  EXPECT_EQ(Url(), QUrl::fromLocalFile(a_).toString());
  EXPECT_EQ(Playerctl({"metadata", "xesam:title"}), "a.mp3");
  EXPECT_EQ(Playerctl({"metadata", "xesam:album"}), "Ålbum 夢");
  // 30 s at 192 kbit/s, as the length of the file says.
  EXPECT_NEAR(Playerctl({"metadata", "mpris:length"}).toLongLong(), 30'000'000, 100'000);
  // playerctl does not print object paths. Each entry keeps its number while the list changes.
  EXPECT_TRUE(
      Property("Metadata")
          .contains("'mpris:trackid': <objectpath '/io/github/yumekaze/Yumekaze/track/1'>"));
  EXPECT_EQ(Playerctl({"loop"}), "Playlist");

  Playerctl({"pause"});
  EXPECT_TRUE(PlayerctlSays({"status"}, "Paused"));
  EXPECT_TRUE(WaitFor([&] { return Announced().contains("\"Paused\""); }))
      << "no PropertiesChanged with the new status";
  Playerctl({"play"});
  EXPECT_TRUE(PlayerctlSays({"status"}, "Playing"));

  Playerctl({"next"});
  EXPECT_TRUE(WaitFor([&] { return Url() == QUrl::fromLocalFile(b_).toString(); }));
  EXPECT_TRUE(WaitFor([&] { return Announced().contains("b.mp3"); }))
      << "no PropertiesChanged with the new metadata";
  Playerctl({"previous"});
  EXPECT_TRUE(WaitFor([&] { return Url() == QUrl::fromLocalFile(a_).toString(); }));

  Playerctl({"volume", "0.25"});
  EXPECT_TRUE(PlayerctlSays({"volume"}, "0.250000"));
  Playerctl({"loop", "Track"});
  EXPECT_TRUE(PlayerctlSays({"loop"}, "Track"));
  Playerctl({"shuffle", "On"});
  EXPECT_TRUE(PlayerctlSays({"shuffle"}, "On"));

  // Seeks: to a place, then by an offset, each announced with Seeked.
  Playerctl({"pause"});
  EXPECT_TRUE(PlayerctlSays({"status"}, "Paused"));
  EXPECT_EQ(Property("CanSeek"), "(<true>,)");
  Playerctl({"position", "12"});
  EXPECT_TRUE(PlayerctlSays({"position"}, "12.000000"));
  Playerctl({"position", "3+"});
  EXPECT_TRUE(PlayerctlSays({"position"}, "15.000000"));
  EXPECT_TRUE(WaitFor([&] { return Seeked().contains("int64 15000000"); }))
      << Seeked().toStdString();
  EXPECT_TRUE(Seeked().contains("int64 12000000"));
  EXPECT_EQ(Playerctl({"status"}), "Paused");

  Playerctl({"stop"});
  EXPECT_TRUE(PlayerctlSays({"status"}, "Stopped"));
  EXPECT_EQ(Property("CanSeek"), "(<false>,)");

  Playerctl({"--player=yumekaze", "play"});
  EXPECT_TRUE(PlayerctlSays({"status"}, "Playing"));
}

TEST_F(Desktop, ASecondStartHandsItsFileOverAndEnds) {
  QProcess second;
  second.setProcessEnvironment(ProgramEnvironment(config_.path()));
  second.start(YUMEKAZE_PROGRAM, {c_});
  ASSERT_TRUE(second.waitForFinished(kTimeoutMs));
  EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(second.exitCode(), 0);
  // The first player plays the handed file, and it is the only player on the bus.
  EXPECT_TRUE(WaitFor([&] { return Url() == QUrl::fromLocalFile(c_).toString(); }));
  EXPECT_EQ(Playerctl({"status"}), "Playing");
  EXPECT_EQ(Output("playerctl", {"--list-all"}), "yumekaze");
  EXPECT_EQ(program_.state(), QProcess::Running);

  // Quit over the bus ends it, and the session is stored for the next start.
  Playerctl({"pause"});
  EXPECT_TRUE(PlayerctlSays({"status"}, "Paused"));
  Playerctl({"position", "17"});
  EXPECT_TRUE(PlayerctlSays({"position"}, "17.000000"));
  Output("gdbus",
         {"call", "--session", "--dest", "org.mpris.MediaPlayer2.yumekaze", "--object-path",
          "/org/mpris/MediaPlayer2", "--method", "org.mpris.MediaPlayer2.Quit"});
  ASSERT_TRUE(program_.waitForFinished(kTimeoutMs));
  program_.start(YUMEKAZE_PROGRAM, {});
  ASSERT_TRUE(program_.waitForStarted(kTimeoutMs));
  // Back with the list and its current entry, paused where it was, not playing by itself.
  EXPECT_TRUE(WaitFor([&] { return Url() == QUrl::fromLocalFile(c_).toString(); }));
  EXPECT_TRUE(PlayerctlSays({"status"}, "Paused"));
  EXPECT_EQ(Playerctl({"position"}), "17.000000");
  Playerctl({"previous"});
  EXPECT_TRUE(WaitFor([&] { return Url() == QUrl::fromLocalFile(b_).toString(); }));
}

// yumekaze --COMMAND from a shell: each reaches the running player, answers at once, and
// leaves no second player behind.
TEST_F(Desktop, ShellCommandsSteerTheRunningPlayer) {
  auto command = [&](const QStringList& arguments) {
    int exitCode = -1;
    QProcess shell;
    shell.setProcessEnvironment(ProgramEnvironment(config_.path()));
    shell.setProcessChannelMode(QProcess::MergedChannels);
    shell.start(YUMEKAZE_PROGRAM, arguments);
    EXPECT_TRUE(shell.waitForFinished(kTimeoutMs));
    exitCode = shell.exitCode();
    return std::make_pair(exitCode, QString::fromUtf8(shell.readAll()).trimmed());
  };
  EXPECT_EQ(command({"--pause"}).first, 0);
  EXPECT_TRUE(PlayerctlSays({"status"}, "Paused"));
  EXPECT_TRUE(command({"--status"}).second.startsWith("paused 0:"));
  EXPECT_EQ(command({"--play"}).first, 0);
  EXPECT_TRUE(PlayerctlSays({"status"}, "Playing"));
  EXPECT_EQ(command({"--volume", "40"}).first, 0);
  EXPECT_TRUE(PlayerctlSays({"volume"}, "0.400000"));
  EXPECT_EQ(command({"--volume", "-10"}).first, 0);
  EXPECT_TRUE(PlayerctlSays({"volume"}, "0.300000"));
  command({"--play-pause"});
  EXPECT_TRUE(PlayerctlSays({"status"}, "Paused"));
  EXPECT_EQ(command({"--seek", "12"}).first, 0);
  EXPECT_TRUE(PlayerctlSays({"position"}, "12.000000"));
  EXPECT_EQ(command({"--seek", "+3.5"}).first, 0);
  EXPECT_TRUE(PlayerctlSays({"position"}, "15.500000"));
  EXPECT_EQ(command({"--status"}).second.toStdString(), "paused 0:15/0:30 a.mp3");

  // Enqueued files join the end without playing; next reaches them.
  EXPECT_EQ(command({"--enqueue", c_}).first, 0);
  EXPECT_EQ(command({"--next"}).first, 0);
  EXPECT_TRUE(WaitFor([&] { return Url() == QUrl::fromLocalFile(b_).toString(); }));
  command({"--next"});
  EXPECT_TRUE(WaitFor([&] { return Url() == QUrl::fromLocalFile(c_).toString(); }));
  command({"--previous"});
  EXPECT_TRUE(WaitFor([&] { return Url() == QUrl::fromLocalFile(b_).toString(); }));

  // Stop after the current file: it plays to its end, then play goes on with the next entry.
  command({"--play"});
  EXPECT_TRUE(PlayerctlSays({"status"}, "Playing"));
  EXPECT_EQ(command({"--stop-after-current"}).first, 0);
  command({"--seek", "28"});
  EXPECT_TRUE(PlayerctlSays({"status"}, "Stopped"));
  EXPECT_EQ(Url().toStdString(), QUrl::fromLocalFile(b_).toString().toStdString());
  command({"--play"});
  EXPECT_TRUE(PlayerctlSays({"status"}, "Playing"));
  EXPECT_EQ(Url().toStdString(), QUrl::fromLocalFile(c_).toString().toStdString());
  EXPECT_EQ(command({"--stop"}).first, 0);
  EXPECT_TRUE(PlayerctlSays({"status"}, "Stopped"));
  EXPECT_EQ(Output("playerctl", {"--list-all"}), "yumekaze");

  EXPECT_EQ(command({"--quit"}).first, 0);
  ASSERT_TRUE(program_.waitForFinished(kTimeoutMs));
  EXPECT_EQ(command({"--status"}), std::make_pair(1, QString("stopped")));
  const auto none = command({"--next"});
  EXPECT_EQ(none.first, 1);
  EXPECT_TRUE(none.second.contains("no player")) << none.second.toStdString();
  EXPECT_EQ(command({"--volume", "loud"}).first, 2);
}

// Covers reach MPRIS as art at their own pixel size. The player's window is not active (there is
// no window manager to activate it), so each track change is noticed in place of the one before,
// with the cover; nothing is noticed once turned off, and without a server playback goes on.
TEST_F(Desktop, CoversAreMprisArtAndTrackChangesAreNoticed) {
  const QString embedded = audio_.MakeTone("embedded.mp3", 30);
  ASSERT_TRUE(TAudioFiles::EmbedCover(embedded, audio_.MakePicture("small.jpg", {320, 240})));
  ASSERT_EQ(QProcess::execute("mid3v2", {"-a", "Someone", "-A", "Covered", "-t", "Song", embedded}),
            0);
  ASSERT_FALSE(audio_.MakePicture("covered/Cover.JPG", {500, 400}).isEmpty());
  const QString beside = audio_.MakeTone("covered/beside.mp3", 30);
  const auto artSize = [&] {
    const QString art = Playerctl({"metadata", "mpris:artUrl"});
    return art.startsWith("file://") ? QImage(QUrl(art).toLocalFile()).size() : QSize();
  };
  NotificationServer server;
  // Each Notify call's replaced id, summary, body and image.
  const auto notices = [&] {
    QList<QStringList> seen;
    for (const QDBusMessage& call : server.Calls()) {
      if (call.member() != u"Notify") continue;
      const QVariantList arguments = call.arguments();
      const QVariantMap hints = qdbus_cast<QVariantMap>(arguments.value(6));
      seen.append({arguments.value(1).toString(), arguments.value(3).toString(),
                   arguments.value(4).toString(), hints.value("image-path").toString()});
    }
    return seen;
  };
  auto service = std::make_optional<Service>("org.freedesktop.Notifications",
                                             "/org/freedesktop/Notifications", server);
  ASSERT_TRUE(service->registered);

  Playerctl({"open", QUrl::fromLocalFile(embedded).toString()});
  EXPECT_TRUE(WaitFor([&] { return artSize() == QSize(320, 240); })) << artSize().width();
  ASSERT_TRUE(WaitFor([&] { return notices().size() == 1; }));
  const QString art = Playerctl({"metadata", "mpris:artUrl"});
  EXPECT_EQ(notices()[0], QStringList({"0", "Song", "Someone\nCovered", art}));
  if (const QString shot = qEnvironmentVariable("YUMEKAZE_NOTICE_SHOT"); !shot.isEmpty()) {
    QLabel shown(QString("<table><tr><td><img src=\"%1\" width=96 height=72></td>"
                         "<td><b>%2</b><br>%3</td></tr></table>")
                     .arg(QUrl(art).toLocalFile(), notices()[0][1],
                          QString(notices()[0][2]).replace("\n", "<br>")));
    shown.grab().save(shot);
  }

  // The next notice takes the first one's place, by the id the server gave it.
  Playerctl({"open", QUrl::fromLocalFile(beside).toString()});
  EXPECT_TRUE(WaitFor([&] { return artSize() == QSize(500, 400); })) << artSize().width();
  ASSERT_TRUE(WaitFor([&] { return notices().size() == 2; }));
  EXPECT_EQ(notices()[1].mid(0, 2), QStringList({"1", "beside.mp3"}));

  // No server: the next file plays at once.
  service.reset();
  Playerctl({"next"});
  EXPECT_TRUE(WaitFor([&] { return Url() == QUrl::fromLocalFile(a_).toString(); }));
  EXPECT_EQ(Playerctl({"metadata", "mpris:artUrl"}), "");
  EXPECT_TRUE(PlayerctlSays({"status"}, "Playing"));

  // Turned off in the settings: a track change with a server up is not noticed.
  Output("gdbus",
         {"call", "--session", "--dest", "org.mpris.MediaPlayer2.yumekaze", "--object-path",
          "/org/mpris/MediaPlayer2", "--method", "org.mpris.MediaPlayer2.Quit"});
  ASSERT_TRUE(program_.waitForFinished(kTimeoutMs));
  QSettings(config_.path() + "/velmor/Play.conf", QSettings::IniFormat)
      .setValue("Desktop/TrackNotices", false);
  service.emplace("org.freedesktop.Notifications", "/org/freedesktop/Notifications", server);
  ASSERT_TRUE(service->registered);
  program_.start(YUMEKAZE_PROGRAM, {beside, embedded});
  ASSERT_TRUE(program_.waitForStarted(kTimeoutMs));
  EXPECT_TRUE(WaitFor([&] { return artSize() == QSize(500, 400); }));
  Playerctl({"next"});
  EXPECT_TRUE(WaitFor([&] { return artSize() == QSize(320, 240); }));
  EXPECT_TRUE(WaitFor([&] { return Playerctl({"position"}).toDouble() >= 1.0; }));
  EXPECT_EQ(notices().size(), 2);
}

// A station's next title is noticed as a track change would be; its other news (buffering, the
// same title again) is not.
TEST_F(Desktop, StationTitlesAreNoticedOnce) {
  NotificationServer server;
  const auto told = [&](const QString& summary) {
    int count = 0;
    for (const QDBusMessage& call : server.Calls()) {
      count += call.member() == u"Notify" && call.arguments().value(3).toString() == summary;
    }
    return count;
  };
  Service service("org.freedesktop.Notifications", "/org/freedesktop/Notifications", server);
  ASSERT_TRUE(service.registered);
  QFile audio(c_);
  ASSERT_TRUE(audio.open(QIODevice::ReadOnly));
  IcyStation station(audio.readAll(), audio.size() / 30);  // a 30-second file
  station.SetTitle("First Artist - First Song");
  Playerctl({"open", station.Url()});
  ASSERT_TRUE(WaitFor([&] { return told("First Song") == 1; }));
  station.SetTitle("Second Artist - Second Song");
  ASSERT_TRUE(WaitFor([&] { return told("Second Song") == 1; }));
  const QList<QDBusMessage> calls = server.Calls();
  const QVariantList second = calls.last().arguments();
  EXPECT_EQ(second.value(4).toString(), "Second Artist\nTest FM");
  const double position = Playerctl({"position"}).toDouble();
  EXPECT_TRUE(WaitFor([&] { return Playerctl({"position"}).toDouble() >= position + 2.0; }));
  EXPECT_EQ(told("Second Song"), 1);
  EXPECT_EQ(told("First Song"), 1);
}

TEST(DesktopOptions, HelpAndVersionPrintAndEndWithoutAWindow) {
  QProcess program;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.remove("DISPLAY");
  environment.insert("QT_QPA_PLATFORM", "xcb");  // a window would fail without a display
  program.setProcessEnvironment(environment);
  program.start(YUMEKAZE_PROGRAM, {"--help"});
  ASSERT_TRUE(program.waitForFinished(kTimeoutMs));
  EXPECT_EQ(program.exitCode(), 0);
  EXPECT_TRUE(program.readAllStandardOutput().startsWith("Usage: yumekaze"));
  program.start(YUMEKAZE_PROGRAM, {"--version"});
  ASSERT_TRUE(program.waitForFinished(kTimeoutMs));
  EXPECT_EQ(program.exitCode(), 0);
  EXPECT_EQ(program.readAllStandardOutput(), "yumekaze 1.1\n");
}

class DesktopOnSoundServer : public Desktop {
 protected:
  void SetUp() override {
    // The server keeps the test's own session bus away from itself; the player needs it.
    const QByteArray bus = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    server_ = std::make_unique<platform::testing::PulseTestServer>();
    qputenv("DBUS_SESSION_BUS_ADDRESS", bus);
    if (!server_->Problem().empty()) GTEST_SKIP() << server_->Problem();
    device_ = "pulse";
    Desktop::SetUp();
  }

  // pactl on the player's stream.
  bool Mixer(const char* command, const char* value) {
    const std::string list = server_->Pactl({"list", "short", "sink-inputs"});
    bool ok = false;
    server_->Pactl({command, list.substr(0, list.find('\t')), value}, &ok);
    return ok;
  }

  int StoredVolume() {
    return QSettings(config_.path() + "/velmor/Play.conf", QSettings::IniFormat)
        .value("Player/Volume", -1)
        .toInt();
  }

  std::unique_ptr<platform::testing::PulseTestServer> server_;
};

TEST_F(DesktopOnSoundServer, TheMixersVolumeAndMuteAreThePlayers) {
  ASSERT_TRUE(WaitFor([&] { return !server_->Pactl({"list", "short", "sink-inputs"}).empty(); }));
  ASSERT_TRUE(Mixer("set-sink-input-volume", "30%"));
  EXPECT_TRUE(PlayerctlSays({"volume"}, "0.300000"));
  EXPECT_TRUE(WaitFor([&] { return Announced().contains("double 0.3"); }))
      << "no PropertiesChanged with the mixer's volume";
  EXPECT_TRUE(WaitFor([&] { return StoredVolume() == 30; })) << StoredVolume();

  // Muted in the mixer reads as volume 0; a volume set in the player is heard again.
  ASSERT_TRUE(Mixer("set-sink-input-mute", "1"));
  EXPECT_TRUE(PlayerctlSays({"volume"}, "0.000000"));
  Playerctl({"volume", "0.5"});
  EXPECT_TRUE(WaitFor([&] {
    const std::string now = server_->Pactl({"list", "sink-inputs"});
    return now.find("Mute: no") != std::string::npos && now.find("/  50%") != std::string::npos;
  }));
  EXPECT_EQ(Playerctl({"volume"}), "0.500000");
}

const QString kCli = QFileInfo(YUMEKAZE_PROGRAM).absolutePath() + "/yumekaze-cli";

// Recording into a WAV file takes the list once, even with the list repeating, and holds what
// decoding the files gives.
TEST(DesktopRecording, AWavDeviceRecordsTheListOnceAndStops) {
  if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS") ||
      QStandardPaths::findExecutable("playerctl").isEmpty() || !QFileInfo::exists(kCli)) {
    GTEST_SKIP() << "needs a session bus (dbus-run-session), playerctl and yumekaze-cli";
  }
  TAudioFiles audio;
  const QString a = audio.MakeTone("a.mp3", 2);
  if (a.isEmpty()) GTEST_SKIP() << "sox and twolame are needed to make test audio";
  const QString b = audio.MakeTone("b.mp3", 1);
  const QString wav = audio.Folder() + "recorded.wav";
  QByteArray expected;
  for (const QString& file : {a, b}) {
    QProcess decode;
    decode.start(kCli, {"decode", file, "-o", "-"});
    ASSERT_TRUE(decode.waitForFinished(kTimeoutMs));
    expected += decode.readAllStandardOutput();
  }
  ASSERT_FALSE(expected.isEmpty());
  QTemporaryDir config;
  QProcess program;
  program.setProcessEnvironment(ProgramEnvironment(config.path(), "wav:" + wav));
  program.start(YUMEKAZE_PROGRAM, {a, b});
  ASSERT_TRUE(program.waitForStarted(kTimeoutMs));
  const auto recorded = [&] {
    QFile file(wav);
    if (!file.open(QIODevice::ReadOnly)) return QByteArray();
    const QByteArray bytes = file.readAll();
    const qsizetype data = bytes.indexOf("data");
    return data < 0 ? QByteArray() : bytes.mid(data + 8);
  };
  // Stopped at the end of the list, with each file recorded once, and it stays so.
  EXPECT_TRUE(WaitFor([&] { return Playerctl({"status"}) == "Stopped" && recorded() == expected; }))
      << Playerctl({"status"}).toStdString() << ", " << recorded().size() << " bytes recorded, "
      << expected.size() << " expected";
  EXPECT_EQ(Playerctl({"loop"}), "Playlist");
  EXPECT_EQ(Playerctl({"status"}), "Stopped");
  program.kill();
  program.waitForFinished(kTimeoutMs);
}

}  // namespace
}  // namespace yumekaze::app::test

int main(int argc, char** argv) {
  // The system bus of the tests in this process is the private session bus. libdbus reads the
  // buses' addresses once, at the first connection of any test, so it is connected here; the
  // programs the tests start are given no system bus.
  if (const QByteArray bus = qgetenv("DBUS_SESSION_BUS_ADDRESS"); !bus.isEmpty()) {
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", bus);
    QDBusConnection::systemBus();
    qunsetenv("DBUS_SYSTEM_BUS_ADDRESS");
  }
  QApplication application(argc, argv);  // widgets for the tray and the notices
  // The notices are checked in their Japanese texts; the tools the tests read keep the locale.
  yumekaze::app::InstallTranslations(application, QLocale(QLocale::Japanese, QLocale::Japan));
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
