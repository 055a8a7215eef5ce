#include "platform/audio/alsa_wave_device.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>

#include "engine/sound/sound_out.h"
#include "play_through.h"

// Faults injected at ALSA's boundary: the next snd_pcm_writei calls return the planned errors
// instead of writing (0 in the plan lets a call through), then all calls go through again.
namespace {

std::mutex g_fault_mutex;
std::deque<int> g_write_faults;
int g_faults_injected = 0;

void PlanWriteFaults(std::initializer_list<int> faults) {
  std::lock_guard lock(g_fault_mutex);
  g_write_faults.assign(faults);
  g_faults_injected = 0;
}

}  // namespace

extern "C" snd_pcm_sframes_t snd_pcm_writei(snd_pcm_t* pcm, const void* buffer,
                                            snd_pcm_uframes_t frames) {
  using Writei = snd_pcm_sframes_t (*)(snd_pcm_t*, const void*, snd_pcm_uframes_t);
  static const auto real = reinterpret_cast<Writei>(dlsym(RTLD_NEXT, "snd_pcm_writei"));
  {
    std::lock_guard lock(g_fault_mutex);
    if (!g_write_faults.empty()) {
      const int fault = g_write_faults.front();
      g_write_faults.pop_front();
      if (fault != 0) {
        ++g_faults_injected;
        return fault;
      }
    }
  }
  return real(pcm, buffer, frames);
}

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

// An underrun and a suspend in the middle of playback: the device recovers, and every byte still
// reaches it once, in order.
TEST_F(AlsaWaveDevice, UnderrunAndSuspendRecoverAndPlayOn) {
  const auto pcm = TestPcm(8 * 88200 + 4 * 321);
  {
    engine::TSoundOut out(std::make_unique<TAlsaWaveDevice>(DeviceName()));
    out.Open();
    bool planned = false;
    PlayThrough(out, pcm, [&](std::size_t written) {
      if (planned || written < pcm.size() / 4) return;
      PlanWriteFaults({-EPIPE, 0, 0, -ESTRPIPE});
      planned = true;
    });
    out.Close();
  }
  std::lock_guard lock(g_fault_mutex);
  EXPECT_EQ(g_faults_injected, 2);
  EXPECT_TRUE(g_write_faults.empty());
  ExpectPcmThenSilence(Recorded(), pcm);
}

// A device that goes away stops playback for good: the next write fails with a text that names
// the device, and nothing waits for the audio it held.
TEST(AlsaWaveDeviceGone, NextWriteFailsNamingTheDevice) {
  engine::TSoundOut out(std::make_unique<TAlsaWaveDevice>("null"));
  out.Open();
  PlanWriteFaults({-ENODEV});
  try {
    // More than the four buffers hold: a write must wait for buffers the device returns.
    PlayThrough(out, TestPcm(10 * 88200));
    ADD_FAILURE() << "played on after the device went";
  } catch (const std::runtime_error& error) {
    EXPECT_EQ(error.what(), std::string(snd_strerror(-ENODEV)) + ": null(TSoundOut.WaveWrite)");
  }
  out.Reset();
  out.Close();
  EXPECT_FALSE(out.Opened());
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
