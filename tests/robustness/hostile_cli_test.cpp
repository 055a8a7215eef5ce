// Every hostile file through yumekaze-cli's info, decode and play commands, run as the binary:
// valid audio gives exit status 0 and its output, anything else exit status 1 and a message on
// standard error. No run may crash, hang or take unbounded memory.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "engine/player/player_test_support.h"
#include "hostile_files.h"

namespace yumekaze::robustness {
namespace {

namespace fs = std::filesystem;

// Generous for sanitizer builds; these files decode in a fraction of a second.
constexpr auto kTimeLimit = std::chrono::seconds(120);
// The largest file here is 3 MiB; a run holding ten times more than a sanitizer build needs
// has allocated by some size it read.
constexpr long kMemoryLimitKiB = 1024 * 1024;

struct CliRun {
  bool finished = false;  // false: killed at the time limit
  int status = -1;        // exit status, or -signal when a signal ended it
  long max_rss_kib = 0;
  std::string out;
  std::string err;
};

std::string Slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

CliRun RunCli(const std::vector<std::string>& args, const fs::path& dir) {
  const fs::path out = dir / "stdout";
  const fs::path err = dir / "stderr";
  std::vector<char*> argv;
  std::vector<std::string> owned = args;
  owned.insert(owned.begin(), YUMEKAZE_CLI);
  for (std::string& arg : owned) argv.push_back(arg.data());
  argv.push_back(nullptr);

  const pid_t child = ::fork();
  if (child == 0) {
    const int in = ::open("/dev/null", O_RDONLY);
    const int o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || o < 0 || e < 0) ::_exit(126);
    ::dup2(in, 0);
    ::dup2(o, 1);
    ::dup2(e, 2);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  CliRun run;
  if (child < 0) return run;
  const auto limit = std::chrono::steady_clock::now() + kTimeLimit;
  int status = 0;
  rusage usage{};
  for (;;) {
    const pid_t done = ::wait4(child, &status, WNOHANG, &usage);
    if (done == child) {
      run.finished = true;
      break;
    }
    if (std::chrono::steady_clock::now() > limit) {
      ::kill(child, SIGKILL);
      ::wait4(child, &status, 0, &usage);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
  run.max_rss_kib = usage.ru_maxrss;
  run.out = Slurp(out);
  run.err = Slurp(err);
  return run;
}

enum class Command { kInfo, kDecode, kPlay };

class HostileCli : public ::testing::TestWithParam<std::tuple<Command, std::string>> {
 protected:
  engine::test::TempDir dir_;
};

TEST_P(HostileCli, ExitsWithItsOutputOrAClearError) {
  const auto& [command, name] = GetParam();
  const HostileFile* file = HostileFileNamed(name);
  if (file == nullptr) GTEST_SKIP() << "twolame or lame is missing: no source streams";
  const fs::path pcm = dir_ / "out.raw";
  std::vector<std::string> args;
  switch (command) {
    case Command::kInfo:
      args = {"info", file->path.string()};
      break;
    case Command::kDecode:
      args = {"decode", file->path.string(), "-o", pcm.string()};
      break;
    case Command::kPlay:
      args = {"play", "--device", "null:200", file->path.string()};
      break;
  }
  const CliRun run = RunCli(args, dir_.Path());
  ASSERT_TRUE(run.finished) << "still running after " << kTimeLimit.count() << " s: a hang";
  ASSERT_TRUE(run.status == 0 || run.status == 1)
      << "exit status " << run.status << " (negative: the signal that ended it)\n"
      << run.err;
  EXPECT_LT(run.max_rss_kib, kMemoryLimitKiB) << "memory grew to " << run.max_rss_kib << " KiB";

  if (run.status == 1) {
    EXPECT_NE(file->expect, Expect::kPlays) << "refused a file with valid audio:\n" << run.err;
    EXPECT_NE(run.err.find(file->path.filename().string()), std::string::npos)
        << "the message names the file:\n"
        << run.err;
    return;
  }
  EXPECT_NE(file->expect, Expect::kRefused) << "took a file with nothing to play";
  switch (command) {
    case Command::kInfo:
      EXPECT_FALSE(run.out.empty());
      break;
    case Command::kDecode:
      if (file->expect == Expect::kPlays) {
        EXPECT_GT(fs::file_size(pcm), 0u) << "decoded nothing";
      }
      break;
    case Command::kPlay:
      break;
  }
}

std::string CommandName(Command command) {
  switch (command) {
    case Command::kInfo:
      return "info";
    case Command::kDecode:
      return "decode";
    case Command::kPlay:
      return "play";
  }
  return "";
}

INSTANTIATE_TEST_SUITE_P(Files, HostileCli,
                         ::testing::Combine(::testing::Values(Command::kInfo, Command::kDecode,
                                                              Command::kPlay),
                                            ::testing::ValuesIn(HostileFileNames())),
                         [](const auto& info) {
                           return CommandName(std::get<0>(info.param)) + "_" +
                                  std::get<1>(info.param);
                         });

}  // namespace
}  // namespace yumekaze::robustness
