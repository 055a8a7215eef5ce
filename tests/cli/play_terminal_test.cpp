// yumekaze-cli play on a pseudo-terminal: single keys while it plays, Ctrl-C still interrupting,
// and the terminal's mode as it was found after every way out: a key, the end of the list, a file
// it cannot play, the signals that ask it to quit and one that crashes it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace yumekaze::cli {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr tcflag_t kWatchedModes = ECHO | ICANON | ISIG;

// `yumekaze-cli play ARGS` with a pseudo-terminal as its controlling terminal and standard
// streams. Its output is read and dropped, so that it never blocks on a full terminal.
class PlayOnTerminal {
 public:
  explicit PlayOnTerminal(const std::vector<std::string>& args) {
    if (openpty(&master_, &slave_, nullptr, nullptr, nullptr) != 0) return;
    termios mode{};
    tcgetattr(slave_, &mode);
    mode.c_lflag |= kWatchedModes;
    tcsetattr(slave_, TCSANOW, &mode);
    tcgetattr(slave_, &found_);
    fcntl(master_, F_SETFL, O_NONBLOCK);
    pid_ = fork();
    if (pid_ == 0) {
      setsid();
      ioctl(slave_, TIOCSCTTY, 0);
      for (int fd = 0; fd < 3; ++fd) dup2(slave_, fd);
      close(master_);
      close(slave_);
      std::vector<char*> argv = {const_cast<char*>(YUMEKAZE_CLI), const_cast<char*>("play")};
      for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
      argv.push_back(nullptr);
      execv(YUMEKAZE_CLI, argv.data());
      _exit(127);
    }
  }
  ~PlayOnTerminal() {
    if (pid_ > 0 && !exited_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (master_ >= 0) close(master_);
    if (slave_ >= 0) close(slave_);
  }

  bool Started() const { return pid_ > 0; }
  pid_t Pid() const { return pid_; }
  void Type(const std::string& keys) const {
    ASSERT_EQ(write(master_, keys.data(), keys.size()), static_cast<ssize_t>(keys.size()));
  }
  termios Mode() const {
    termios mode{};
    tcgetattr(slave_, &mode);
    return mode;
  }
  const termios& Found() const { return found_; }

  // Reads the terminal until done() holds; false when it does not within a generous limit.
  bool Until(const std::function<bool()>& done) {
    const auto limit = Clock::now() + std::chrono::seconds(30);
    while (!done()) {
      if (Clock::now() > limit) return false;
      pollfd fd{master_, POLLIN, 0};
      poll(&fd, 1, 10);
      char drained[4096];
      while (read(master_, drained, sizeof drained) > 0) {
      }
    }
    return true;
  }
  bool Raw() {
    return Until([&] { return exited_ || (Mode().c_lflag & ECHO) == 0; }) && !exited_;
  }
  // The wait status once the program has ended; -1 on a hang.
  int Ended() {
    const bool ended = Until([&] {
      if (!exited_) exited_ = waitpid(pid_, &status_, WNOHANG) == pid_;
      return exited_;
    });
    return ended ? status_ : -1;
  }

 private:
  int master_ = -1;
  int slave_ = -1;
  pid_t pid_ = -1;
  termios found_{};
  bool exited_ = false;
  int status_ = 0;
};

class PlayTerminal : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(demo_)) GTEST_SKIP() << "no demo file at " << demo_;
  }
  static void ExpectModeAsFound(PlayOnTerminal& play, const std::string& way) {
    const termios after = play.Mode();
    EXPECT_EQ(after.c_lflag & kWatchedModes, play.Found().c_lflag & kWatchedModes) << way;
    EXPECT_EQ(after.c_lflag, play.Found().c_lflag) << way;
    EXPECT_EQ(after.c_cc[VMIN], play.Found().c_cc[VMIN]) << way;
  }

  const fs::path demo_ = fs::path(YUMEKAZE_SOURCE_DIR) / "data" / "demo.mp2";
};

TEST_F(PlayTerminal, KeysAndSignalsThatQuitLeaveTheModeAsFound) {
  struct Way {
    const char* name;
    std::function<void(PlayOnTerminal&)> quit;
    int exit_status;
  };
  const Way ways[] = {
      {"q", [](PlayOnTerminal& play) { play.Type("q"); }, 0},
      {"Ctrl-C", [](PlayOnTerminal& play) { play.Type("\x03"); }, 130},
      {"SIGTERM", [](PlayOnTerminal& play) { kill(play.Pid(), SIGTERM); }, 143},
      {"SIGHUP", [](PlayOnTerminal& play) { kill(play.Pid(), SIGHUP); }, 129},
  };
  for (const Way& way : ways) {
    PlayOnTerminal play({"--device", "null", demo_.string()});
    ASSERT_TRUE(play.Started());
    ASSERT_TRUE(play.Raw()) << way.name << ": never took single keys";
    EXPECT_EQ(play.Mode().c_lflag & (ICANON | ISIG), ISIG) << way.name << ": Ctrl-C must work";
    way.quit(play);
    const int status = play.Ended();
    ASSERT_NE(status, -1) << way.name << ": did not quit";
    EXPECT_TRUE(WIFEXITED(status)) << way.name;
    EXPECT_EQ(WEXITSTATUS(status), way.exit_status) << way.name;
    ExpectModeAsFound(play, way.name);
  }
}

TEST_F(PlayTerminal, TheEndOfTheListAnUnplayableFileAndACrashLeaveTheModeAsFound) {
  const fs::path text =
      fs::temp_directory_path() / ("yumekaze-not-audio-" + std::to_string(getpid()) + ".mp3");
  std::ofstream(text) << std::string(3000, 'x');
  {
    PlayOnTerminal play({"--device", "null:50", demo_.string()});
    const int status = play.Ended();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    ExpectModeAsFound(play, "end of list");
  }
  {
    PlayOnTerminal play({"--device", "null", text.string()});
    const int status = play.Ended();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
    ExpectModeAsFound(play, "unplayable file");
  }
  {
    PlayOnTerminal play({"--device", "null", demo_.string()});
    ASSERT_TRUE(play.Raw());
    kill(play.Pid(), SIGSEGV);
    const int status = play.Ended();
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGSEGV) << status;
    ExpectModeAsFound(play, "crash");
  }
  fs::remove(text);
}

}  // namespace
}  // namespace yumekaze::cli
