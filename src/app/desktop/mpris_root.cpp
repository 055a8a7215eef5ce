#include "app/desktop/mpris_root.h"

#include <QTimer>

#include "app/desktop/desktop_id.h"
#include "app/dialogs/error_report.h"
#include "app/window/form1.h"

namespace yumekaze::app {

TMprisRoot::TMprisRoot(QObject* object, TForm1& form1)
    : QDBusAbstractAdaptor(object), form1_(form1) {}

QString TMprisRoot::Identity() const { return QString::fromUtf8(kApplicationTitle); }

QString TMprisRoot::DesktopEntry() const { return QString::fromUtf8(kDesktopId); }

QStringList TMprisRoot::SupportedUriSchemes() const { return {QStringLiteral("file")}; }

QStringList TMprisRoot::SupportedMimeTypes() const {
  return {QStringLiteral("audio/mpeg"), QStringLiteral("audio/x-mpegurl"),
          QStringLiteral("audio/x-scpls")};
}

void TMprisRoot::Raise() {
  // Commands run after the reply went out: a message box they show must not hold the caller.
  QTimer::singleShot(0, &form1_, [this] { form1_.Raise(); });
}

void TMprisRoot::Quit() {
  QTimer::singleShot(0, &form1_, [this] { form1_.BitBtn2Click(); });
}

}  // namespace yumekaze::app
