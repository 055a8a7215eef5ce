#include "engine/sound/wave_device_keeper.h"

#include <thread>

namespace yumekaze::engine {

void TWaveDeviceKeeper::Attach(TMPMessagePoster* target) {
  std::lock_guard lock(mutex_);
  target_ = target;
}

void TWaveDeviceKeeper::PostMessage(uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam) {
  std::lock_guard lock(mutex_);
  if (target_ != nullptr) target_->PostMessage(msg, wParam, lParam);
}

uint64_t TWaveDeviceKeeper::OpenLater(const TWaveFormat& format,
                                      std::function<void(TWaveDevice&)> prepare, uint32_t message) {
  uint64_t ticket = 0;
  {
    std::lock_guard lock(mutex_);
    ticket = ++tickets_;
    wanted_ = ticket;
  }
  Run([this, format, prepare = std::move(prepare), message, ticket] {
    {
      // Abandoned for a later open before it began: only that one is worth the wait.
      std::lock_guard lock(mutex_);
      if (wanted_ != ticket && tickets_ != ticket) return;
    }
    prepare(*device_);
    const int result = device_->Open(format, *this);
    {
      std::lock_guard lock(mutex_);
      if (wanted_ == ticket) {
        wanted_ = 0;
        if (result == kWaveNoError) succeeded_ = ticket;
        if (target_ != nullptr) target_->PostMessage(message, ticket, result);
        return;
      }
    }
    if (result == kWaveNoError) CloseNow();
  });
  return ticket;
}

bool TWaveDeviceKeeper::Abandon(uint64_t ticket) {
  std::lock_guard lock(mutex_);
  if (wanted_ == ticket) {
    wanted_ = 0;
    return false;
  }
  return succeeded_ == ticket;
}

void TWaveDeviceKeeper::CloseLater() {
  Run([this] { CloseNow(); });
}

bool TWaveDeviceKeeper::Busy() {
  std::lock_guard lock(mutex_);
  return running_;
}

void TWaveDeviceKeeper::CloseNow() {
  // kWaveBusy comes back after the device has waited a while for its output.
  while (device_->Close() == kWaveBusy) {
  }
}

void TWaveDeviceKeeper::Run(std::function<void()> job) {
  std::lock_guard lock(mutex_);
  jobs_.push_back(std::move(job));
  if (running_) return;
  // Detached: nobody waits for a call that may never return. The thread's reference keeps the
  // keeper alive until the last job is done.
  std::thread([self = shared_from_this()] { self->RunJobs(); }).detach();
  running_ = true;
}

void TWaveDeviceKeeper::RunJobs() {
  for (;;) {
    std::function<void()> job;
    {
      std::lock_guard lock(mutex_);
      if (jobs_.empty()) {
        running_ = false;
        return;
      }
      job = std::move(jobs_.front());
      jobs_.pop_front();
    }
    job();
  }
}

}  // namespace yumekaze::engine
