#include "app/settings/volume_store.h"

#include <algorithm>

#include "app/settings/settings_store.h"

namespace yumekaze::app {

namespace {
const QString kVolume = QStringLiteral("Player/Volume");
}  // namespace

int StoredVolume() { return std::clamp(OpenSettings()->value(kVolume, 100).toInt(), 0, 100); }

void StoreVolume(int volume) { OpenSettings()->setValue(kVolume, volume); }

}  // namespace yumekaze::app
