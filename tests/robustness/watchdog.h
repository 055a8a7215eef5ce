// Ends the test program when a test hangs: a thread that aborts, with the test's own note, unless
// the watchdog is destroyed (or disarmed) in time. A hung player cannot fail a test otherwise.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace yumekaze::robustness {

class Watchdog {
 public:
  // note: called on the watchdog's thread just before the abort, for what was going on.
  Watchdog(std::chrono::seconds limit, std::string what, std::function<std::string()> note = {})
      : thread_([this, limit, what = std::move(what), note = std::move(note)] {
          std::unique_lock lock(mutex_);
          if (done_changed_.wait_for(lock, limit, [this] { return done_; })) return;
          std::fprintf(stderr, "watchdog: %s did not finish within %lld s: a hang\n", what.c_str(),
                       static_cast<long long>(limit.count()));
          if (note) std::fprintf(stderr, "%s\n", note().c_str());
          std::fflush(stderr);
          std::abort();
        }) {}

  ~Watchdog() {
    {
      std::lock_guard lock(mutex_);
      done_ = true;
    }
    done_changed_.notify_all();
    thread_.join();
  }
  Watchdog(const Watchdog&) = delete;
  Watchdog& operator=(const Watchdog&) = delete;

 private:
  std::mutex mutex_;
  std::condition_variable done_changed_;
  bool done_ = false;
  std::thread thread_;  // last: starts once the rest is there
};

}  // namespace yumekaze::robustness
