// Seeking in the player: the PCM after a seek is the reference decode from that sample on; paused
// stays paused; past the end ends the file as its end would; a stream that cannot seek refuses.
#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

#include "../../robustness/watchdog.h"
#include "decoder/decoder_state.h"
#include "engine/player/frame_source.h"
#include "engine/player/seek_index.h"
#include "engine/stream/memory_stream.h"
#include "engine/stream/stream_reader.h"
#include "engine/tags/mp3_info.h"
#include "player_test_support.h"

namespace yumekaze::engine::test {
namespace {

// What the device recorded: some audio from the start, played before the seek, then the reference
// from the target to the end.
void ExpectPrefixThenFrom(const Bytes& recorded, const Bytes& reference, size_t target) {
  ASSERT_LE(target, reference.size());
  const size_t tail = reference.size() - target;
  ASSERT_GE(recorded.size(), tail);
  const size_t prefix = recorded.size() - tail;
  ASSERT_LE(prefix, reference.size());
  EXPECT_TRUE(std::equal(recorded.begin(), recorded.begin() + prefix, reference.begin()))
      << "before the seek";
  EXPECT_TRUE(std::equal(recorded.begin() + prefix, recorded.end(), reference.begin() + target))
      << "after the seek to byte " << target;
}

TEST(PlayerSeek, PcmAfterASeekIsTheReferenceFromThere) {
  if (Streams().layer2.empty()) GTEST_SKIP() << "twolame is not installed";
  for (const auto& stream : {Streams().layer2, Streams().layer3}) {
    const Bytes reference = ReferencePcm(ReadFileBytes(stream));
    if (reference.empty()) continue;
    for (const int64_t ms : {1, 500, 2345, 3100}) {
      SCOPED_TRACE(stream.filename().string() + " at " + std::to_string(ms) + " ms");
      TempDir dir;
      RecordingPlayer recorder(dir / "out.wav", 0);
      TMP3Player& player = recorder.player();
      player.SetFileName(stream.string());
      player.Play();
      player.Pause();
      ASSERT_TRUE(player.Seek(ms));
      EXPECT_EQ(player.Status(), kStatusPaused);
      player.Resume();
      ASSERT_TRUE(recorder.PumpUntil([&] { return recorder.EndPlayCount(meprEndOfStream) == 1; }));
      ExpectPrefixThenFrom(WavSamples(dir / "out.wav"), reference,
                           static_cast<size_t>(ms * player.SampleRate() / 1000 * 4));
    }
  }
}

// Bytes in memory whose second reader, the one the seek index is built from, reads only once
// its gate opens: a file system that holds up the scan. The first reader holds the same way on a
// thread named by HoldOn, the window's thread, which must never read once the file is open.
struct Gate {
  std::mutex Mutex;
  std::condition_variable Opened;
  bool Open = false;
  void Let() {
    std::lock_guard lock(Mutex);
    Open = true;
    Opened.notify_all();
  }
};

class HeldScanStream final : public TMPStream {
 public:
  HeldScanStream(const Bytes& bytes, std::shared_ptr<Gate> gate, bool held)
      : bytes_(bytes), gate_(std::move(gate)), held_(held) {}
  void HoldOn(std::thread::id thread) { held_on_ = thread; }
  size_t Read(uint8_t* buffer, size_t count) override {
    if (held_ || held_on_.load() == std::this_thread::get_id()) {
      std::unique_lock lock(gate_->Mutex);
      gate_->Opened.wait(lock, [&] { return gate_->Open; });
    }
    const size_t n = std::min(count, bytes_.size() - std::min(bytes_.size(), position_));
    std::memcpy(buffer, bytes_.data() + position_, n);
    position_ += n;
    return n;
  }
  int64_t Seek(int64_t offset, SeekOrigin origin) override {
    const int64_t base = origin == SeekOrigin::Beginning ? 0
                         : origin == SeekOrigin::Current ? static_cast<int64_t>(position_)
                                                         : Size();
    position_ = static_cast<size_t>(base + offset);
    return base + offset;
  }
  int64_t Size() override { return static_cast<int64_t>(bytes_.size()); }
  std::unique_ptr<TMPStream> Duplicate() override {
    return std::make_unique<HeldScanStream>(bytes_, gate_, true);
  }

 private:
  const Bytes bytes_;
  std::shared_ptr<Gate> gate_;
  const bool held_;
  std::atomic<std::thread::id> held_on_{};
  size_t position_ = 0;
};

// The first seek of a file returns at once while its frames are scanned; playback waits silent at
// the latest target, and the PCM from there is exact. A player that goes away meanwhile is safe.
TEST(PlayerSeek, AFirstSeekDoesNotWaitForTheScanOfTheFile) {
  if (Streams().layer2.empty()) GTEST_SKIP() << "twolame is not installed";
  robustness::Watchdog watchdog(std::chrono::seconds(120), "a seek waiting for a held scan");
  const Bytes bytes = ReadFileBytes(Streams().layer2);
  const Bytes reference = ReferencePcm(bytes);
  const uint8_t flags = TMP3Player::kStreamSeekable | TMP3Player::kStreamOwned;
  TempDir dir;
  auto gate = std::make_shared<Gate>();
  {
    RecordingPlayer recorder(dir / "out.wav", 0);
    TMP3Player& player = recorder.player();
    auto* stream = new HeldScanStream(bytes, gate, false);
    player.OpenStream(stream, flags);
    stream->HoldOn(std::this_thread::get_id());
    player.Play();
    ASSERT_TRUE(player.Seek(2345));
    EXPECT_EQ(player.PlayedMilliseconds(), 2345);
    player.Pause();
    player.Resume();
    ASSERT_TRUE(player.Seek(1500));
    gate->Let();
    ASSERT_TRUE(recorder.PumpUntil([&] { return recorder.EndPlayCount(meprEndOfStream) == 1; }));
    ExpectPrefixThenFrom(WavSamples(dir / "out.wav"), reference,
                         static_cast<size_t>(1500 * player.SampleRate() / 1000 * 4));
  }
  gate = std::make_shared<Gate>();
  {
    RecordingPlayer recorder(std::make_unique<FailingWaveDevice>(1 << 30));
    recorder.player().OpenStream(new HeldScanStream(bytes, gate, false), flags);
    recorder.player().Play();
    ASSERT_TRUE(recorder.player().Seek(1000));
  }
  gate->Let();  // the scan ends after its player
}

// The source's PCM from its position on, `limit` bytes at most.
Bytes DecodeOn(TMPFrameSource& source, size_t limit) {
  Bytes pcm;
  uint8_t frame[kPcmBufferSize];
  while (pcm.size() < limit && !source.AtEndOfData()) {
    if (source.FindFrame() == TFrameStep::Skipped) continue;
    pcm.insert(pcm.end(), frame, frame + source.DecodeFrame(frame));
  }
  return pcm;
}

// Small Layer III frames carry little main data beside their header and side information, so a
// frame's main data may begin dozens of frames back. A start every 25 ms gives exactly the PCM of
// a decode from the first frame.
TEST(PlayerSeek, EveryStartInLowBitrateLayer3IsExact) {
  TempDir dir;
  const std::string mp3 = (dir / "v8.mp3").string();
  // A quiet tone: the encoder fills its reservoir and sends mostly frames of 8 and 16 kbit/s,
  // whose main data begins up to some 30 frames back.
  if (!RunCommand("sox -V1 -n -r 24000 -c 2 -b 16 -t wav - synth 8 sine 200/2000 vol 0.3 | "
                  "lame --quiet -V 8 --resample 24 - " +
                  mp3)) {
    GTEST_SKIP() << "sox or lame is missing";
  }
  TMPMemoryStream stream(ReadFileBytes(mp3));
  TMPStreamReader reader(0x10000);
  TMP3Info info;
  auto state = std::make_unique<decoder::DecoderState>();
  TMPFrameSource source(reader, info, *state);
  reader.Open(&stream, true);
  source.Open();
  const Bytes whole = DecodeOn(source, SIZE_MAX);
  TMPMemoryStream scanned(ReadFileBytes(mp3));
  TMPSeekIndex index;
  index.Build(scanned, source.AudioStart(), source.AudioLength(), source.LayerNumber());

  constexpr size_t kSampleBytes = 4;
  constexpr size_t kCompared = 2 * 576 * kSampleBytes;
  int starts = 0;
  int wrong = 0;
  for (int64_t target = 0; target * kSampleBytes < whole.size(); target += 600, ++starts) {
    const TSeekPoint point = index.Find(target, source.Trim());
    source.SeekTo(point.Offset, point.DecodedSamples);
    const size_t drop = static_cast<size_t>(point.DropSamples) * kSampleBytes;
    const Bytes got = DecodeOn(source, drop + kCompared);
    const size_t at = static_cast<size_t>(target) * kSampleBytes;
    const size_t n = std::min(kCompared, whole.size() - at);
    ASSERT_GE(got.size(), drop + n);
    if (!std::equal(got.begin() + drop, got.begin() + drop + n, whole.begin() + at)) ++wrong;
  }
  EXPECT_GT(starts, 300);
  EXPECT_EQ(wrong, 0) << "starts whose PCM differs, of " << starts;
}

TEST(PlayerSeek, PastTheEndEndsTheFileAndStreamsThatCannotSeekRefuse) {
  if (Streams().layer2.empty()) GTEST_SKIP() << "twolame is not installed";
  RecordingPlayer recorder(std::make_unique<FailingWaveDevice>(1 << 30));
  TMP3Player& player = recorder.player();
  player.SetFileName(Streams().layer2.string());
  EXPECT_FALSE(player.Seek(100)) << "seeked while stopped";
  player.Play();
  ASSERT_TRUE(player.Seek(60 * 60 * 1000));
  ASSERT_TRUE(recorder.PumpUntil([&] { return recorder.EndPlayCount(meprEndOfStream) == 1; }));
  EXPECT_EQ(player.Status(), kStatusStopped);

  player.OpenStream(new TMPMemoryStream(ReadFileBytes(Streams().layer2)), TMP3Player::kStreamOwned);
  player.Play();
  EXPECT_FALSE(player.Seek(1000));
  EXPECT_EQ(player.Status(), kStatusPlaying);
}

}  // namespace
}  // namespace yumekaze::engine::test
