// How long the player's commands take while the sound device never completes a write (a sound
// server that stopped answering), beside a device that plays at once. Each iteration is one
// command pair on a playing player: Pause then Resume, or Stop then Play. Then Play and Stop, and
// destruction, while the device has not finished opening (a server that does not answer at all).
// And how long a seek in a 60-minute file takes: the first (which scans the file's frame headers)
// and later ones.
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "engine/player/mp3_player.h"
#include "engine/sound/stalled_wave_device.h"
#include "engine/stream/memory_stream.h"
#include "platform/audio/null_wave_device.h"

namespace {

using yumekaze::engine::TMP3Player;
using yumekaze::engine::testing::StalledWaveDevice;
using yumekaze::engine::testing::StallGate;

// 30 s of MPEG-1 Layer II silence at 192 kbit/s, 44.1 kHz stereo: 626-byte frames whose
// allocation is all zero.
std::vector<uint8_t> SilentStream() {
  constexpr int kFrames = 1150;
  std::vector<uint8_t> bytes(static_cast<size_t>(kFrames) * 626, 0);
  for (size_t at = 0; at < bytes.size(); at += 626) {
    bytes[at] = 0xFF;
    bytes[at + 1] = 0xFD;
    bytes[at + 2] = 0xA0;  // 192 kbit/s, 44.1 kHz
  }
  return bytes;
}

// 60 minutes of MPEG-1 Layer II silence at 32 kbit/s, 44.1 kHz mono: 104-byte frames.
std::vector<uint8_t> HourLongStream() {
  constexpr size_t kFrames = 3600 * 44100 / 1152 + 1;
  std::vector<uint8_t> bytes(kFrames * 104, 0);
  for (size_t at = 0; at < bytes.size(); at += 104) {
    bytes[at] = 0xFF;
    bytes[at + 1] = 0xFD;
    bytes[at + 2] = 0x10;
    bytes[at + 3] = 0xC0;
  }
  return bytes;
}

std::unique_ptr<TMP3Player> PlayingPlayer(std::unique_ptr<yumekaze::engine::TWaveDevice> device,
                                          const std::vector<uint8_t>& stream) {
  auto player = std::make_unique<TMP3Player>(std::move(device));
  player->SetAutoPlay(false);
  player->OpenStream(new yumekaze::engine::TMPMemoryStream(stream),
                     TMP3Player::kStreamSeekable | TMP3Player::kStreamOwned);
  player->Play();
  return player;
}

// Returns once the device is open: Play opens it on a thread of its own.
std::unique_ptr<TMP3Player> PlayingPlayer(bool stalled, const std::vector<uint8_t>& stream) {
  std::unique_ptr<yumekaze::engine::TWaveDevice> device;
  if (stalled) {
    device = std::make_unique<StalledWaveDevice>();
  } else {
    device = std::make_unique<yumekaze::platform::TNullWaveDevice>(0.0);
  }
  auto player = PlayingPlayer(std::move(device), stream);
  while (!player->DeviceOpen()) std::this_thread::yield();
  return player;
}

std::unique_ptr<TMP3Player> PlayingPlayer(bool stalled) {
  return PlayingPlayer(stalled, SilentStream());
}

void PauseResume(benchmark::State& state) {
  const auto player = PlayingPlayer(state.range(0) != 0);
  for (auto _ : state) {
    player->Pause();
    player->Resume();
  }
  state.SetLabel(state.range(0) ? "stalled device" : "null device");
}
BENCHMARK(PauseResume)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void StopPlay(benchmark::State& state) {
  const auto player = PlayingPlayer(state.range(0) != 0);
  for (auto _ : state) {
    player->Stop();
    player->Play();
  }
  state.SetLabel(state.range(0) ? "stalled device" : "null device");
}
BENCHMARK(StopPlay)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void DestroyWhilePlaying(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    auto player = PlayingPlayer(state.range(0) != 0);
    state.ResumeTiming();
    player.reset();
  }
  state.SetLabel(state.range(0) ? "stalled device" : "null device");
}
BENCHMARK(DestroyWhilePlaying)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// Every open waits until the benchmark ends; then the ones nobody wants are closed and dropped.
// Few iterations: each leaves an open waiting.
void StopPlayWhileOpening(benchmark::State& state) {
  const auto gate = std::make_shared<StallGate>(StallGate::Holds::kOpens);
  {
    const auto player = PlayingPlayer(std::make_unique<StalledWaveDevice>(gate), SilentStream());
    for (auto _ : state) {
      player->Stop();
      player->Play();
    }
  }
  gate->Open();
  if (!gate->WaitFor([](const StallGate::Counts& counts) { return counts.destroyed; },
                     std::chrono::seconds(60))) {
    state.SkipWithError("the device was never closed");
  }
  state.SetLabel("device still opening");
}
BENCHMARK(StopPlayWhileOpening)->Iterations(200)->Unit(benchmark::kMicrosecond);

void DestroyWhileOpening(benchmark::State& state) {
  const auto gate = std::make_shared<StallGate>(StallGate::Holds::kOpens);
  for (auto _ : state) {
    state.PauseTiming();
    auto player = PlayingPlayer(std::make_unique<StalledWaveDevice>(gate), SilentStream());
    state.ResumeTiming();
    player.reset();
  }
  gate->Open();
  state.SetLabel("device still opening");
}
BENCHMARK(DestroyWhileOpening)->Iterations(50)->Unit(benchmark::kMicrosecond);

}  // namespace

namespace {

void SeekInAnHour(benchmark::State& state) {
  const bool first = state.range(0) != 0;
  const std::vector<uint8_t> hour = HourLongStream();
  auto player = PlayingPlayer(true, hour);
  int64_t target = 0;
  for (auto _ : state) {
    if (first) {
      state.PauseTiming();
      player = PlayingPlayer(true, hour);
      state.ResumeTiming();
    }
    target = (target + 7 * 60 * 1000 + 123) % (3600 * 1000);
    if (!player->Seek(target)) state.SkipWithError("the player refused to seek");
  }
  state.SetLabel(first ? "first seek (scans the headers)" : "later seeks");
}
BENCHMARK(SeekInAnHour)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

}  // namespace
