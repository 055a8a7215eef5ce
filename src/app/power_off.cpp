#include "app/power_off.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusReply>

namespace yumekaze::app {

namespace {

QDBusMessage ManagerCall(const QString& method) {
  return QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.login1"),
                                        QStringLiteral("/org/freedesktop/login1"),
                                        QStringLiteral("org.freedesktop.login1.Manager"), method);
}

// logind answers "yes", "no", "challenge" (allowed after authentication) or "na".
bool Allowed(const QString& method) {
  const QDBusReply<QString> reply =
      QDBusConnection::systemBus().call(ManagerCall(method), QDBus::Block, 3000);
  return reply.isValid() && (reply.value() == u"yes" || reply.value() == u"challenge");
}

}  // namespace

bool TLogindPowerOff::CanSuspend() { return Allowed(QStringLiteral("CanSuspend")); }

bool TLogindPowerOff::CanPowerOff() { return Allowed(QStringLiteral("CanPowerOff")); }

void TLogindPowerOff::Request(TSleepAction action, TRefused refused) {
  if (action == TSleepAction::Stop) return;
  QDBusMessage call = ManagerCall(action == TSleepAction::Suspend ? QStringLiteral("Suspend")
                                                                  : QStringLiteral("PowerOff"));
  // interactive = false: the timer runs unattended, so no authentication dialog may hold it up.
  call << false;
  QDBusConnection bus = QDBusConnection::systemBus();
  if (!bus.isConnected()) {
    refused(bus.lastError().message());
    return;
  }
  auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call));
  QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                   [watcher, refused = std::move(refused)] {
                     if (watcher->isError()) refused(watcher->error().message());
                     watcher->deleteLater();
                   });
}

}  // namespace yumekaze::app
