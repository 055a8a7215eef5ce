#include "app/window/pictures.h"

#include <QPixmap>

namespace yumekaze::app {

namespace {

// A picture and its twice-as-large drawing for screens scaled by two.
void AddPicture(QIcon& icon, const QString& name, QIcon::Mode mode) {
  icon.addPixmap(QPixmap(QStringLiteral(":/pictures/%1.png").arg(name)), mode);
  QPixmap large(QStringLiteral(":/pictures/%1@2x.png").arg(name));
  large.setDevicePixelRatio(2);
  icon.addPixmap(large, mode);
}

}  // namespace

QIcon Picture(const QString& name) {
  QIcon icon;
  AddPicture(icon, name, QIcon::Normal);
  AddPicture(icon, name + QStringLiteral("_disabled"), QIcon::Disabled);
  return icon;
}

QIcon ProgramIcon() {
  QIcon icon;
  AddPicture(icon, QStringLiteral("yumekaze"), QIcon::Normal);
  return icon;
}

}  // namespace yumekaze::app
