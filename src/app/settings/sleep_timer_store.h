#pragma once

namespace yumekaze::app {

// Whether the sleep timer lets the playing track end before it stops, kept in the settings;
// off before any choice.
bool StoredFinishTrack();
void StoreFinishTrack(bool on);

}  // namespace yumekaze::app
