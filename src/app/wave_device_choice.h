#pragma once

#include <memory>

#include "engine/sound/wave_device.h"

namespace yumekaze::app {

// The wave device the player plays through: the system's default ALSA device, or the one named
// by the environment variable YUMEKAZE_DEVICE ("null" for machines without sound, e.g. tests).
std::unique_ptr<engine::TWaveDevice> ChooseWaveDevice();

}  // namespace yumekaze::app
