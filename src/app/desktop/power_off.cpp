#include "app/desktop/power_off.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusReply>
#include <memory>

namespace yumekaze::app {

namespace {

QDBusMessage ManagerCall(const QString& method) {
  return QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.login1"),
                                        QStringLiteral("/org/freedesktop/login1"),
                                        QStringLiteral("org.freedesktop.login1.Manager"), method);
}

// logind answers "yes", "no", "challenge" (allowed after authentication) or "na".
bool Allowed(const QDBusPendingCall& call) {
  const QDBusReply<QString> reply = call.reply();
  return reply.isValid() && (reply.value() == u"yes" || reply.value() == u"challenge");
}

}  // namespace

void TLogindPowerOff::AskAllowed(TAllowed answer) {
  QDBusConnection bus = QDBusConnection::systemBus();
  if (!bus.isConnected()) {
    answer(false, false);
    return;
  }
  constexpr int kTimeoutMs = 3000;
  auto* suspend = new QDBusPendingCallWatcher(
      bus.asyncCall(ManagerCall(QStringLiteral("CanSuspend")), kTimeoutMs));
  auto* powerOff = new QDBusPendingCallWatcher(
      bus.asyncCall(ManagerCall(QStringLiteral("CanPowerOff")), kTimeoutMs));
  auto answered = std::make_shared<bool>(false);
  const auto both = [suspend, powerOff, answer = std::move(answer), answered] {
    if (*answered || !suspend->isFinished() || !powerOff->isFinished()) return;
    *answered = true;
    answer(Allowed(*suspend), Allowed(*powerOff));
    suspend->deleteLater();
    powerOff->deleteLater();
  };
  QObject::connect(suspend, &QDBusPendingCallWatcher::finished, suspend, both);
  QObject::connect(powerOff, &QDBusPendingCallWatcher::finished, powerOff, both);
}

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
