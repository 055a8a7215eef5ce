// A sound device whose output never takes a byte, like a sound server that stopped answering:
// every write waits until a command or Close interrupts it, and then stalls again. With a gate it
// can stall harder, until the test opens the gate: its opens wait (a server that does not answer
// at all), or its writes wait whatever interrupts them (a hung file system).
#pragma once

#include <poll.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "platform/audio/queued_wave_device.h"

namespace yumekaze::engine::testing {

// What a device did, shared with the test so that it can be read after the device has gone.
class StallGate {
 public:
  enum class Holds { kNothing, kOpens, kWrites };
  explicit StallGate(Holds holds = Holds::kNothing) : holds_(holds) {}

  struct Counts {
    int opens = 0;
    int closes = 0;
    int writes = 0;        // output writes, the stalled ones included
    bool stalled = false;  // a call waits right now
    bool destroyed = false;
  };

  // Lets every held call go on, and later ones through.
  void Open() {
    std::lock_guard lock(mutex_);
    open_ = true;
    changed_.notify_all();
  }
  // Waits until `done` holds; false when it does not within the limit.
  bool WaitFor(const std::function<bool(const Counts&)>& done, std::chrono::seconds limit) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, limit, [&] { return done(counts_); });
  }
  Counts Now() {
    std::lock_guard lock(mutex_);
    return counts_;
  }

 private:
  friend class StalledWaveDevice;
  void Update(const std::function<void(Counts&)>& change) {
    std::lock_guard lock(mutex_);
    change(counts_);
    changed_.notify_all();
  }
  // Holds the calling device call while the gate is closed and `held` applies.
  void Hold(Holds held) {
    std::unique_lock lock(mutex_);
    if (holds_ != held || open_) return;
    counts_.stalled = true;
    changed_.notify_all();
    changed_.wait(lock, [this] { return open_; });
    counts_.stalled = false;
  }

  const Holds holds_;
  std::mutex mutex_;
  std::condition_variable changed_;
  bool open_ = false;
  Counts counts_;
};

class StalledWaveDevice final : public platform::TQueuedWaveDevice {
 public:
  explicit StalledWaveDevice(std::shared_ptr<StallGate> gate = std::make_shared<StallGate>())
      : gate_(std::move(gate)) {}
  ~StalledWaveDevice() override {
    Shutdown();
    gate_->Update([](StallGate::Counts& counts) { counts.destroyed = true; });
  }
  std::string ErrorText(int) const override { return {}; }

  // Waits until the device thread sits in a write; false when it does not within the limit.
  bool WaitForStall(std::chrono::seconds limit) {
    return gate_->WaitFor([](const StallGate::Counts& counts) { return counts.stalled; }, limit);
  }

 private:
  int OpenOutput(const TWaveFormat&) override {
    gate_->Update([](StallGate::Counts& counts) { ++counts.opens; });
    gate_->Hold(StallGate::Holds::kOpens);
    return kWaveNoError;
  }
  void CloseOutput() override {
    gate_->Update([](StallGate::Counts& counts) { ++counts.closes; });
  }
  int WriteOutput(std::span<const uint8_t>, std::size_t& written) override {
    written = 0;
    gate_->Update([](StallGate::Counts& counts) { ++counts.writes; });
    gate_->Hold(StallGate::Holds::kWrites);
    gate_->Update([](StallGate::Counts& counts) { counts.stalled = true; });
    pollfd interrupt{InterruptFd(), POLLIN, 0};
    while (!Interrupted()) poll(&interrupt, 1, -1);
    gate_->Update([](StallGate::Counts& counts) { counts.stalled = false; });
    return kWaveNoError;
  }

  std::shared_ptr<StallGate> gate_;
};

}  // namespace yumekaze::engine::testing
