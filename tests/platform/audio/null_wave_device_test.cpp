#include "platform/audio/null_wave_device.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <thread>

#include "notice_recorder.h"

namespace yumekaze::platform {
namespace {

using engine::TWaveFormat;
using engine::TWaveHeader;
using testing::NoticeRecorder;

constexpr std::size_t kQuarterSecond = 44100;  // bytes of 44.1 kHz stereo 16-bit

struct Buffers {
  Buffers() {
    for (std::size_t i = 0; i < headers.size(); ++i) {
      storage[i].assign(kQuarterSecond, static_cast<uint8_t>(i));
      headers[i].Data = storage[i];
      headers[i].Length = kQuarterSecond;
    }
  }
  std::array<std::vector<uint8_t>, 4> storage;
  std::array<TWaveHeader, 4> headers;
};

TEST(NullWaveDevice, ReportsEachBufferOnceInOrderNoSoonerThanItsPlayingTime) {
  TNullWaveDevice device(20.0);
  NoticeRecorder notices;
  Buffers buffers;
  ASSERT_EQ(device.Open(TWaveFormat::Pcm(44100, 2, 16), notices), 0);
  const auto start = std::chrono::steady_clock::now();
  for (auto& header : buffers.headers) {
    ASSERT_EQ(device.Prepare(header), 0);
    ASSERT_EQ(device.Write(header), 0);
    EXPECT_TRUE(header.Flags & engine::kWaveHeaderInQueue);
  }
  notices.WaitFor(4);
  // One second of audio at twenty times real time: never done before 50 ms.
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(50));
  const auto done = notices.Done();
  ASSERT_EQ(done.size(), 4u);
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(done[i], &buffers.headers[i]);
    EXPECT_EQ(buffers.headers[i].Flags & (engine::kWaveHeaderInQueue | engine::kWaveHeaderDone),
              engine::kWaveHeaderDone);
  }
  EXPECT_EQ(device.Close(), 0);
}

TEST(NullWaveDevice, PausedDeviceHoldsItsBuffersUntilRestart) {
  TNullWaveDevice device(0.0);  // unpaced: a device that did not hold would be done at once
  NoticeRecorder notices;
  Buffers buffers;
  ASSERT_EQ(device.Open(TWaveFormat::Pcm(44100, 2, 16), notices), 0);
  ASSERT_EQ(device.Pause(), 0);
  device.Prepare(buffers.headers[0]);
  device.Write(buffers.headers[0]);
  // Nothing marks the moment a notice would have come: a short window to let the device run.
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_TRUE(notices.Done().empty());
  EXPECT_EQ(device.Close(), engine::kWaveStillPlaying);
  EXPECT_EQ(device.Unprepare(buffers.headers[0]), engine::kWaveStillPlaying);
  ASSERT_EQ(device.Restart(), 0);
  notices.WaitFor(1);
  EXPECT_EQ(device.Unprepare(buffers.headers[0]), 0);
  EXPECT_EQ(device.Close(), 0);
}

TEST(NullWaveDevice, ResetReturnsEveryQueuedBufferAtOnce) {
  TNullWaveDevice device(1.0);  // a full second would be needed to play them
  NoticeRecorder notices;
  Buffers buffers;
  ASSERT_EQ(device.Open(TWaveFormat::Pcm(44100, 2, 16), notices), 0);
  for (auto& header : buffers.headers) {
    device.Prepare(header);
    device.Write(header);
  }
  ASSERT_EQ(device.Reset(), 0);
  EXPECT_EQ(notices.Done().size(), 4u);  // posted before Reset returned
  EXPECT_EQ(device.Close(), 0);
}

TEST(NullWaveDevice, RefusesWhatItCannotPlay) {
  TNullWaveDevice device;
  NoticeRecorder notices;
  Buffers buffers;
  EXPECT_EQ(device.Write(buffers.headers[0]), engine::kWaveNotOpen);
  EXPECT_EQ(device.Pause(), engine::kWaveNotOpen);
  EXPECT_EQ(device.Close(), engine::kWaveNotOpen);
  EXPECT_EQ(device.Open(TWaveFormat::Pcm(44100, 3, 16), notices), engine::kWaveBadFormat);
  EXPECT_EQ(device.Open(TWaveFormat::Pcm(44100, 2, 24), notices), engine::kWaveBadFormat);
  ASSERT_EQ(device.Open(TWaveFormat::Pcm(44100, 2, 16), notices), 0);
  EXPECT_EQ(device.Open(TWaveFormat::Pcm(44100, 2, 16), notices), engine::kWaveAllocated);
  EXPECT_EQ(device.Write(buffers.headers[0]), engine::kWaveNotPrepared);
  buffers.headers[1].Length = kQuarterSecond + 1;
  EXPECT_EQ(device.Prepare(buffers.headers[1]), engine::kWaveInvalidParam);
  EXPECT_EQ(device.ErrorText(engine::kWaveNotPrepared), "The buffer was not prepared.");
}

TEST(NullWaveDevice, DestroyedWhilePlayingReportsWhatWasQueued) {
  NoticeRecorder notices;
  Buffers buffers;
  {
    TNullWaveDevice device(1.0);
    ASSERT_EQ(device.Open(TWaveFormat::Pcm(44100, 2, 16), notices), 0);
    for (auto& header : buffers.headers) {
      device.Prepare(header);
      device.Write(header);
    }
  }
  EXPECT_EQ(notices.Done().size(), 4u);
}

}  // namespace
}  // namespace yumekaze::platform
