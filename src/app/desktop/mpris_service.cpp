#include "app/desktop/mpris_service.h"

#include <QDBusConnection>
#include <QDBusMessage>

#include "app/desktop/instance_handover.h"
#include "app/desktop/mpris_player.h"
#include "app/desktop/mpris_root.h"
#include "app/window/form1.h"

namespace yumekaze::app {

TMprisService::TMprisService(TForm1& form1) : QObject(&form1) {
  new TMprisRoot(this, form1);
  player_ = new TMprisPlayer(this, form1);
  new TInstanceHandOver(this, form1);
  // Several changes in one command go out as one signal.
  connect(&form1, &TForm1::PlayerChanged, this, &TMprisService::AnnounceChanges,
          Qt::QueuedConnection);
}

bool TMprisService::Register() {
  QDBusConnection bus = QDBusConnection::sessionBus();
  return bus.isConnected() && bus.registerObject(QString::fromLatin1(kMprisObjectPath), this,
                                                 QDBusConnection::ExportAdaptors);
}

void TMprisService::AnnounceChanges() {
  const QVariantMap changed = player_->Changes();
  if (changed.isEmpty()) return;
  QDBusMessage signal = QDBusMessage::createSignal(
      QString::fromLatin1(kMprisObjectPath), QStringLiteral("org.freedesktop.DBus.Properties"),
      QStringLiteral("PropertiesChanged"));
  signal << QStringLiteral("org.mpris.MediaPlayer2.Player") << changed << QStringList();
  QDBusConnection::sessionBus().send(signal);
}

}  // namespace yumekaze::app
