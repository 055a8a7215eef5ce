#include "app/settings/settings_store.h"

namespace yumekaze::app {

std::unique_ptr<QSettings> OpenSettings() {
  return std::make_unique<QSettings>(QStringLiteral("velmor"), QStringLiteral("Play"));
}

}  // namespace yumekaze::app
