// A file whose reads hang mid-play (a network file system that stopped answering) holds up only
// the thread that reads it ahead: every command returns, and the player can be destroyed.
#include <gtest/gtest.h>

#include <condition_variable>
#include <cstring>
#include <mutex>

#include "../../robustness/watchdog.h"
#include "engine/stream/read_ahead_stream.h"
#include "player_test_support.h"

namespace yumekaze::engine::test {
namespace {

namespace fs = std::filesystem;

struct Gate {
  std::mutex Mutex;
  std::condition_variable Changed;
  bool Open = false;
};

// Bytes in memory whose reads starting in [from, to) wait until the gate opens; its duplicates
// read freely.
class HangingStream final : public TMPStream {
 public:
  HangingStream(const Bytes& bytes, std::shared_ptr<Gate> gate, int64_t from, int64_t to)
      : bytes_(bytes), gate_(std::move(gate)), from_(from), to_(to) {}
  size_t Read(uint8_t* buffer, size_t count) override {
    if (gate_ && position_ >= from_ && position_ < to_) {
      std::unique_lock lock(gate_->Mutex);
      gate_->Changed.wait(lock, [&] { return gate_->Open; });
    }
    const auto at = static_cast<size_t>(std::min<int64_t>(position_, Size()));
    const size_t n = std::min(count, bytes_.size() - at);
    std::memcpy(buffer, bytes_.data() + at, n);
    position_ += static_cast<int64_t>(n);
    return n;
  }
  int64_t Seek(int64_t offset, SeekOrigin origin) override {
    position_ = offset + (origin == SeekOrigin::Beginning ? 0
                          : origin == SeekOrigin::Current ? position_
                                                          : Size());
    return position_;
  }
  int64_t Size() override { return static_cast<int64_t>(bytes_.size()); }
  std::unique_ptr<TMPStream> Duplicate() override {
    return std::make_unique<HangingStream>(bytes_, nullptr, 0, 0);
  }

 private:
  const Bytes bytes_;
  std::shared_ptr<Gate> gate_;
  const int64_t from_, to_;
  int64_t position_ = 0;
};

TEST(HungFile, CommandsAndDestructionReturnWhileTheFileHangsMidPlay) {
  if (Streams().layer2.empty()) GTEST_SKIP() << "twolame is not installed";
  robustness::Watchdog watchdog(std::chrono::seconds(60), "commands on a hung file");
  // Five copies joined: longer than what is read ahead while the file opens, so that the hang
  // comes only while it plays.
  Bytes bytes;
  const Bytes one = ReadFileBytes(Streams().layer2);
  for (int copy = 0; copy < 5; ++copy) bytes.insert(bytes.end(), one.begin(), one.end());
  const Bytes expected = ReferencePcm(bytes);
  const auto size = static_cast<int64_t>(bytes.size());
  // The audio from 320,000 bytes on hangs; the tags at the end can be read.
  constexpr int64_t kFrom = 320000;
  ASSERT_GT(size, kFrom + static_cast<int64_t>(TMPReadAheadStream::kChunk));
  auto gate = std::make_shared<Gate>();
  TempDir dir;
  {
    RecordingPlayer recorder(dir / "out.wav", 0);
    TMP3Player& player = recorder.player();
    player.OpenStream(
        new TMPReadAheadStream(std::make_unique<HangingStream>(bytes, gate, kFrom, size - 4096)),
        TMP3Player::kStreamSeekable | TMP3Player::kStreamOwned);
    player.Play();
    // Played far enough for the reading ahead to have reached the hang; the seek then leaves
    // nothing read ahead at the new place, so the worker waits for the file.
    const auto past = static_cast<uintmax_t>(expected.size() * 120000 / bytes.size());
    ASSERT_TRUE(recorder.PumpUntil([&] {
      std::error_code error;
      return fs::file_size(dir / "out.wav", error) >= past && !error;
    }));
    EXPECT_GT(player.TotalMilliseconds(), 0);
    EXPECT_TRUE(player.Seek(1000));
    player.Pause();
    player.Resume();
    player.Stop();
    EXPECT_EQ(player.Status(), kStatusStopped);
    player.Play();
  }
  std::lock_guard lock(gate->Mutex);
  gate->Open = true;
  gate->Changed.notify_all();
}

}  // namespace
}  // namespace yumekaze::engine::test
