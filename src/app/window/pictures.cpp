#include "app/window/pictures.h"

#include <QPixmap>

namespace yumekaze::app {

QIcon Picture(const QString& name) {
  QIcon icon;
  icon.addPixmap(QPixmap(QStringLiteral(":/pictures/%1.png").arg(name)), QIcon::Normal);
  icon.addPixmap(QPixmap(QStringLiteral(":/pictures/%1_disabled.png").arg(name)), QIcon::Disabled);
  return icon;
}

QIcon ProgramIcon() { return QIcon(QStringLiteral(":/pictures/yumekaze.png")); }

}  // namespace yumekaze::app
