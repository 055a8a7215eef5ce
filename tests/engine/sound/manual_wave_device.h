// A wave device the test drives by hand: buffers stay queued until the test completes them, and
// every call can be made to fail with a chosen code.
#pragma once

#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "engine/sound/wave_device.h"

namespace yumekaze::engine::testing {

class ManualWaveDevice : public TWaveDevice {
 public:
  struct Log {
    std::vector<std::vector<uint8_t>> written;  // bytes of every written buffer, in order
    std::vector<uint32_t> volumes;
    int opens = 0, closes = 0, pauses = 0, restarts = 0, resets = 0;
    TWaveFormat format;
  };

  int Open(const TWaveFormat& format, TMPMessagePoster& notify) override {
    std::lock_guard lock(mutex_);
    if (fail_open) return fail_open;
    notify_ = &notify;
    log.format = format;
    ++log.opens;
    return 0;
  }
  int Close() override {
    std::lock_guard lock(mutex_);
    if (!queue_.empty()) return kWaveStillPlaying;
    ++log.closes;
    notify_ = nullptr;
    return 0;
  }
  int Prepare(TWaveHeader& header) override {
    if (fail_prepare) return fail_prepare;
    header.Flags |= kWaveHeaderPrepared;
    return 0;
  }
  int Unprepare(TWaveHeader& header) override {
    if (header.Flags & kWaveHeaderInQueue) return kWaveStillPlaying;
    header.Flags &= ~kWaveHeaderPrepared;
    return 0;
  }
  int Write(TWaveHeader& header) override {
    std::lock_guard lock(mutex_);
    if (fail_write) return fail_write;
    header.Flags |= kWaveHeaderInQueue;
    log.written.emplace_back(header.Data.begin(), header.Data.begin() + header.Length);
    queue_.push_back(&header);
    return 0;
  }
  int Pause() override {
    std::lock_guard lock(mutex_);
    ++log.pauses;
    return fail_pause;
  }
  int Restart() override {
    std::lock_guard lock(mutex_);
    ++log.restarts;
    return 0;
  }
  int Reset() override {
    std::lock_guard lock(mutex_);
    ++log.resets;
    while (!queue_.empty()) CompleteFrontLocked();
    return 0;
  }
  int GetVolume(uint32_t& volume) override {
    volume = volume_;
    return fail_volume;
  }
  int SetVolume(uint32_t volume) override {
    std::lock_guard lock(mutex_);
    if (fail_volume) return fail_volume;
    volume_ = volume;
    log.volumes.push_back(volume);
    return 0;
  }
  std::string ErrorText(int code) const override {
    return code == -16 ? "Device or resource busy" : std::string();
  }

  // Reports the oldest queued buffer played; false when none is queued.
  bool CompleteOne() {
    std::lock_guard lock(mutex_);
    if (queue_.empty()) return false;
    CompleteFrontLocked();
    return true;
  }
  int QueuedCount() {
    std::lock_guard lock(mutex_);
    return static_cast<int>(queue_.size());
  }

  Log log;
  int fail_open = 0, fail_prepare = 0, fail_write = 0, fail_pause = 0, fail_volume = 0;
  uint32_t volume_ = kWaveVolumeFull;

 private:
  void CompleteFrontLocked() {
    TWaveHeader* header = queue_.front();
    queue_.pop_front();
    header->Flags = (header->Flags & ~kWaveHeaderInQueue) | kWaveHeaderDone;
    notify_->PostMessage(MM_WOM_DONE, 0, reinterpret_cast<std::intptr_t>(header));
  }

  std::mutex mutex_;
  TMPMessagePoster* notify_ = nullptr;
  std::deque<TWaveHeader*> queue_;
};

}  // namespace yumekaze::engine::testing
