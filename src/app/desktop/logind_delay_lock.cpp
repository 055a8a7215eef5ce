#include "app/desktop/logind_delay_lock.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace yumekaze::app {

namespace {

const QString kService = QStringLiteral("org.freedesktop.login1");
const QString kPath = QStringLiteral("/org/freedesktop/login1");
const QString kManager = QStringLiteral("org.freedesktop.login1.Manager");

}  // namespace

TLogindDelayLock::TLogindDelayLock(std::function<void()> save, QObject* parent)
    : QObject(parent), save_(std::move(save)) {
  QDBusConnection bus = QDBusConnection::systemBus();
  if (!bus.isConnected()) return;
  bus.connect(kService, kPath, kManager, QStringLiteral("PrepareForSleep"), this,
              SLOT(PrepareForSleep(bool)));
  bus.connect(kService, kPath, kManager, QStringLiteral("PrepareForShutdown"), this,
              SLOT(PrepareForShutdown(bool)));
  Take();
}

void TLogindDelayLock::Take() {
  if (taking_ || lock_.isValid()) return;
  QDBusMessage call =
      QDBusMessage::createMethodCall(kService, kPath, kManager, QStringLiteral("Inhibit"));
  call << QStringLiteral("sleep:shutdown") << QStringLiteral("Yumekaze")
       << QStringLiteral("Saving the play session") << QStringLiteral("delay");
  taking_ = true;
  stopping_ = false;
  // Asked without waiting: a logind that is slow or absent holds nothing up.
  auto* watcher = new QDBusPendingCallWatcher(QDBusConnection::systemBus().asyncCall(call), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher] {
    taking_ = false;
    const QDBusPendingReply<QDBusUnixFileDescriptor> reply = *watcher;
    if (reply.isValid() && !stopping_) lock_ = reply.value();
    watcher->deleteLater();
  });
}

void TLogindDelayLock::SaveAndRelease() {
  stopping_ = true;
  save_();
  lock_ = QDBusUnixFileDescriptor();  // closes the descriptor: logind goes on
}

void TLogindDelayLock::PrepareForSleep(bool start) {
  if (start) {
    SaveAndRelease();
  } else {
    Take();
  }
}

void TLogindDelayLock::PrepareForShutdown(bool start) {
  if (start) {
    SaveAndRelease();
  } else {
    Take();  // a shutdown called off
  }
}

}  // namespace yumekaze::app
