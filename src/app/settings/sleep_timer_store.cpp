#include "app/settings/sleep_timer_store.h"

#include "app/settings/settings_store.h"

namespace yumekaze::app {

namespace {
const QString kFinishTrack = QStringLiteral("SleepTimer/FinishTrack");
}  // namespace

bool StoredFinishTrack() { return OpenSettings()->value(kFinishTrack, false).toBool(); }

void StoreFinishTrack(bool on) { OpenSettings()->setValue(kFinishTrack, on); }

}  // namespace yumekaze::app
