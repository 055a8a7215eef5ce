// A player started before the sound server: "auto" finds no device, the files given still make
// the list, and a play once the server is up plays through it.
#include <gtest/gtest.h>

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>
#include <filesystem>

#include "desktop_support.h"
#include "pulse_test_server.h"
#include "test_support.h"

namespace yumekaze::app::test {
namespace {

TEST(SoundServer, OneThatComesAfterThePlayerIsPlayedThrough) {
  if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS") ||
      QStandardPaths::findExecutable("playerctl").isEmpty() ||
      QStandardPaths::findExecutable("pulseaudio").isEmpty()) {
    GTEST_SKIP() << "needs a session bus (dbus-run-session), playerctl and pulseaudio";
  }
  TAudioFiles audio;
  const QString a = audio.MakeTone("a.mp3", 30);
  if (a.isEmpty()) GTEST_SKIP() << "sox and twolame are needed to make test audio";
  const QString b = audio.MakeTone("b.mp3", 30);
  // The player looks for the server at a socket that is not there yet, and ALSA, without its
  // configuration, opens no default device: as at a login where the sound server comes late.
  QTemporaryDir config;
  const QString socket = config.path() + "/native";
  QProcessEnvironment environment = ProgramEnvironment(config.path(), "auto");
  environment.insert("PULSE_SERVER", "unix:" + socket);
  environment.insert("ALSA_CONFIG_PATH", audio.Folder() + "no-alsa.conf");
  QProcess program;
  program.setProcessEnvironment(environment);
  program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  program.start(YUMEKAZE_PROGRAM, {a, b});
  ASSERT_TRUE(program.waitForStarted(kTimeoutMs));

  // The list is there with no box to dismiss first, and the play failed.
  ASSERT_TRUE(WaitFor([&] {
    return Playerctl({"metadata", "xesam:url"}) == QUrl::fromLocalFile(a).toString();
  }));
  EXPECT_TRUE(PlayerctlSays({"status"}, "Stopped"));
  Playerctl({"play"});
  EXPECT_TRUE(PlayerctlSays({"status"}, "Stopped"));

  const QByteArray bus = qgetenv("DBUS_SESSION_BUS_ADDRESS");
  platform::testing::PulseTestServer server;
  qputenv("DBUS_SESSION_BUS_ADDRESS", bus);
  if (!server.Problem().empty()) {
    program.kill();
    program.waitForFinished(kTimeoutMs);
    GTEST_SKIP() << server.Problem();
  }
  std::filesystem::create_symlink(server.Dir() / "native", socket.toStdString());

  Playerctl({"play"});
  EXPECT_TRUE(PlayerctlSays({"status"}, "Playing"));
  EXPECT_TRUE(WaitFor([&] { return !server.Pactl({"list", "short", "sink-inputs"}).empty(); }));
  EXPECT_TRUE(WaitFor([&] { return Playerctl({"position"}).toDouble() >= 1; }));
  Playerctl({"next"});
  EXPECT_TRUE(WaitFor([&] {
    return Playerctl({"metadata", "xesam:url"}) == QUrl::fromLocalFile(b).toString();
  }));
  EXPECT_TRUE(PlayerctlSays({"status"}, "Playing"));

  program.kill();
  program.waitForFinished(kTimeoutMs);
}

}  // namespace
}  // namespace yumekaze::app::test
