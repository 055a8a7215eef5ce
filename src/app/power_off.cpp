#include "app/power_off.h"

#include <QDBusConnection>
#include <QDBusMessage>

namespace yumekaze::app {

void TLogindPowerOff::RequestPowerOff() {
  QDBusMessage call = QDBusMessage::createMethodCall(
      QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
      QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PowerOff"));
  // interactive = false: the timer runs unattended, so no authentication dialog may hold it up.
  call << false;
  QDBusConnection::systemBus().send(call);
}

}  // namespace yumekaze::app
