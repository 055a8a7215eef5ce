#include "engine/sound/sound_out.h"

#include <gtest/gtest.h>

#include <future>
#include <numeric>
#include <stdexcept>

#include "manual_wave_device.h"

namespace yumekaze::engine {
namespace {

using testing::ManualWaveDevice;

struct Fixture {
  Fixture() {
    auto owned = std::make_unique<ManualWaveDevice>();
    device = owned.get();
    out = std::make_unique<TSoundOut>(std::move(owned));
  }
  // The manual device never plays what is left queued, and Close would wait for it.
  ~Fixture() { out->Reset(); }
  // Lets the sound output's thread handle the notices the device posted.
  void Settle() { out->Thread().Sync(); }

  ManualWaveDevice* device;
  std::unique_ptr<TSoundOut> out;
};

std::vector<uint8_t> Ramp(std::size_t size) {
  std::vector<uint8_t> bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(i * 7 + i / 251);
  return bytes;
}

std::string MessageOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const std::exception& error) {
    return error.what();
  }
  return "(nothing raised)";
}

TEST(SoundOut, BufferSizeIsAQuarterOfTwoSecondsRoundedUpToFourBytes) {
  EXPECT_EQ(SoundOutBufferSize(44100, 2, 16), 88200);
  EXPECT_EQ(SoundOutBufferSize(22050, 1, 16), 22052);
  EXPECT_EQ(SoundOutBufferSize(22050, 1, 8), 11028);
  EXPECT_EQ(SoundOutBufferSize(8000, 1, 8), 4000);
}

TEST(SoundOut, FreshOutputOpensWithCdFormatAndFourEmptyBuffers) {
  Fixture f;
  EXPECT_EQ(f.out->FreePercent(), 0);  // not open
  f.out->Open();
  EXPECT_EQ(f.device->log.format.SamplesPerSec, 44100u);
  EXPECT_EQ(f.device->log.format.Channels, 2);
  EXPECT_EQ(f.device->log.format.BitsPerSample, 16);
  EXPECT_EQ(f.device->log.format.BlockAlign, 4);
  EXPECT_EQ(f.device->log.format.AvgBytesPerSec, 176400u);
  EXPECT_EQ(f.out->BufferSize(), 88200);
  EXPECT_EQ(f.out->FreePercent(), 100);
  EXPECT_TRUE(f.out->CanWrite());
}

TEST(SoundOut, FormatWritersAcceptOnlyPlayableValues) {
  Fixture f;
  f.out->SetSampleRate(0);
  f.out->SetChannels(3);
  f.out->SetBitsPerSample(24);
  EXPECT_EQ(f.out->SampleRate(), 44100);
  EXPECT_EQ(f.out->Channels(), 2);
  EXPECT_EQ(f.out->BitsPerSample(), 16);
  f.out->SetSampleRate(22050);
  f.out->SetChannels(1);
  f.out->SetBitsPerSample(8);
  f.out->Open();
  EXPECT_EQ(f.out->BufferSize(), 11028);
  EXPECT_EQ(f.device->log.format.BlockAlign, 1);
}

TEST(SoundOut, WriteFillsBuffersInOrderAndStopsWhenAllFourAreQueued) {
  Fixture f;
  f.out->Open();
  const auto pcm = Ramp(5 * 88200);
  EXPECT_EQ(f.out->Write(std::span(pcm).first(12000)), 12000u);
  EXPECT_EQ(f.out->FreePercent(), 96);  // 96.6 truncated
  const std::size_t taken = f.out->Write(std::span(pcm).subspan(12000));
  EXPECT_EQ(12000 + taken, 4u * 88200);
  EXPECT_FALSE(f.out->CanWrite());
  EXPECT_EQ(f.out->FreePercent(), 0);
  EXPECT_EQ(f.out->Write(pcm), 0u);
  ASSERT_EQ(f.device->log.written.size(), 4u);
  std::vector<uint8_t> played;
  for (const auto& buffer : f.device->log.written) {
    EXPECT_EQ(buffer.size(), 88200u);
    played.insert(played.end(), buffer.begin(), buffer.end());
  }
  EXPECT_TRUE(std::equal(played.begin(), played.end(), pcm.begin()));

  // A completion frees one buffer, which is reused for the bytes that follow.
  ASSERT_TRUE(f.device->CompleteOne());
  f.Settle();
  EXPECT_EQ(f.out->FreePercent(), 25);
  EXPECT_EQ(f.out->Write(std::span(pcm).subspan(4 * 88200, 88200)), 88200u);
  ASSERT_EQ(f.device->log.written.size(), 5u);
  EXPECT_TRUE(std::equal(f.device->log.written[4].begin(), f.device->log.written[4].end(),
                         pcm.begin() + 4 * 88200));
}

TEST(SoundOut, WaiterIsSetWhenRoomBecomesFreeOrAtOnce) {
  Fixture f;
  f.out->Open();
  TMPSimpleEvent waiter;
  f.out->SetWaiter(&waiter);
  EXPECT_TRUE(waiter.IsSignalled());  // room exists: set at once

  const auto pcm = Ramp(4 * 88200);
  f.out->Write(pcm);
  waiter.ResetEvent();
  f.out->SetWaiter(&waiter);
  f.Settle();
  EXPECT_FALSE(waiter.IsSignalled());
  f.device->CompleteOne();
  EXPECT_EQ(waiter.WaitFor(kInfinite), kWaitObject0);

  // It was forgotten: later completions leave a reset event alone.
  waiter.ResetEvent();
  f.device->CompleteOne();
  f.Settle();
  EXPECT_FALSE(waiter.IsSignalled());
}

TEST(SoundOut, FlushQueuesThePartBufferAndWaitAllDoneWaitsForEveryBuffer) {
  Fixture f;
  f.out->Open();
  const auto pcm = Ramp(88200 + 1000);
  f.out->Write(pcm);
  f.out->Flush();
  ASSERT_EQ(f.device->log.written.size(), 2u);
  EXPECT_EQ(f.device->log.written[1].size(), 1000u);
  f.out->Flush();  // nothing filled: nothing queued
  EXPECT_EQ(f.device->log.written.size(), 2u);

  auto waited = std::async(std::launch::async, [&] { f.out->WaitAllDone(); });
  f.device->CompleteOne();
  f.Settle();
  EXPECT_EQ(waited.wait_for(std::chrono::milliseconds(20)), std::future_status::timeout);
  f.device->CompleteOne();
  waited.get();
  EXPECT_EQ(f.out->Queued(), 0);
}

TEST(SoundOut, ClosePlaysOutAPartlyFilledBufferBeforeTheDeviceCloses) {
  Fixture f;
  f.out->Open();
  const auto pcm = Ramp(5000);
  f.out->Write(pcm);
  auto closed = std::async(std::launch::async, [&] { f.out->Close(); });
  while (f.device->QueuedCount() == 0) std::this_thread::yield();
  EXPECT_EQ(f.device->log.closes, 0);
  f.device->CompleteOne();
  closed.get();
  EXPECT_EQ(f.device->log.written.back(), pcm);
  EXPECT_EQ(f.device->log.closes, 1);
  EXPECT_FALSE(f.out->Opened());
  EXPECT_FALSE(f.out->CanWrite());
  EXPECT_EQ(f.out->Write(pcm), 0u);  // the buffers are gone
}

TEST(SoundOut, ResetReturnsEveryBufferAndDropsThePartBuffer) {
  Fixture f;
  f.out->Open();
  const auto pcm = Ramp(2 * 88200 + 500);
  f.out->Write(pcm);
  f.out->Reset();
  f.out->WaitAllDone();
  EXPECT_EQ(f.device->log.resets, 1);
  EXPECT_EQ(f.out->Queued(), 0);
  EXPECT_EQ(f.out->FreePercent(), 100);
  f.out->Close();
  EXPECT_EQ(f.device->log.written.size(), 2u);  // the 500 bytes were dropped, not played
}

TEST(SoundOut, PauseAndUnpauseReachTheDeviceOnlyWhileOpen) {
  Fixture f;
  f.out->Pause();
  f.out->Unpause();
  f.out->Reset();
  EXPECT_EQ(f.device->log.pauses + f.device->log.restarts + f.device->log.resets, 0);
  f.out->Open();
  f.out->Pause();
  EXPECT_TRUE(f.out->Paused());
  f.out->Unpause();
  EXPECT_FALSE(f.out->Paused());
  EXPECT_EQ(f.device->log.pauses, 1);
  EXPECT_EQ(f.device->log.restarts, 1);
}

TEST(SoundOut, CloseWhilePausedDropsTheQueuedAudioInsteadOfWaitingForEver) {
  Fixture f;
  f.out->Open();
  const auto pcm = Ramp(88200 + 10);
  f.out->Write(pcm);
  f.out->Pause();
  f.out->Close();
  EXPECT_EQ(f.device->log.resets, 1);
  EXPECT_EQ(f.device->log.closes, 1);
}

TEST(SoundOut, VolumeAndBalanceGiveTheDeviceWordOfBothChannels) {
  EXPECT_EQ(SoundOutVolumeWord(50, 50), 16383u + 32767u * 65536);
  EXPECT_EQ(SoundOutVolumeWord(100, -30), 65535u + 45874u * 65536);
  EXPECT_EQ(SoundOutVolumeWord(100, 0), 0xFFFFFFFFu);
  for (int balance : {-100, -1, 0, 1, 100}) EXPECT_EQ(SoundOutVolumeWord(0, balance), 0u);

  Fixture f;
  f.out->SetVolume(50);
  f.out->SetBalance(50);
  EXPECT_TRUE(f.device->log.volumes.empty());  // applied at Open
  f.out->Open();
  ASSERT_FALSE(f.device->log.volumes.empty());
  EXPECT_EQ(f.device->log.volumes.back(), 16383u + 32767u * 65536);
  f.out->SetVolume(101);
  f.out->SetVolume(-1);
  f.out->SetBalance(101);
  f.out->SetBalance(-101);
  EXPECT_EQ(f.out->Volume(), 50);
  EXPECT_EQ(f.out->Balance(), 50);
  f.out->SetVolume(100);
  f.out->SetBalance(-30);
  EXPECT_EQ(f.device->log.volumes.back(), 65535u + 45874u * 65536);
}

TEST(SoundOut, VolumeAfterConstructionIsTheDevicesLouderChannel) {
  auto device = std::make_unique<ManualWaveDevice>();
  device->volume_ = 0x8000u * 65536 + 0x4000u;
  TSoundOut out(std::move(device));
  EXPECT_EQ(out.Volume(), 50);

  auto failing = std::make_unique<ManualWaveDevice>();
  failing->volume_ = 0;
  failing->fail_volume = -5;
  TSoundOut fallback(std::move(failing));
  EXPECT_EQ(fallback.Volume(), 100);

  TSoundOut without;
  EXPECT_EQ(without.Volume(), 100);
  EXPECT_EQ(MessageOf([&] { without.Open(); }),
            "No sound output device is available.(TSoundOut.Open:WaveOutOpen)");
  EXPECT_FALSE(without.Opened());
}

TEST(SoundOut, DeviceFailuresReadAsTheDeviceTextWithTheContext) {
  {
    Fixture f;
    f.device->fail_open = -16;
    EXPECT_EQ(MessageOf([&] { f.out->Open(); }),
              "Device or resource busy(TSoundOut.Open:WaveOutOpen)");
    EXPECT_FALSE(f.out->Opened());
    f.device->fail_open = 12345;
    EXPECT_EQ(MessageOf([&] { f.out->Open(); }),
              "unknown wave out API error.(TSoundOut.Open:WaveOutOpen)");
  }
  {
    Fixture f;
    f.device->fail_prepare = kWaveInvalidParam;
    EXPECT_EQ(MessageOf([&] { f.out->Open(); }),
              CommonWaveErrorText(kWaveInvalidParam) + "(TSoundOut.Open:WaveOutPreperHeader)");
    EXPECT_FALSE(f.out->Opened());
    EXPECT_EQ(f.device->log.closes, 1);  // the failed Open closed the device again
  }
  {
    Fixture f;
    f.out->Open();
    f.device->fail_volume = -16;
    EXPECT_EQ(MessageOf([&] { f.out->SetVolume(10); }),
              "Device or resource busy(TSoundOut.SetVolumeToWaveDevice)");
    f.device->fail_pause = -16;
    EXPECT_EQ(MessageOf([&] { f.out->Pause(); }), "Device or resource busy(TSoundOut.Pause)");
    EXPECT_FALSE(f.out->Paused());
  }
  {
    Fixture f;
    f.out->Open();
    f.device->fail_write = -16;
    const auto pcm = Ramp(88200);
    EXPECT_EQ(MessageOf([&] { f.out->Write(pcm); }), "Device or resource busy(TSoundOut.WaveWrite)");
    EXPECT_EQ(f.out->Queued(), 0);
    f.out->Close();  // does not wait for the buffer that never reached the device
    EXPECT_FALSE(f.out->Opened());
  }
}

TEST(SoundOut, PositionTicksComeWhileAudioIsQueuedAndStopWhenCleared) {
  Fixture f;
  std::atomic<int> ticks{0};
  TMPSimpleEvent three;
  f.out->SetPositionInterval(1);
  f.out->SetOnPosition([&](TSoundOut& sender) {
    EXPECT_EQ(&sender, f.out.get());
    if (++ticks == 3) three.SetEvent();
  });
  f.out->Open();
  const auto pcm = Ramp(88200);
  f.out->Write(pcm);
  EXPECT_EQ(three.WaitFor(kInfinite), kWaitObject0);
  EXPECT_EQ(f.out->Thread().Timeout(), 1);
  f.device->CompleteOne();
  f.Settle();
  EXPECT_EQ(f.out->Thread().Timeout(), kInfinite);  // nothing queued: no time-out
  f.out->SetOnPosition(nullptr);
  const int seen = ticks;
  f.out->Write(pcm);
  f.device->CompleteOne();
  f.Settle();
  EXPECT_EQ(ticks, seen);
}

TEST(SoundOut, ExceptionsOnItsThreadGoToOnError) {
  Fixture f;
  TMPSimpleEvent reported;
  std::string text;
  f.out->SetOnError([&](TSoundOut& sender, const std::exception& error, bool& handled) {
    EXPECT_EQ(&sender, f.out.get());
    text = error.what();
    handled = true;
    reported.SetEvent();
  });
  f.out->SetPositionInterval(0);
  f.out->SetOnPosition([](TSoundOut&) { throw std::runtime_error("tick failed"); });
  f.out->Open();
  const auto pcm = Ramp(88200);
  f.out->Write(pcm);
  // A tick needs the clock to have moved past the interval (0 ms) since Open.
  const auto opened = std::chrono::steady_clock::now();
  while (std::chrono::steady_clock::now() - opened < std::chrono::milliseconds(2)) {
    std::this_thread::yield();
  }
  f.device->CompleteOne();
  ASSERT_EQ(reported.WaitFor(kInfinite), kWaitObject0);
  f.Settle();
  EXPECT_EQ(text, "tick failed");
  EXPECT_EQ(f.out->Queued(), 0);  // the completion itself was counted before the tick
}

}  // namespace
}  // namespace yumekaze::engine
