// Opening files off the user-interface thread: bad files of every kind are refused with their
// name and reason while the file that plays goes on; a FIFO never hangs the caller.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include "../../robustness/watchdog.h"
#include "player_test_support.h"

namespace yumekaze::engine::test {
namespace {

class OpenAsync : public ::testing::Test {
 protected:
  void SetUp() override {
    if (Streams().layer2.empty()) GTEST_SKIP() << "twolame is not installed";
  }
  // Records "NAME: ok" or "NAME: error text" for every OnOpened.
  void Hook(TMP3Player& player) {
    player.SetOnOpened([this](TMP3Player&, const std::string& name, const std::exception* error) {
      opened_.push_back(name + ": " + (error ? error->what() : "ok"));
    });
  }
  TempDir dir_;
  std::vector<std::string> opened_;
};

TEST_F(OpenAsync, BadFilesAreRefusedByNameWhileTheOpenFileGoesOn) {
  robustness::Watchdog watchdog(std::chrono::seconds(120), "opening bad files");
  const std::string fifo = (dir_ / "fifo.mp3").string();
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  WriteFileBytes(dir_ / "empty.mp3", {});
  std::ofstream(dir_ / "text.mp3") << "not MPEG audio at all, just text\n";
  std::filesystem::create_directory(dir_ / "folder.mp3");
  const std::vector<std::string> bad = {
      fifo, (dir_ / "empty.mp3").string(), (dir_ / "text.mp3").string(),
      (dir_ / "folder.mp3").string(), (dir_ / "vanished.mp3").string()};

  RecordingPlayer recorder(dir_ / "out.wav", 1);
  TMP3Player& player = recorder.player();
  Hook(player);
  player.SetFileName(Streams().layer2.string());
  player.Play();
  for (const std::string& name : bad) {
    opened_.clear();
    player.OpenFileAsync(name);
    ASSERT_TRUE(recorder.PumpUntil([&] { return !opened_.empty(); })) << name;
    ASSERT_EQ(opened_.size(), 1u);
    EXPECT_TRUE(opened_[0].starts_with(name + ": ")) << opened_[0];
    EXPECT_NE(opened_[0], name + ": ok");
    EXPECT_EQ(player.FileName(), Streams().layer2.string()) << "the playing file was replaced";
    EXPECT_EQ(player.Status(), kStatusPlaying) << name;
  }
  // Directly, too: the FIFO is refused at once instead of waiting for a writer.
  EXPECT_THROW(player.SetFileName(fifo), TMPStreamError);

  // A good file replaces the playing one.
  opened_.clear();
  player.OpenFileAsync(Streams().layer2_short.string());
  ASSERT_TRUE(recorder.PumpUntil([&] { return !opened_.empty(); }));
  EXPECT_EQ(opened_[0], Streams().layer2_short.string() + ": ok");
  EXPECT_EQ(player.FileName(), Streams().layer2_short.string());
  EXPECT_EQ(player.Status(), kStatusStopped);
  const Bytes expected = ReferencePcm(ReadFileBytes(Streams().layer2_short));
  recorder.ClearEvents();
  ASSERT_TRUE(recorder.PlayToEnd());
  EXPECT_TRUE(WavSamples(dir_ / "out.wav") == expected);
}

// The opener's thread reads the tags and the first frame once; the window's thread takes that
// over and reads nothing again, so a file emptied in between still opens as it was read.
TEST_F(OpenAsync, TheWindowTakesTheOpenedFileOverWithoutReadingItAgain) {
  const std::filesystem::path copy = dir_ / "copy.mp2";
  std::filesystem::copy_file(Streams().layer2, copy);
  RecordingPlayer recorder(dir_ / "out.wav", 0);
  TMP3Player& player = recorder.player();
  Hook(player);
  player.OpenFileAsync(copy.string());
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
  while (!player.Window().IsPending(MPM_OPENED) && std::chrono::steady_clock::now() < deadline) {
    player.Window().WaitForMessages(100);
  }
  ASSERT_TRUE(player.Window().IsPending(MPM_OPENED));
  std::filesystem::resize_file(copy, 0);
  ASSERT_TRUE(recorder.PumpUntil([&] { return !opened_.empty(); }));
  EXPECT_EQ(opened_[0], copy.string() + ": ok");
  EXPECT_GT(player.TotalMilliseconds(), 0);
}

}  // namespace
}  // namespace yumekaze::engine::test
