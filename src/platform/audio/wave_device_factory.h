// Chooses a wave device by name, for the front ends:
//   "auto"                the sound server when one answers, else ALSA's default device
//   "pulse"               the sound server's default sink (PulseAudio, or PipeWire's pulse server)
//   "pulse:SINK"          the sink named SINK
//   "alsa" or "default"   ALSA's default device
//   "alsa:NAME"           the ALSA device NAME ("alsa:hw:1", "alsa:file:'/tmp/x.raw',raw")
//   "null" or "null:SPEED" the silent device, SPEED times real time (default 1)
//   "wav:PATH"            a WAV file at PATH, unpaced
#pragma once

#include <memory>
#include <string_view>

#include "engine/sound/wave_device.h"

namespace yumekaze::platform {

// Throws std::invalid_argument for a name it does not know, and std::runtime_error when "auto"
// finds no device (its text says why). The device is not opened here.
std::unique_ptr<engine::TWaveDevice> CreateWaveDevice(std::string_view name);

// What "auto" stands for now: PulseAudio when a server answers, else ALSA's default device when
// it opens; nothing when neither does, and then `why` says what each answered.
std::unique_ptr<engine::TWaveDevice> CreateAutoWaveDevice(std::string& why);

// Whether an ALSA device of this name can be opened for playback now; `error` gets ALSA's text.
bool CanOpenAlsaDevice(const std::string& name, std::string& error);

}  // namespace yumekaze::platform
