#pragma once

namespace yumekaze::app {

// The volume (0..100) the user last chose, kept in the settings; 100 before any choice.
int StoredVolume();
void StoreVolume(int volume);

}  // namespace yumekaze::app
