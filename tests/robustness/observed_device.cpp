#include "observed_device.h"

#include "platform/audio/null_wave_device.h"

namespace yumekaze::robustness {

ObservedDevice::ObservedDevice(double speed, std::shared_ptr<DeviceObserver> observer)
    : inner_(std::make_unique<platform::TNullWaveDevice>(speed)), observer_(std::move(observer)) {}

ObservedDevice::~ObservedDevice() = default;

void ObservedDevice::Misuse(const char* call) {
  if (observer_->state_.misuse.empty()) observer_->state_.misuse = call;
}

int ObservedDevice::Open(const engine::TWaveFormat& format, engine::TMPMessagePoster& notify) {
  const int result = inner_->Open(format, notify);
  std::lock_guard lock(observer_->mutex_);
  DeviceState& state = observer_->state_;
  if (state.open) Misuse("Open while open");
  if (result == engine::kWaveNoError) {
    state.open = true;
    state.paused = false;
    ++state.opens;
  }
  return result;
}

int ObservedDevice::Close() {
  const int result = inner_->Close();
  std::lock_guard lock(observer_->mutex_);
  DeviceState& state = observer_->state_;
  if (!state.open) Misuse("Close while closed");
  if (result == engine::kWaveNoError) {
    state.open = false;
    state.paused = false;
    ++state.closes;
  }
  return result;
}

int ObservedDevice::Prepare(engine::TWaveHeader& header) { return inner_->Prepare(header); }
int ObservedDevice::Unprepare(engine::TWaveHeader& header) { return inner_->Unprepare(header); }

int ObservedDevice::Write(engine::TWaveHeader& header) {
  {
    std::lock_guard lock(observer_->mutex_);
    DeviceState& state = observer_->state_;
    if (!state.open) Misuse("Write while closed");
    state.bytes_written += static_cast<int64_t>(header.Length);
  }
  return inner_->Write(header);
}

int ObservedDevice::Pause() {
  std::lock_guard lock(observer_->mutex_);
  if (!observer_->state_.open) Misuse("Pause while closed");
  const int result = inner_->Pause();
  if (result == engine::kWaveNoError) observer_->state_.paused = true;
  return result;
}

int ObservedDevice::Restart() {
  std::lock_guard lock(observer_->mutex_);
  if (!observer_->state_.open) Misuse("Restart while closed");
  const int result = inner_->Restart();
  if (result == engine::kWaveNoError) observer_->state_.paused = false;
  return result;
}

int ObservedDevice::Reset() { return inner_->Reset(); }
int ObservedDevice::GetVolume(uint32_t& volume) { return inner_->GetVolume(volume); }

int ObservedDevice::SetVolume(uint32_t volume) {
  std::lock_guard lock(observer_->mutex_);
  const int result = inner_->SetVolume(volume);
  if (result == engine::kWaveNoError) {
    observer_->state_.volume = volume;
    observer_->state_.volume_set = true;
  }
  return result;
}

std::string ObservedDevice::ErrorText(int code) const { return inner_->ErrorText(code); }

}  // namespace yumekaze::robustness
