// Reading a file ahead on a thread of its own: whatever the reads and seeks, the bytes are the
// file's, a read error arrives where it happened, and a reader that does not wait is told to wait
// for the data instead of blocking.
#include "engine/stream/read_ahead_stream.h"

#include <gtest/gtest.h>

#include <random>

#include "scripted_stream.h"

namespace yumekaze::engine {
namespace {

using test_support::Pattern;
using test_support::ScriptedStream;

TEST(ReadAheadStream, ReadsWhatTheFileHoldsAcrossSeeksInAndOutOfWhatWasReadAhead) {
  const std::vector<uint8_t> file = Pattern(3 * TMPReadAheadStream::kAhead + 1234);
  TMPReadAheadStream stream(std::make_unique<ScriptedStream>(file, 5000));
  EXPECT_EQ(stream.Size(), static_cast<int64_t>(file.size()));
  std::mt19937 random(7);
  std::vector<uint8_t> buffer(70000);
  int64_t position = 0;
  for (int step = 0; step < 300; ++step) {
    if (step % 7 == 0) {
      // Near ahead (in what is read ahead), far, back, or past the end.
      const int64_t target = std::uniform_int_distribution<int64_t>(
          step % 2 ? position : 0, static_cast<int64_t>(file.size()) + 10)(random);
      ASSERT_EQ(stream.Seek(target, SeekOrigin::Beginning), target);
      position = target;
    }
    const size_t want = std::uniform_int_distribution<size_t>(1, buffer.size())(random);
    const size_t n = stream.Read(buffer.data(), want);
    const auto left = static_cast<size_t>(std::max<int64_t>(file.size() - position, 0));
    ASSERT_LE(n, std::min(want, left));
    ASSERT_EQ(n == 0, left == 0) << "at " << position;
    ASSERT_TRUE(
        std::equal(buffer.begin(), buffer.begin() + static_cast<long>(n), file.begin() + position))
        << "at " << position;
    position += static_cast<int64_t>(n);
  }
  EXPECT_EQ(stream.Seek(-5, SeekOrigin::End), static_cast<int64_t>(file.size()) - 5);
  EXPECT_THROW(stream.Seek(-1, SeekOrigin::Beginning), TMPStreamError);
}

// A source that fails every read from `from` on.
class FailingFrom final : public TMPStream {
 public:
  FailingFrom(std::vector<uint8_t> bytes, int64_t from) : inner_(std::move(bytes)), from_(from) {}
  size_t Read(uint8_t* buffer, size_t count) override {
    const int64_t at = inner_.Seek(0, SeekOrigin::Current);
    if (at >= from_) throw TMPStreamError("Read error in \"x\". Input/output error");
    return inner_.Read(buffer, std::min<size_t>(count, static_cast<size_t>(from_ - at)));
  }
  int64_t Seek(int64_t offset, SeekOrigin origin) override { return inner_.Seek(offset, origin); }
  int64_t Size() override { return inner_.Size(); }

 private:
  TMPMemoryStream inner_;
  const int64_t from_;
};

TEST(ReadAheadStream, AReadErrorArrivesAfterTheBytesBeforeIt) {
  TMPReadAheadStream stream(std::make_unique<FailingFrom>(Pattern(100000), 30000));
  std::vector<uint8_t> buffer(100000);
  size_t got = 0;
  EXPECT_THROW(
      for (;;) {
        const size_t n = stream.Read(buffer.data() + got, buffer.size() - got);
        ASSERT_GT(n, 0u);
        got += n;
      },
      TMPStreamError);
  EXPECT_EQ(got, 30000u);
  // A seek back reads again.
  stream.Seek(10, SeekOrigin::Beginning);
  EXPECT_EQ(stream.Read(buffer.data(), 5), 5u);
  EXPECT_EQ(buffer[0], 10);
}

TEST(ReadAheadStream, AReaderThatDoesNotWaitIsToldToWaitForTheData) {
  const std::vector<uint8_t> file = Pattern(200000);
  TMPReadAheadStream stream(std::make_unique<ScriptedStream>(file));
  stream.SetWaits(false);
  std::vector<uint8_t> buffer(file.size());
  size_t got = 0;
  int waits = 0;
  while (got < file.size()) {
    try {
      const size_t n = stream.Read(buffer.data() + got, buffer.size() - got);
      ASSERT_GT(n, 0u);
      got += n;
    } catch (const TMPReadPending& pending) {
      ++waits;
      ASSERT_LT(waits, 1000) << "the data never came";
      pending.WaitForData(std::chrono::seconds(10));
    }
  }
  EXPECT_EQ(buffer, file);
  stream.SetWaits(true);
  EXPECT_EQ(stream.Read(buffer.data(), 1), 0u);
}

}  // namespace
}  // namespace yumekaze::engine
