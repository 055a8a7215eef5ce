// yumekaze-cli info and play as a user runs them: the binary, its output, exit statuses and
// messages, and the PCM play hands to a WAV-file device.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "decoder/test_support.h"

namespace yumekaze::cli {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;
using yumekaze::testing::ReadFileBytes;

struct CliRun {
  int status = -1;
  std::string out;
  std::string err;
};

class PlayerCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(demo_)) GTEST_SKIP() << "no demo file at " << demo_;
    dir_ = fs::temp_directory_path() /
           ("yumekaze-cli-player-" +
            std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::create_directories(dir_);
  }
  void TearDown() override {
    if (!dir_.empty()) fs::remove_all(dir_);
  }

  // Runs the CLI through the shell (arguments as written) with standard input from /dev/null.
  CliRun Cli(const std::string& arguments, const std::string& prefix = "") const {
    const fs::path out = dir_ / "stdout";
    const fs::path err = dir_ / "stderr";
    const std::string command = prefix + std::string(YUMEKAZE_CLI) + " " + arguments +
                                " </dev/null >'" + out.string() + "' 2>'" + err.string() + "'";
    const int raw = std::system(command.c_str());
    CliRun run;
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    const Bytes out_bytes = ReadFileBytes(out);
    const Bytes err_bytes = ReadFileBytes(err);
    run.out.assign(out_bytes.begin(), out_bytes.end());
    run.err.assign(err_bytes.begin(), err_bytes.end());
    return run;
  }

  fs::path Write(const std::string& name, const Bytes& bytes) const {
    std::ofstream(dir_ / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return dir_ / name;
  }

  static std::string Q(const fs::path& path) { return "'" + path.string() + "'"; }

  // The demo behind an ID3v2.3 tag (title "Kaze") and with an ID3v1 tag (artist in Shift-JIS).
  fs::path TaggedDemo() const {
    Bytes file = {'I', 'D', '3', 3, 0, 0, 0, 0, 0, 15};
    const Bytes frame = {'T', 'I', 'T', '2', 0, 0, 0, 5, 0, 0, 0, 'K', 'a', 'z', 'e'};
    file.insert(file.end(), frame.begin(), frame.end());
    const Bytes audio = ReadFileBytes(demo_);
    file.insert(file.end(), audio.begin(), audio.end());
    Bytes id3v1(128, 0);
    std::memcpy(id3v1.data(), "TAG", 3);
    const char artist[] = "\x95\x97";  // 風 in Shift-JIS
    std::memcpy(id3v1.data() + 33, artist, 2);
    id3v1[127] = 8;  // Jazz
    file.insert(file.end(), id3v1.begin(), id3v1.end());
    return Write("tagged.mp2", file);
  }

  const fs::path demo_ = fs::path(YUMEKAZE_SOURCE_DIR) / "data" / "demo.mp2";
  fs::path dir_;
};

TEST_F(PlayerCommands, InfoShowsFormatPositionAndTags) {
  const fs::path tagged = TaggedDemo();
  // Under a Japanese locale text that is not UTF-8 is read as CP932.
  const CliRun run = Cli("info " + Q(tagged), "LC_ALL=ja_JP.UTF-8 ");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("format:       MPEG-1 Layer II, 44100 Hz, 2 channels (joint stereo), "
                         "128 kbit/s"),
            std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("VBR header:   none"), std::string::npos);
  EXPECT_NE(run.out.find("audio start:  25 bytes"), std::string::npos) << run.out;
  // Audio alone: the ID3v1 tag behind it is not counted.
  const auto audio = fs::file_size(demo_);
  EXPECT_NE(run.out.find("audio length: " + std::to_string(audio) + " bytes"), std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("artist:       \u98a8"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("title:        Kaze"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("ID3v2   TIT2=Kaze"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("ID3v1   ARTIST=\u98a8"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("ID3v1   GENRE=Jazz"), std::string::npos) << run.out;
}

TEST_F(PlayerCommands, InfoReportsEachBadFileAndGoesOn) {
  const fs::path text = Write("text.mp3", Bytes(3000, 'x'));
  const CliRun run = Cli("info " + Q(dir_ / "missing.mp3") + " " + Q(text) + " " + Q(demo_));
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("missing.mp3"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("text.mp3: unknown MPEG Audio format."), std::string::npos) << run.err;
  EXPECT_NE(run.out.find("MPEG-1 Layer II"), std::string::npos) << "the good file was skipped";
}

TEST_F(PlayerCommands, WrongUsageExitsWith2) {
  EXPECT_EQ(Cli("info").status, 2);
  EXPECT_EQ(Cli("info --bogus " + Q(demo_)).status, 2);
  EXPECT_EQ(Cli("play").status, 2);
  EXPECT_EQ(Cli("play --volume 101 " + Q(demo_)).status, 2);
  EXPECT_EQ(Cli("play --balance -101 " + Q(demo_)).status, 2);
  EXPECT_EQ(Cli("play --device bogus " + Q(demo_)).status, 2);
  EXPECT_EQ(Cli("play --device").status, 2);
  EXPECT_EQ(Cli("info --help").status, 0);
  EXPECT_EQ(Cli("play --help").status, 0);
}

// What play hands to the device is exactly what decode writes, also from a file whose name is
// not UTF-8; the status line shows that name with U+FFFD.
TEST_F(PlayerCommands, PlayWritesTheDecodedPcmToAWavDevice) {
  const fs::path played = dir_ / "played.wav";
  const fs::path decoded = dir_ / "decoded.wav";
  const fs::path latin1 = dir_ / "caf\xE9.mp2";
  fs::copy_file(demo_, latin1);
  const CliRun play = Cli("play --device " + Q("wav:" + played.string()) + " " + Q(latin1));
  ASSERT_EQ(play.status, 0) << play.err;
  EXPECT_NE(play.out.find("PLAY  " + (dir_ / "caf\xEF\xBF\xBD.mp2").string()), std::string::npos)
      << play.out;
  EXPECT_NE(play.out.find("PLAY  "), std::string::npos) << play.out;
  EXPECT_NE(play.out.find("STOP  "), std::string::npos) << play.out;
  ASSERT_EQ(Cli("decode " + Q(demo_) + " -o " + Q(decoded)).status, 0);
  const Bytes a = ReadFileBytes(played);
  const Bytes b = ReadFileBytes(decoded);
  ASSERT_GT(a.size(), 44u);
  ASSERT_GT(b.size(), 44u);
  EXPECT_TRUE(Bytes(a.begin() + 44, a.end()) == Bytes(b.begin() + 44, b.end()));
}

// Every kind of bad entry is skipped with its name and reason; the good one after them plays in
// full and the exit status says something failed.
TEST_F(PlayerCommands, PlaySkipsFilesItCannotPlay) {
  const fs::path fifo = dir_ / "fifo.mp3";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  fs::create_directory(dir_ / "folder.mp3");
  const std::vector<fs::path> bad = {dir_ / "missing.mp2", fifo, Write("empty.mp3", {}),
                                     Write("text.mp3", Bytes(3000, 'x')), dir_ / "folder.mp3"};
  const fs::path played = dir_ / "played.wav";
  std::string arguments = "play --device " + Q("wav:" + played.string());
  for (const fs::path& path : bad) arguments += " " + Q(path);
  const CliRun run = Cli(arguments + " " + Q(demo_), "timeout 60 ");
  EXPECT_EQ(run.status, 1) << run.err;
  for (const fs::path& path : bad) {
    EXPECT_NE(run.err.find(path.string() + ": "), std::string::npos) << path << "\n" << run.err;
  }
  EXPECT_NE(run.err.find("text.mp3: unknown MPEG Audio format."), std::string::npos) << run.err;
  const fs::path decoded = dir_ / "decoded.wav";
  ASSERT_EQ(Cli("decode " + Q(demo_) + " -o " + Q(decoded)).status, 0);
  EXPECT_TRUE(ReadFileBytes(played) == ReadFileBytes(decoded)) << "the good file did not play";
}

// Keys typed on a terminal (script gives the player one): volume down twice, mute, unmute, quit.
// The status line shows each volume and the file's length.
TEST_F(PlayerCommands, VolumeKeysAndTheStatusLineOnATerminal) {
  if (std::system("command -v script >/dev/null") != 0) GTEST_SKIP() << "script is missing";
  const fs::path decoded = dir_ / "decoded.wav";
  ASSERT_EQ(Cli("decode " + Q(demo_) + " -o " + Q(decoded)).status, 0);
  const auto seconds = (fs::file_size(decoded) - 44) / (44100 * 4);
  const std::string total = " / " + std::to_string(seconds / 60) + ":" +
                            (seconds % 60 < 10 ? "0" : "") + std::to_string(seconds % 60);
  const std::string play = std::string(YUMEKAZE_CLI) + " play --device null:1 " + Q(demo_);
  const fs::path out = dir_ / "terminal";
  const std::string command =
      "printf '\\033[B\\033[Bmmq' | timeout 60 script -qec \"" + play + "\" /dev/null >" + Q(out);
  ASSERT_EQ(std::system(command.c_str()), 0);
  const Bytes bytes = ReadFileBytes(out);
  const std::string screen(bytes.begin(), bytes.end());
  size_t at = 0;
  for (const char* shown : {"vol 95%", "vol 90%", "muted", "vol 90%", "STOP  "}) {
    at = screen.find(shown, at);
    ASSERT_NE(at, std::string::npos) << shown << " missing or out of order in\n" << screen;
  }
  EXPECT_NE(screen.find(total + "  vol"), std::string::npos) << total << "\n" << screen;
}

// Two halves of one signal, encoded apart by LAME, play as one recording: the device stays open
// and the second file's first sample follows the first file's last.
TEST_F(PlayerCommands, ConsecutiveFilesOfOneFormatPlayWithoutAGap) {
  if (std::system("command -v sox >/dev/null && command -v lame >/dev/null") != 0) {
    GTEST_SKIP() << "sox or lame is missing";
  }
  const std::string d = Q(dir_) + "/";
  ASSERT_EQ(std::system(("cd " + Q(dir_) +
                         " && sox -R -n -r 44100 -c 2 -b 16 whole.wav synth 5 sine 300/3000 "
                         "vol 0.4 && sox whole.wav a.wav trim 0 2.5 && sox whole.wav b.wav trim "
                         "2.5 && lame --quiet a.wav a.mp3 && lame --quiet b.wav b.mp3")
                            .c_str()),
            0);
  // ReplayGain off: decode writes the PCM unscaled.
  const CliRun play =
      Cli("play --replay-gain off --device " + Q("wav:" + (dir_ / "played.wav").string()) + " " +
          d + "a.mp3 " + d + "b.mp3");
  ASSERT_EQ(play.status, 0) << play.err;
  ASSERT_EQ(Cli("decode " + d + "a.mp3 -o " + d + "a.raw").status, 0);
  ASSERT_EQ(Cli("decode " + d + "b.mp3 -o " + d + "b.raw").status, 0);
  Bytes expected = ReadFileBytes(dir_ / "a.raw");
  const Bytes second = ReadFileBytes(dir_ / "b.raw");
  expected.insert(expected.end(), second.begin(), second.end());
  const Bytes played = ReadFileBytes(dir_ / "played.wav");
  ASSERT_GT(played.size(), 44u);
  EXPECT_TRUE(Bytes(played.begin() + 44, played.end()) == expected);
}

TEST_F(PlayerCommands, PlayFallsBackToTheNullDeviceWhenAlsaCannotOpen) {
  // A quarter of the demo: the null device that takes over plays in real time.
  const Bytes demo = ReadFileBytes(demo_);
  const fs::path part = Write("part.mp2", Bytes(demo.begin(), demo.begin() + demo.size() / 4));
  const CliRun run = Cli("play --device alsa:yumekaze_no_such_device " + Q(part));
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find("cannot open ALSA device \"yumekaze_no_such_device\""), std::string::npos)
      << run.err;
  EXPECT_NE(run.err.find("null device"), std::string::npos);
}

TEST_F(PlayerCommands, LoopStartsAgainWithTheFirstFile) {
  const Bytes demo = ReadFileBytes(demo_);
  const fs::path first = Write("first.mp2", Bytes(demo.begin(), demo.begin() + demo.size() / 8));
  const fs::path second = Write("second.mp2", Bytes(demo.begin(), demo.begin() + demo.size() / 8));
  const CliRun run = Cli("play --loop --device " + Q("wav:" + (dir_ / "out.wav").string()) + " " +
                             Q(first) + " " + Q(second),
                         "timeout --preserve-status -s INT 2 ");
  EXPECT_EQ(run.status, 130) << run.err;
  const size_t at = run.out.find("PLAY  " + second.string());
  ASSERT_NE(at, std::string::npos) << run.out;
  EXPECT_NE(run.out.find("PLAY  " + first.string(), at), std::string::npos) << run.out;
}

TEST_F(PlayerCommands, InterruptStopsCleanly) {
  // The null device plays in real time, so the interrupt comes while playing.
  const CliRun run = Cli("play --device null " + Q(demo_), "timeout --preserve-status -s INT 0.5 ");
  EXPECT_EQ(run.status, 130) << run.err;
  EXPECT_NE(run.out.find("STOP  "), std::string::npos) << run.out;
}

}  // namespace
}  // namespace yumekaze::cli
