// A private PulseAudio server for tests: its own runtime directory and socket, only the modules
// named here, no autospawn, no idle exit. The server dies with the object, and with the test
// process should that die first. Tests reach it through PULSE_SERVER, which the object sets.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace yumekaze::platform::testing {

// How long any wait of these tests may take before it counts as a hang.
inline constexpr auto kPulseDeadline = std::chrono::seconds(30);

// Polls `done` until it holds; false when it does not within kPulseDeadline.
template <typename Done>
bool PollUntil(Done done) {
  const auto limit = std::chrono::steady_clock::now() + kPulseDeadline;
  while (!done()) {
    if (std::chrono::steady_clock::now() > limit) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

// A child process with its standard output and error in files.
class ChildProcess {
 public:
  ChildProcess(const std::vector<std::string>& argv, const std::filesystem::path& dir);
  ~ChildProcess();
  // Waits up to kPulseDeadline; false when it is still running.
  bool Wait();
  bool Running();
  int ExitCode() const { return exit_code_; }  // -1 when killed by a signal
  std::string Output() const;
  std::string Errors() const;
  void Signal(int signal) const;

 private:
  pid_t pid_ = -1;
  int exit_code_ = -1;
  std::filesystem::path out_, err_;
};

class PulseTestServer {
 public:
  PulseTestServer();
  ~PulseTestServer();
  PulseTestServer(const PulseTestServer&) = delete;
  PulseTestServer& operator=(const PulseTestServer&) = delete;

  // Empty when the server runs; otherwise why not (then the tests skip).
  const std::string& Problem() const { return problem_; }
  const std::filesystem::path& Dir() const { return dir_; }
  // pactl against this server; its output, or empty with `ok` false when pactl fails.
  std::string Pactl(const std::vector<std::string>& args, bool* ok = nullptr) const;
  // Kills the server at once, as a crash would.
  void Kill();

 private:
  std::filesystem::path dir_;
  pid_t pid_ = -1;
  std::string problem_;
};

// A sink of the server that writes what it plays into a FIFO, read here on a thread. While the
// sink has nothing to play it writes silence in real time.
class SinkCapture {
 public:
  SinkCapture(const PulseTestServer& server, const std::string& name, unsigned rate,
              unsigned channels);
  ~SinkCapture();

  const std::string& Name() const { return name_; }
  std::vector<uint8_t> Bytes() const;
  std::size_t Size() const;
  // Waits until at least `bytes` have arrived; false after kPulseDeadline.
  bool WaitForSize(std::size_t bytes) const;

 private:
  void Read(int fd);

  const PulseTestServer& server_;
  std::string name_;
  std::string module_;
  mutable std::mutex mutex_;
  mutable std::condition_variable grown_;
  std::vector<uint8_t> bytes_;
  bool stop_ = false;
  std::thread reader_;
};

// Whether `captured` holds exactly `expected`, with silence before and after it and, at up to
// `gaps` places (where playback paused), silence inside it. Frames of silence in `expected` at
// such a place cannot be told from the gap.
bool PlayedExactly(const std::vector<uint8_t>& captured, const std::vector<uint8_t>& expected,
                   std::size_t frameBytes, int gaps, std::string& why);

}  // namespace yumekaze::platform::testing
