#include "platform/audio/alsa_wave_device.h"

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

// ALSA's own "file" plugin in front of its "null" plugin: the real ALSA code path, with every
// byte that reaches the device kept in a file.
class AlsaWaveDevice : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = std::filesystem::temp_directory_path() /
            ("yumekaze-alsa-" + std::to_string(getpid()) + "-" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".raw");
  }
  void TearDown() override { std::filesystem::remove(path_); }
  std::string DeviceName() const { return "file:'" + path_.string() + "',raw"; }
  std::vector<uint8_t> Recorded() const {
    std::ifstream in(path_, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  std::filesystem::path path_;
};

// What reached the device is the PCM, followed only by the silence ALSA adds to finish a period.
void ExpectPcmThenSilence(const std::vector<uint8_t>& recorded, const std::vector<uint8_t>& pcm) {
  ASSERT_GE(recorded.size(), pcm.size());
  EXPECT_TRUE(std::equal(pcm.begin(), pcm.end(), recorded.begin()));
  EXPECT_TRUE(std::all_of(recorded.begin() + static_cast<std::ptrdiff_t>(pcm.size()),
                          recorded.end(), [](uint8_t byte) { return byte == 0; }));
}

TEST_F(AlsaWaveDevice, EveryByteReachesTheDeviceInOrderAcrossPauses) {
  const auto pcm = TestPcm(6 * 88200 + 4 * 999);
  {
    engine::TSoundOut out(std::make_unique<TAlsaWaveDevice>(DeviceName()));
    out.Open();
    int pauses = 0;
    PlayThrough(out, pcm, [&](std::size_t written) {
      if (written > static_cast<std::size_t>(pauses + 1) * 70000) {
        ++pauses;
        out.Pause();  // returns once the device has paused
        out.Unpause();
      }
    });
    EXPECT_GT(pauses, 5);
    out.Close();
  }
  ExpectPcmThenSilence(Recorded(), pcm);
}

TEST_F(AlsaWaveDevice, TwoPlaybacksAndAResetInBetween) {
  engine::TSoundOut out(std::make_unique<TAlsaWaveDevice>(DeviceName()));
  out.SetSampleRate(22050);
  out.SetChannels(1);
  const auto dropped = TestPcm(3 * 22052);
  out.Open();
  out.Write(dropped);
  out.Reset();  // drops at once; the buffers come back as done
  out.WaitAllDone();
  EXPECT_EQ(out.Queued(), 0);
  out.Close();

  const auto pcm = TestPcm(10 * 22052 + 2 * 77);
  out.Open();  // a new playback starts the file anew
  PlayThrough(out, pcm);
  out.Close();
  ExpectPcmThenSilence(Recorded(), pcm);
}

TEST_F(AlsaWaveDevice, VolumeAndBalanceScaleTheSamples) {
  std::vector<uint8_t> pcm;
  for (int i = 0; i < 20000; ++i) {
    const int16_t left = static_cast<int16_t>(i * 3 - 30000);
    const int16_t right = static_cast<int16_t>(30000 - i * 3);
    for (int16_t sample : {left, right}) {
      pcm.push_back(static_cast<uint8_t>(sample & 0xFF));
      pcm.push_back(static_cast<uint8_t>((sample >> 8) & 0xFF));
    }
  }
  engine::TSoundOut out(std::make_unique<TAlsaWaveDevice>(DeviceName()));
  out.SetVolume(50);
  out.SetBalance(-50);  // the right channel at half of the half
  out.Open();
  PlayThrough(out, pcm);
  out.Close();
  const auto recorded = Recorded();
  ASSERT_GE(recorded.size(), pcm.size());
  for (std::size_t at = 0; at < pcm.size(); at += 2) {
    const auto in = static_cast<int16_t>(pcm[at] | pcm[at + 1] << 8);
    const auto got = static_cast<int16_t>(recorded[at] | recorded[at + 1] << 8);
    const int64_t gain = (at / 2) % 2 == 0 ? 32767 : 16383;
    ASSERT_EQ(got, in * gain / 65535) << "at byte " << at;
  }
}

// The failure says which device could not be opened, so a front end can name it.
TEST_F(AlsaWaveDevice, UnknownDeviceFailsWithAlsasTextAndItsName) {
  engine::TSoundOut out(std::make_unique<TAlsaWaveDevice>("yumekaze_no_such_device"));
  try {
    out.Open();
    FAIL() << "Open succeeded";
  } catch (const engine::TMPDeviceOpenError& error) {
    const std::string expected =
        std::string(snd_strerror(-ENOENT)) + "(TSoundOut.Open:WaveOutOpen)";
    EXPECT_EQ(error.what(), expected);
    EXPECT_EQ(error.DeviceName(), "yumekaze_no_such_device");
  }
  EXPECT_FALSE(out.Opened());
}

}  // namespace
}  // namespace yumekaze::platform
