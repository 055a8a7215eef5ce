#include "pulse_test_server.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace yumekaze::platform::testing {

namespace fs = std::filesystem;

namespace {

std::string Slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Forks and execs argv with stdin from /dev/null and the given output files; the child is
// killed should the test process die.
pid_t Spawn(const std::vector<std::string>& argv, const fs::path& out, const fs::path& err) {
  std::vector<std::string> owned = argv;
  std::vector<char*> args;
  for (std::string& arg : owned) args.push_back(arg.data());
  args.push_back(nullptr);
  const pid_t child = ::fork();
  if (child == 0) {
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    const int in = ::open("/dev/null", O_RDONLY);
    const int o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || o < 0 || e < 0) ::_exit(126);
    ::dup2(in, 0);
    ::dup2(o, 1);
    ::dup2(e, 2);
    ::execvp(args[0], args.data());
    ::_exit(127);
  }
  return child;
}

bool IsSilent(const uint8_t* frame, std::size_t bytes) {
  return std::all_of(frame, frame + bytes, [](uint8_t byte) { return byte == 0; });
}

}  // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const fs::path& dir) {
  static int serial = 0;
  ++serial;
  out_ = dir / ("out" + std::to_string(serial));
  err_ = dir / ("err" + std::to_string(serial));
  pid_ = Spawn(argv, out_, err_);
}

ChildProcess::~ChildProcess() {
  if (Running()) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
}

bool ChildProcess::Running() {
  if (pid_ <= 0) return false;
  int status = 0;
  if (::waitpid(pid_, &status, WNOHANG) != pid_) return true;
  exit_code_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  pid_ = -1;
  return false;
}

bool ChildProcess::Wait() {
  return PollUntil([this] { return !Running(); });
}

std::string ChildProcess::Output() const { return Slurp(out_); }
std::string ChildProcess::Errors() const { return Slurp(err_); }

void ChildProcess::Signal(int signal) const {
  if (pid_ > 0) ::kill(pid_, signal);
}

PulseTestServer::PulseTestServer() {
  char pattern[] = "/tmp/yumekaze-pulse-XXXXXX";
  if (::mkdtemp(pattern) == nullptr) {
    problem_ = "cannot make a temporary directory";
    return;
  }
  dir_ = pattern;
  const std::string socket = (dir_ / "native").string();
  // The server reads its cookie, state and runtime files under these, never the user's own.
  for (const char* name :
       {"HOME", "XDG_CONFIG_HOME", "XDG_RUNTIME_DIR", "PULSE_RUNTIME_PATH", "PULSE_STATE_PATH"}) {
    ::setenv(name, dir_.c_str(), 1);
  }
  ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
  ::setenv("PULSE_SERVER", ("unix:" + socket).c_str(), 1);
  // --system=no: as root the server warns but runs as a per-user server all the same. The
  // default sink is a pipe nobody reads, paced by the clock: the null sink was seen to take a
  // stream several times faster than real time.
  pid_ = Spawn({"pulseaudio", "-n", "--daemonize=no", "--system=no", "--exit-idle-time=-1",
                "--use-pid-file=no", "--disallow-module-loading=no", "--log-target=stderr", "-L",
                "module-native-protocol-unix auth-anonymous=1 socket=" + socket, "-L",
                "module-pipe-sink sink_name=quiet use_system_clock_for_timing=yes file=" +
                    (dir_ / "quiet.fifo").string()},
               dir_ / "server.out", dir_ / "server.log");
  const bool up = PollUntil([&] {
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      return true;
    }
    bool ok = false;
    Pactl({"info"}, &ok);
    return ok;
  });
  if (pid_ < 0 || !up) {
    problem_ = "the private PulseAudio server did not start (is Debian's pulseaudio installed?): " +
               Slurp(dir_ / "server.log");
  }
}

PulseTestServer::~PulseTestServer() {
  if (pid_ > 0) {
    ::kill(pid_, SIGTERM);
    if (!PollUntil([this] { return ::waitpid(pid_, nullptr, WNOHANG) == pid_; })) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  ::unsetenv("PULSE_SERVER");
  if (!dir_.empty()) {
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }
}

void PulseTestServer::Kill() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGKILL);
  ::waitpid(pid_, nullptr, 0);
  pid_ = -1;
}

std::string PulseTestServer::Pactl(const std::vector<std::string>& args, bool* ok) const {
  std::vector<std::string> argv = {"pactl"};
  argv.insert(argv.end(), args.begin(), args.end());
  ChildProcess pactl(argv, dir_);
  const bool finished = pactl.Wait();
  if (ok != nullptr) *ok = finished && pactl.ExitCode() == 0;
  return pactl.Output();
}

SinkCapture::SinkCapture(const PulseTestServer& server, const std::string& name, unsigned rate,
                         unsigned channels)
    : server_(server), name_(name) {
  const fs::path fifo = server.Dir() / (name + ".fifo");
  module_ =
      server.Pactl({"load-module", "module-pipe-sink", "sink_name=" + name, "file=" + fifo.string(),
                    "format=s16le", "rate=" + std::to_string(rate),
                    "channels=" + std::to_string(channels), "use_system_clock_for_timing=yes"});
  module_.erase(std::remove(module_.begin(), module_.end(), '\n'), module_.end());
  // The sink made the FIFO and holds it open, so this open does not wait for a writer.
  const int fd = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  reader_ = std::thread([this, fd] { Read(fd); });
}

SinkCapture::~SinkCapture() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  reader_.join();
  if (!module_.empty()) server_.Pactl({"unload-module", module_});
}

void SinkCapture::Read(int fd) {
  std::vector<uint8_t> chunk(65536);
  for (;;) {
    {
      std::lock_guard lock(mutex_);
      if (stop_ || fd < 0) break;
    }
    pollfd poller{fd, POLLIN, 0};
    if (::poll(&poller, 1, 100) <= 0) continue;
    const ssize_t got = ::read(fd, chunk.data(), chunk.size());
    if (got <= 0) continue;
    std::lock_guard lock(mutex_);
    bytes_.insert(bytes_.end(), chunk.begin(), chunk.begin() + got);
    grown_.notify_all();
  }
  if (fd >= 0) ::close(fd);
}

std::vector<uint8_t> SinkCapture::Bytes() const {
  std::lock_guard lock(mutex_);
  return bytes_;
}

std::size_t SinkCapture::Size() const {
  std::lock_guard lock(mutex_);
  return bytes_.size();
}

bool SinkCapture::WaitForSize(std::size_t bytes) const {
  std::unique_lock lock(mutex_);
  return grown_.wait_for(lock, kPulseDeadline, [&] { return bytes_.size() >= bytes; });
}

bool PlayedExactly(const std::vector<uint8_t>& captured, const std::vector<uint8_t>& expected,
                   std::size_t frameBytes, int gaps, std::string& why) {
  const auto frames = [frameBytes](const std::vector<uint8_t>& pcm) {
    return pcm.size() / frameBytes;
  };
  const auto silent = [frameBytes](const std::vector<uint8_t>& pcm, std::size_t frame) {
    return IsSilent(pcm.data() + frame * frameBytes, frameBytes);
  };
  const auto first = [&](const std::vector<uint8_t>& pcm, std::size_t from) {
    while (from < frames(pcm) && silent(pcm, from)) ++from;
    return from;
  };
  const auto last = [&](const std::vector<uint8_t>& pcm) {
    std::size_t end = frames(pcm);
    while (end > 0 && silent(pcm, end - 1)) --end;
    return end;
  };
  std::size_t c = first(captured, 0);
  std::size_t e = first(expected, 0);
  const std::size_t cEnd = last(captured);
  const std::size_t eEnd = last(expected);
  while (e < eEnd) {
    if (c < cEnd &&
        std::equal(captured.begin() + c * frameBytes, captured.begin() + (c + 1) * frameBytes,
                   expected.begin() + e * frameBytes)) {
      ++c;
      ++e;
      continue;
    }
    if (gaps > 0 && c < cEnd && silent(captured, c)) {
      --gaps;
      c = first(captured, c);
      e = first(expected, e);
      continue;
    }
    why = "frame " + std::to_string(e) + " of " + std::to_string(eEnd) +
          " differs from captured frame " + std::to_string(c) + " of " + std::to_string(cEnd);
    return false;
  }
  if (c != cEnd) {
    why = "captured " + std::to_string(cEnd - c) + " frames more than expected";
    return false;
  }
  return true;
}

}  // namespace yumekaze::platform::testing
