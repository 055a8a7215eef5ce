// Driving the real `yumekaze` from a test: its environment, playerctl and gdbus against it,
// stand-ins for the services it calls on the bus, and waits on conditions.
#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QMutex>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <functional>
#include <utility>

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

// Answers one interface's methods by name; Properties.Get goes to `properties`. It may serve
// from a thread of its own, for callers that block the test's main thread.
class StandIn : public QDBusVirtualObject {
 public:
  explicit StandIn(QString interfaceXml) : interfaceXml_(std::move(interfaceXml)) {}
  std::function<QVariant(const QDBusMessage&)> answer;
  QVariantMap properties;

  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
    if (message.member() == u"Introspect") {
      connection.send(message.createReply("<node>" + interfaceXml_ + "</node>"));
      return true;
    }
    if (message.interface() == u"org.freedesktop.DBus.Properties") {
      const QVariant value = properties.value(message.arguments().value(1).toString());
      connection.send(message.createReply(QVariant::fromValue(QDBusVariant(value))));
      return true;
    }
    {
      const QMutexLocker lock(&mutex_);
      calls_ << message;
    }
    const QVariant reply = answer ? answer(message) : QVariant();
    connection.send(reply.isValid() ? message.createReply(reply) : message.createReply());
    return true;
  }
  QString introspect(const QString&) const override { return interfaceXml_; }
  QList<QDBusMessage> Calls() const {
    const QMutexLocker lock(&mutex_);
    return calls_;
  }
  QStringList Members() const {
    QStringList members;
    for (const QDBusMessage& call : Calls()) members << call.member();
    return members;
  }
  void Clear() {
    const QMutexLocker lock(&mutex_);
    calls_.clear();
  }

 private:
  QString interfaceXml_;
  mutable QMutex mutex_;
  QList<QDBusMessage> calls_;
};

// The desktop's notification server: GetCapabilities answers `capabilities`, each Notify the id
// after `lastId`.
class NotificationServer : public StandIn {
 public:
  NotificationServer() : StandIn(R"(<interface name="org.freedesktop.Notifications"/>)") {
    answer = [this](const QDBusMessage& call) -> QVariant {
      if (call.member() == u"GetCapabilities") return capabilities;
      if (call.member() == u"Notify") return ++lastId;
      return {};
    };
  }
  QStringList capabilities{"body"};
  uint lastId = 0;
};

// A service of its own connection, as another program on the bus would be.
struct Service {
  Service(const QString& name, const QString& path, StandIn& object)
      : name(name), connection(QDBusConnection::connectToBus(QDBusConnection::SessionBus, name)) {
    registered =
        connection.registerVirtualObject(path, &object) && connection.registerService(name);
  }
  ~Service() {
    connection.unregisterService(name);
    QDBusConnection::disconnectFromBus(name);
  }
  QString name;
  QDBusConnection connection;
  bool registered;
};

}  // namespace yumekaze::app::test
