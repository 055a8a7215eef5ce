// Collects the completion notices a wave device posts, for tests that drive a device directly.
#pragma once

#include <mutex>
#include <vector>

#include "engine/sound/wave_device.h"
#include "engine/threads/event.h"

namespace yumekaze::platform::testing {

class NoticeRecorder : public engine::TMPMessagePoster {
 public:
  void PostMessage(uint32_t msg, std::uintptr_t, std::intptr_t lParam) override {
    std::lock_guard lock(mutex_);
    if (msg != engine::MM_WOM_DONE) return;
    done_.push_back(reinterpret_cast<engine::TWaveHeader*>(lParam));
    if (static_cast<int>(done_.size()) >= expected_) reached_.SetEvent();
  }
  // Waits until `count` notices have arrived in all.
  void WaitFor(int count) {
    {
      std::lock_guard lock(mutex_);
      expected_ = count;
      if (static_cast<int>(done_.size()) >= count) return;
      reached_.ResetEvent();
    }
    reached_.WaitFor(engine::kInfinite);
  }
  std::vector<engine::TWaveHeader*> Done() {
    std::lock_guard lock(mutex_);
    return done_;
  }

 private:
  std::mutex mutex_;
  std::vector<engine::TWaveHeader*> done_;
  int expected_ = 1 << 30;
  engine::TMPSimpleEvent reached_;
};

}  // namespace yumekaze::platform::testing
