#include "platform/audio/alsa_messages.h"

#include <alsa/asoundlib.h>

#include <mutex>

namespace yumekaze::platform {
namespace {

void DropMessage(const char*, int, const char*, int, const char*, ...) {}

}  // namespace

void SilenceAlsaLibraryMessages() {
  static std::once_flag once;
  std::call_once(once, [] { snd_lib_error_set_handler(DropMessage); });
}

}  // namespace yumekaze::platform
