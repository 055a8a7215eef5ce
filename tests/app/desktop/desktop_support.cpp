#include "desktop_support.h"

#include <QProcess>
#include <QTest>

namespace yumekaze::app::test {

QProcessEnvironment ProgramEnvironment(const QString& config, const QString& device) {
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("XDG_CONFIG_HOME", config);
  environment.insert("XDG_CACHE_HOME", config + "/cache");
  environment.insert("YUMEKAZE_DEVICE", device);
  return environment;
}

QString Output(const QString& program, const QStringList& arguments, int* exitCode) {
  QProcess process;
  process.start(program, arguments);
  if (!process.waitForFinished(kTimeoutMs)) {
    process.kill();
    process.waitForFinished();
  }
  if (exitCode) *exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

QString Playerctl(const QStringList& arguments) {
  return Output("playerctl", QStringList{"--player=yumekaze"} + arguments);
}

QString Property(const QString& name) {
  return Output("gdbus",
                {"call", "--session", "--dest", "org.mpris.MediaPlayer2.yumekaze", "--object-path",
                 "/org/mpris/MediaPlayer2", "--method", "org.freedesktop.DBus.Properties.Get",
                 "org.mpris.MediaPlayer2.Player", name});
}

bool WaitFor(const std::function<bool()>& condition) {
  return QTest::qWaitFor(condition, kTimeoutMs);
}

bool PlayerctlSays(const QStringList& arguments, const QString& expected) {
  return WaitFor([&] { return Playerctl(arguments) == expected; });
}

}  // namespace yumekaze::app::test
