#include "app/wave_device_choice.h"

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "platform/audio/wave_device_factory.h"

namespace yumekaze::app {

std::unique_ptr<engine::TWaveDevice> ChooseWaveDevice() {
  const char* name = std::getenv("YUMEKAZE_DEVICE");
  if (name && *name) {
    try {
      return platform::CreateWaveDevice(name);
    } catch (const std::invalid_argument& error) {
      std::fprintf(stderr, "yumekaze: YUMEKAZE_DEVICE: %s; using the default device\n",
                   error.what());
    }
  }
  return platform::CreateWaveDevice("default");
}

}  // namespace yumekaze::app
