// Driving the real `yumekaze` from a test: its environment, playerctl and gdbus against it, and
// waits on conditions.
#pragma once

#include <QList>
#include <QObject>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <functional>

namespace yumekaze::app::test {

inline constexpr int kTimeoutMs = 20000;

// The system environment with the settings and caches under `config` and the sound output
// `device`.
QProcessEnvironment ProgramEnvironment(const QString& config, const QString& device = "null");
// Runs a command to its end; its output without the final line break.
QString Output(const QString& program, const QStringList& arguments, int* exitCode = nullptr);
QString Playerctl(const QStringList& arguments);
// A property of the player interface as gdbus prints it.
QString Property(const QString& name);
bool WaitFor(const std::function<bool()>& condition);
bool PlayerctlSays(const QStringList& arguments, const QString& expected);

// A notification server on the session bus that keeps every Notify call it answers. Calls are
// answered while the test's event loop runs (WaitFor).
class TNotificationServer : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

 public:
  struct TNotify {
    uint replacesId;
    QString summary;
    QString body;
    QVariantMap hints;
  };

  // False when the name is taken or there is no bus.
  bool Start();
  void Stop();

  QList<TNotify> received;

 public slots:
  QStringList GetCapabilities();
  uint Notify(const QString& application, uint replacesId, const QString& icon,
              const QString& summary, const QString& body, const QStringList& actions,
              const QVariantMap& hints, int timeoutMs);
  void CloseNotification(uint id);
  QString GetServerInformation(QString& vendor, QString& version, QString& specVersion);

 private:
  uint lastId_ = 0;
};

}  // namespace yumekaze::app::test
