// The start step of ./run: the desktop player comes up with the demo tune playing, and the user's
// own session is there again at their next normal start.
#include <gtest/gtest.h>
#include <signal.h>

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>

#include "desktop_support.h"
#include "test_support.h"

namespace yumekaze::app::test {
namespace {

bool EndsOnTerm(QProcess& program) {
  ::kill(static_cast<pid_t>(program.processId()), SIGTERM);
  return program.waitForFinished(kTimeoutMs) && program.exitCode() == 0;
}

TEST(FirstRun, TheStartStepPlaysTheDemoAndLeavesTheUsersSessionAlone) {
  const QString source = QStringLiteral(YUMEKAZE_SOURCE_DIR);
  if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS") ||
      QStandardPaths::findExecutable("playerctl").isEmpty() ||
      QFileInfo(source + "/build/bin/yumekaze") != QFileInfo(YUMEKAZE_PROGRAM)) {
    GTEST_SKIP() << "needs a session bus, playerctl and the program built in build/";
  }
  TAudioFiles audio;
  const QString mine = audio.MakeTone("mine.mp3", 30);
  if (mine.isEmpty()) GTEST_SKIP() << "sox and twolame are needed to make test audio";
  QTemporaryDir config;

  // The user's own session: a list with their file.
  QProcess program;
  program.setProcessEnvironment(ProgramEnvironment(config.path()));
  program.start(YUMEKAZE_PROGRAM, {mine});
  ASSERT_TRUE(program.waitForStarted(kTimeoutMs));
  ASSERT_TRUE(PlayerctlSays({"status"}, "Playing"));
  ASSERT_TRUE(EndsOnTerm(program));

  // ./run's start step: the demo is the current entry, and it plays.
  QProcess start;
  start.setProcessEnvironment(ProgramEnvironment(config.path()));
  start.start(source + "/tools/start-player.sh", {});
  ASSERT_TRUE(start.waitForStarted(kTimeoutMs));
  EXPECT_TRUE(PlayerctlSays({"status"}, "Playing"));
  const QString url = Playerctl({"metadata", "xesam:url"});
  EXPECT_TRUE(url.endsWith("/data/demo.mp2") || url.endsWith("/data/demo.mp3"))
      << url.toStdString();
  ASSERT_TRUE(EndsOnTerm(start));

  // A normal start shows the user's list again.
  program.start(YUMEKAZE_PROGRAM, {});
  ASSERT_TRUE(program.waitForStarted(kTimeoutMs));
  EXPECT_TRUE(PlayerctlSays({"metadata", "xesam:url"}, QUrl::fromLocalFile(mine).toString()));
  EXPECT_TRUE(EndsOnTerm(program));
}

}  // namespace
}  // namespace yumekaze::app::test
