#include "desktop_support.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
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

const QString kNotifications = "org.freedesktop.Notifications";

bool TNotificationServer::Start() {
  QDBusConnection bus = QDBusConnection::sessionBus();
  return bus.registerObject("/org/freedesktop/Notifications", this,
                            QDBusConnection::ExportAllSlots) &&
         bus.registerService(kNotifications);
}

void TNotificationServer::Stop() {
  QDBusConnection bus = QDBusConnection::sessionBus();
  bus.unregisterService(kNotifications);
  bus.unregisterObject("/org/freedesktop/Notifications");
}

QStringList TNotificationServer::GetCapabilities() { return {"body", "actions"}; }

uint TNotificationServer::Notify(const QString&, uint replacesId, const QString&,
                                 const QString& summary, const QString& body, const QStringList&,
                                 const QVariantMap& hints, int) {
  received.append({replacesId, summary, body, hints});
  return replacesId != 0 ? replacesId : ++lastId_;
}

void TNotificationServer::CloseNotification(uint) {}

QString TNotificationServer::GetServerInformation(QString& vendor, QString& version,
                                                  QString& specVersion) {
  vendor = "test";
  version = "1";
  specVersion = "1.2";
  return "stand-in";
}

}  // namespace yumekaze::app::test
