// yumekaze-cli info on today's tags and on awkward inputs: agreement with TagLib on files
// tagged by mutagen, pipes, hostile file names, the JSON error object.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "decoder/test_support.h"

namespace yumekaze::cli {
namespace {

namespace fs = std::filesystem;

struct ShellRun {
  int status = -1;
  std::string out;
};

class InfoCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(demo_)) GTEST_SKIP() << "no demo file at " << demo_;
    dir_ = fs::temp_directory_path() /
           ("yumekaze-info-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
  }
  void TearDown() override {
    if (!dir_.empty()) fs::remove_all(dir_);
  }

  // A shell command line; standard output captured, standard error left to the test's log.
  ShellRun Shell(const std::string& command) const {
    const fs::path out = dir_ / "stdout";
    const int raw = std::system((command + " >'" + out.string() + "'").c_str());
    const auto bytes = yumekaze::testing::ReadFileBytes(out);
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, std::string(bytes.begin(), bytes.end())};
  }
  static std::string Q(const fs::path& path) { return "'" + path.string() + "'"; }

  const fs::path demo_ = fs::path(YUMEKAZE_SOURCE_DIR) / "data" / "demo.mp2";
  const std::string cli_ = YUMEKAZE_CLI;
  fs::path dir_;
};

TEST_F(InfoCommand, TagsWrittenByMutagenReadAsTagLibReadsThem) {
  const fs::path script = fs::path(YUMEKAZE_SOURCE_DIR) / "tests" / "cli" / "info_tags_check.py";
  const ShellRun run = Shell("/usr/bin/python3 " + Q(script) + " " + Q(cli_) + " " +
                             Q(TAGLIB_FIELDS) + " " + Q(demo_) + " " + Q(dir_));
  if (run.status == 77) GTEST_SKIP() << "python3-mutagen is not installed";
  EXPECT_EQ(run.status, 0) << run.out;
}

TEST_F(InfoCommand, LatinAndLegacyTextEachReadRightUnderThreeLocales) {
  const fs::path script = fs::path(YUMEKAZE_SOURCE_DIR) / "tests" / "cli" / "tag_charset_check.py";
  const ShellRun run = Shell("/usr/bin/python3 " + Q(script) + " " + Q(cli_) + " " +
                             Q(TAGLIB_FIELDS) + " " + Q(demo_) + " " + Q(dir_));
  if (run.status == 77) GTEST_SKIP() << run.out;
  EXPECT_EQ(run.status, 0) << run.out;
}

TEST_F(InfoCommand, ReadsPipesAndStandardInput) {
  const fs::path fifo = dir_ / "stream.mp2";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const ShellRun piped =
      Shell("cat " + Q(demo_) + " >" + Q(fifo) + " & " + cli_ + " info " + Q(fifo));
  EXPECT_EQ(piped.status, 0);
  EXPECT_NE(piped.out.find("MPEG-1 Layer II"), std::string::npos) << piped.out;
  const ShellRun stdin_run = Shell(cli_ + " info --json - <" + Q(demo_));
  EXPECT_EQ(stdin_run.status, 0);
  EXPECT_NE(stdin_run.out.find("\"layer\":2"), std::string::npos) << stdin_run.out;
}

TEST_F(InfoCommand, FileNamesAndTagsCannotDriveTheTerminal) {
  // OSC (set the window title), CSI as a C1 control, a BEL, a right-to-left override and isolate.
  const std::string name =
      "a\x1b]2;owned\x07 \xC2\x9B"
      "31m \xE2\x80\xAEgpj.\xE2\x81\xA7.mp2";
  fs::copy_file(demo_, dir_ / name);
  const std::string missing = Q(dir_ / ("gone " + name));
  // Standard output and, for names that cannot be read, standard error.
  for (const std::string& command :
       {" info " + Q(dir_ / name), " info --json " + Q(dir_ / name), " info " + missing + " 2>&1",
        " decode " + missing + " -o " + Q(dir_ / "out.wav") + " 2>&1",
        " decode " + Q(dir_ / name) + " -o " + Q(dir_ / "no-dir" / name) + " 2>&1",
        " play --device null " + missing + " 2>&1 </dev/null", " '" + name + "' 2>&1"}) {
    const ShellRun run = Shell("{ " + cli_ + command + "; }");
    EXPECT_EQ(run.status == 0, command.find("2>&1") == std::string::npos) << command;
    EXPECT_NE(run.out.find("31m"), std::string::npos) << command << run.out;
    for (const std::string_view raw :
         {"\x1b", "\x07", "\xC2\x9B", "\xE2\x80\xAE", "\xE2\x81\xA7"}) {
      EXPECT_EQ(run.out.find(raw), std::string::npos) << command << ": " << run.out;
    }
  }
}

// A name that is not UTF-8 shows U+FFFD where its bytes are not, and file_uri gives it exactly;
// a UTF-8 name is shown as it is, without file_uri.
TEST_F(InfoCommand, NamesThatAreNotUtf8AreShownReplacedAndGivenExactlyAsAUri) {
  fs::copy_file(demo_, dir_ / "caf\xE9.mp2");
  fs::copy_file(demo_, dir_ / "caf\xC3\xA9 #1.mp2");
  const ShellRun latin1 = Shell("cd " + Q(dir_) + " && " + cli_ + " info --json 'caf\xE9.mp2'");
  EXPECT_EQ(latin1.status, 0);
  const std::string uri = "file://" + dir_.string();  // letters, digits, '-' and '/' only
  EXPECT_EQ(latin1.out.rfind("{\"file\":\"caf\xEF\xBF\xBD.mp2\",\"file_uri\":\"" + uri +
                                 "/caf%E9.mp2\",\"version\"",
                             0),
            0u)
      << latin1.out;
  const ShellRun utf8 = Shell(cli_ + " info --json " + Q(dir_ / "caf\xC3\xA9 #1.mp2"));
  EXPECT_EQ(
      utf8.out.rfind("{\"file\":\"" + (dir_ / "caf\xC3\xA9 #1.mp2").string() + "\",\"version\"", 0),
      0u)
      << utf8.out;
  const ShellRun missing = Shell(cli_ + " info --json " + Q(dir_ / "gone\xFF.mp2"));
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.out.find("\"file_uri\":\"" + uri + "/gone%FF.mp2\",\"error\":"),
            std::string::npos)
      << missing.out;
  const ShellRun text = Shell(cli_ + " info " + Q(dir_ / "caf\xE9.mp2"));
  EXPECT_EQ(text.out.rfind((dir_ / "caf\xEF\xBF\xBD.mp2").string() + "\n", 0), 0u) << text.out;
}

TEST_F(InfoCommand, UnreadableFilesGiveAnErrorObjectAndTheOthersAreStillShown) {
  std::ofstream(dir_ / "text.mp3") << std::string(3000, 'x');
  const ShellRun run = Shell(cli_ + " info --json " + Q(dir_ / "missing.mp3") + " " +
                             Q(dir_ / "text.mp3") + " " + Q(demo_) + " 2>/dev/null");
  EXPECT_EQ(run.status, 1);
  const std::string missing = "{\"file\":\"" + (dir_ / "missing.mp3").string() + "\",\"error\":";
  EXPECT_EQ(run.out.rfind(missing, 0), 0u) << run.out;
  EXPECT_NE(run.out.find("\"error\":\"unknown MPEG Audio format.\"}\n{"), std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("\"layer\":2"), std::string::npos) << run.out;
  EXPECT_EQ(Shell(cli_ + " info --charset NO-SUCH-SET " + Q(demo_) + " 2>/dev/null").status, 2);
  EXPECT_EQ(Shell(cli_ + " play --charset NO-SUCH-SET " + Q(demo_) + " 2>/dev/null").status, 2);
}

}  // namespace
}  // namespace yumekaze::cli
