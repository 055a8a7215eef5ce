#include "app/desktop/desktop_notifications.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusReply>
#include <QFileInfo>
#include <QUrl>
#include <utility>

#include "app/desktop/desktop_id.h"

namespace yumekaze::app {

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");

// A server that hangs must not keep notices queued behind it for long.
constexpr int kCallTimeoutMs = 5000;

QDBusMessage ServerCall(const QString& method, const QVariantList& arguments) {
  QDBusMessage message = QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
  message.setArguments(arguments);
  return message;
}

}  // namespace

TDesktopNotifications::TDesktopNotifications(QObject* parent)
    : QObject(parent), connected_(QDBusConnection::sessionBus().isConnected()) {
  if (!connected_) return;
  QDBusConnection bus = QDBusConnection::sessionBus();
  bus.connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
              SLOT(ServerInvoked(uint, QString)));
  bus.connect(kService, kPath, kInterface, QStringLiteral("NotificationClosed"), this,
              SLOT(ServerClosed(uint, uint)));
}

TDesktopNotifications::~TDesktopNotifications() {
  // The buttons of a notice left behind would do nothing; no answer is awaited.
  if (id_ != 0) {
    QDBusConnection::sessionBus().send(ServerCall(QStringLiteral("CloseNotification"), {id_}));
  }
}

void TDesktopNotifications::Show(const TNotice& notice) {
  if (!connected_) return;
  waiting_ = notice;
  closeWanted_ = false;
  SendNext();
}

void TDesktopNotifications::Close() {
  waiting_.reset();
  closeWanted_ = true;
  SendNext();
}

void TDesktopNotifications::SendNext() {
  if (calling_ || !connected_) return;
  if (closeWanted_ && id_ != 0) {
    closeWanted_ = false;
    Call(QStringLiteral("CloseNotification"), {id_});
    id_ = 0;
    return;
  }
  if (!waiting_) return;
  if (!capabilities_) {
    Call(QStringLiteral("GetCapabilities"), {}, &TDesktopNotifications::CapabilitiesAnswered);
    return;
  }
  const TNotice notice = *std::exchange(waiting_, std::nullopt);
  QStringList actions;
  if (capabilities_->contains(u"actions")) {
    for (const auto& [key, label] : notice.actions) actions << key << label;
  }
  QVariantMap hints{{QStringLiteral("desktop-entry"), QString::fromUtf8(kDesktopId)}};
  if (!notice.image.isEmpty()) {
    hints.insert(QStringLiteral("image-path"), QUrl::fromLocalFile(notice.image).toString());
  }
  // Servers that read markup in bodies take "&" and "<" in tag texts as markup.
  const QString body =
      capabilities_->contains(u"body-markup") ? notice.body.toHtmlEscaped() : notice.body;
  QString icon = notice.icon.isEmpty() ? QString::fromUtf8(kDesktopId) : notice.icon;
  if (QFileInfo(icon).isAbsolute()) icon = QUrl::fromLocalFile(icon).toString();
  Call(QStringLiteral("Notify"),
       {QStringLiteral("Yumekaze"), id_, icon, notice.summary, body, actions, hints,
        notice.timeoutMs},
       &TDesktopNotifications::NotifyAnswered);
}

void TDesktopNotifications::Call(const QString& method, const QVariantList& arguments,
                                 void (TDesktopNotifications::*answered)(const QDBusPendingCall&)) {
  calling_ = true;
  auto* watcher = new QDBusPendingCallWatcher(
      QDBusConnection::sessionBus().asyncCall(ServerCall(method, arguments), kCallTimeoutMs), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, answered] {
    watcher->deleteLater();
    calling_ = false;
    if (answered) (this->*answered)(*watcher);
    SendNext();
  });
}

void TDesktopNotifications::CapabilitiesAnswered(const QDBusPendingCall& call) {
  const QDBusReply<QStringList> reply = call.reply();
  if (!reply.isValid()) {
    // No server: nothing to show, and nothing to ask again until a notice comes.
    waiting_.reset();
    return;
  }
  capabilities_ = reply.value();
}

void TDesktopNotifications::NotifyAnswered(const QDBusPendingCall& call) {
  const QDBusReply<uint> reply = call.reply();
  id_ = reply.isValid() ? reply.value() : 0;
}

void TDesktopNotifications::ServerInvoked(uint id, const QString& key) {
  if (id != 0 && id == id_) emit ActionInvoked(key);
}

void TDesktopNotifications::ServerClosed(uint id, uint) {
  if (id != 0 && id == id_) id_ = 0;
}

}  // namespace yumekaze::app
