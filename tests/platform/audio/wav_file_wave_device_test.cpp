#include "platform/audio/wav_file_wave_device.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "engine/sound/sound_out.h"
#include "play_through.h"

namespace yumekaze::platform {
namespace {

using testing::PlayThrough;
using testing::TestPcm;

std::vector<uint8_t> ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

uint32_t Le32(const std::vector<uint8_t>& bytes, std::size_t at) {
  return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | uint32_t{bytes[at + 3]} << 24;
}

uint16_t Le16(const std::vector<uint8_t>& bytes, std::size_t at) {
  return static_cast<uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

class WavFileWaveDevice : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = std::filesystem::temp_directory_path() /
            ("yumekaze-wav-" + std::to_string(getpid()) + "-" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".wav");
  }
  void TearDown() override { std::filesystem::remove(path_); }
  std::filesystem::path path_;
};

TEST_F(WavFileWaveDevice, RecordsExactlyThePcmWrittenWithAValidHeader) {
  const auto pcm = TestPcm(3 * 88200 + 4 * 1234);
  {
    engine::TSoundOut out(std::make_unique<TWavFileWaveDevice>(path_.string()));
    out.SetVolume(40);  // a recording keeps the samples as they came
    out.Open();
    int pauses = 0;
    PlayThrough(out, pcm, [&](std::size_t written) {
      if (written > static_cast<std::size_t>(pauses + 1) * 60000) {
        ++pauses;
        out.Pause();
        out.Unpause();
      }
    });
    out.Close();
  }
  const auto file = ReadFile(path_);
  ASSERT_EQ(file.size(), 44 + pcm.size());
  EXPECT_EQ(std::string(file.begin(), file.begin() + 4), "RIFF");
  EXPECT_EQ(Le32(file, 4), 36 + pcm.size());
  EXPECT_EQ(std::string(file.begin() + 8, file.begin() + 16), "WAVEfmt ");
  EXPECT_EQ(Le32(file, 16), 16u);
  EXPECT_EQ(Le16(file, 20), 1);       // PCM
  EXPECT_EQ(Le16(file, 22), 2);       // channels
  EXPECT_EQ(Le32(file, 24), 44100u);  // rate
  EXPECT_EQ(Le32(file, 28), 176400u);
  EXPECT_EQ(Le16(file, 32), 4);
  EXPECT_EQ(Le16(file, 34), 16);
  EXPECT_EQ(std::string(file.begin() + 36, file.begin() + 40), "data");
  EXPECT_EQ(Le32(file, 40), pcm.size());
  EXPECT_TRUE(std::equal(pcm.begin(), pcm.end(), file.begin() + 44));
}

TEST_F(WavFileWaveDevice, OddDataIsPaddedAndEveryOpenStartsTheFileAnew) {
  engine::TSoundOut out(std::make_unique<TWavFileWaveDevice>(path_.string()));
  out.SetSampleRate(8000);
  out.SetChannels(1);
  out.SetBitsPerSample(8);
  const auto first = TestPcm(5000);
  out.Open();
  PlayThrough(out, first);
  out.Close();
  const auto second = TestPcm(777);
  out.Open();
  PlayThrough(out, second);
  out.Close();
  const auto file = ReadFile(path_);
  ASSERT_EQ(file.size(), 44u + 777 + 1);
  EXPECT_EQ(Le32(file, 4), 36u + 778);
  EXPECT_EQ(Le32(file, 24), 8000u);
  EXPECT_EQ(Le16(file, 34), 8);
  EXPECT_EQ(Le32(file, 40), 777u);
  EXPECT_TRUE(std::equal(second.begin(), second.end(), file.begin() + 44));
  EXPECT_EQ(file.back(), 0);
}

TEST_F(WavFileWaveDevice, FileThatCannotBeCreatedGivesTheSystemText) {
  engine::TSoundOut out(
      std::make_unique<TWavFileWaveDevice>((path_ / "no-such-folder" / "x.wav").string()));
  try {
    out.Open();
    FAIL() << "Open succeeded";
  } catch (const std::exception& error) {
    EXPECT_STREQ(error.what(), "No such file or directory(TSoundOut.Open:WaveOutOpen)");
  }
  EXPECT_FALSE(out.Opened());
}

}  // namespace
}  // namespace yumekaze::platform
