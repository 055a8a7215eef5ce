// ALSA's library prints its own diagnostics to standard error (a missing card, say). The devices
// report every failure through their error texts instead, so those prints are switched off.
#pragma once

namespace yumekaze::platform {

// Installs a handler that drops ALSA's library messages; safe to call from any thread, any
// number of times.
void SilenceAlsaLibraryMessages();

}  // namespace yumekaze::platform
