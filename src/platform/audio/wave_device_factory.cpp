#include "platform/audio/wave_device_factory.h"

#include <alsa/asoundlib.h>

#include <cstdlib>
#include <stdexcept>
#include <string>

#include "platform/audio/alsa_messages.h"
#include "platform/audio/alsa_wave_device.h"
#include "platform/audio/null_wave_device.h"
#include "platform/audio/pulse_wave_device.h"
#include "platform/audio/wav_file_wave_device.h"

namespace yumekaze::platform {

namespace {

// The part after "kind:", or nothing when `name` is not of that kind.
bool Take(std::string_view name, std::string_view kind, std::string_view& rest, bool& hasRest) {
  if (name == kind) {
    hasRest = false;
    return true;
  }
  if (name.size() > kind.size() && name.substr(0, kind.size()) == kind &&
      name[kind.size()] == ':') {
    rest = name.substr(kind.size() + 1);
    hasRest = true;
    return true;
  }
  return false;
}

double ParseSpeed(std::string_view text) {
  const std::string copy(text);
  char* end = nullptr;
  const double speed = std::strtod(copy.c_str(), &end);
  if (copy.empty() || end != copy.c_str() + copy.size() || !(speed > 0)) {
    throw std::invalid_argument("null device speed must be a number above 0: " + copy);
  }
  return speed;
}

}  // namespace

std::unique_ptr<engine::TWaveDevice> CreateWaveDevice(std::string_view name) {
  std::string_view rest;
  bool hasRest = false;
  if (name == "auto") {
    std::string why;
    if (auto device = CreateAutoWaveDevice(why)) return device;
    throw std::runtime_error(why);
  }
  if (name == "default") return std::make_unique<TAlsaWaveDevice>();
  if (Take(name, "pulse", rest, hasRest)) {
    if (hasRest && rest.empty()) throw std::invalid_argument("pulse: needs a sink name");
    return std::make_unique<TPulseWaveDevice>(std::string(rest));
  }
  if (Take(name, "alsa", rest, hasRest)) {
    if (hasRest && rest.empty()) throw std::invalid_argument("alsa: needs a device name");
    return std::make_unique<TAlsaWaveDevice>(hasRest ? std::string(rest) : "default");
  }
  if (Take(name, "null", rest, hasRest)) {
    return std::make_unique<TNullWaveDevice>(hasRest ? ParseSpeed(rest) : 1.0);
  }
  if (Take(name, "wav", rest, hasRest) && hasRest && !rest.empty()) {
    return std::make_unique<TWavFileWaveDevice>(std::string(rest));
  }
  throw std::invalid_argument("unknown sound device: " + std::string(name) +
                              " (use auto, pulse[:SINK], alsa[:NAME], null[:SPEED] or wav:PATH)");
}

std::unique_ptr<engine::TWaveDevice> CreateAutoWaveDevice(std::string& why) {
  std::string pulseError;
  if (PulseServerAnswers(pulseError)) return std::make_unique<TPulseWaveDevice>();
  std::string alsaError;
  if (CanOpenAlsaDevice("default", alsaError)) return std::make_unique<TAlsaWaveDevice>();
  why = "No sound output: " + pulseError + ", and ALSA's default device cannot be opened (" +
        alsaError + ")";
  return nullptr;
}

bool CanOpenAlsaDevice(const std::string& name, std::string& error) {
  SilenceAlsaLibraryMessages();
  snd_pcm_t* pcm = nullptr;
  const int result = snd_pcm_open(&pcm, name.c_str(), SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK);
  if (result < 0) {
    error = snd_strerror(result);
    return false;
  }
  snd_pcm_close(pcm);
  return true;
}

}  // namespace yumekaze::platform
