#include "engine/stream/stream_reader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "engine/stream/mp_assert.h"
#include "scripted_stream.h"

namespace yumekaze::engine {
namespace {

using test_support::Pattern;
using test_support::ScriptedStream;

// Whether the reader shows the stream's bytes from Position() on for Available() bytes.
::testing::AssertionResult ShowsStreamBytes(const TMPStreamReader& reader,
                                            const std::vector<uint8_t>& bytes) {
  const int64_t position = reader.Position();
  if (reader.Available() == 0) return ::testing::AssertionSuccess();
  if (position + reader.Available() > static_cast<int64_t>(bytes.size())) {
    return ::testing::AssertionFailure() << "Available " << reader.Available() << " at " << position
                                         << " runs past the stream's end";
  }
  if (std::memcmp(reader.Data(), bytes.data() + position,
                  static_cast<size_t>(reader.Available())) != 0) {
    return ::testing::AssertionFailure() << "bytes at " << position << " differ";
  }
  return ::testing::AssertionSuccess();
}

TEST(StreamReader, SmallRequestReadsOneChunk) {
  ScriptedStream stream(Pattern(100000));
  TMPStreamReader reader(65536);
  reader.Open(&stream, true);
  EXPECT_EQ(reader.Size(), 100000);
  ASSERT_TRUE(reader.Request(4));
  EXPECT_EQ(stream.bytes_read, 16384u);
  EXPECT_EQ(reader.Available(), 16384);
  EXPECT_EQ(reader.Position(), 0);
  EXPECT_TRUE(ShowsStreamBytes(reader, Pattern(100000)));
}

TEST(StreamReader, RequestAcrossTheRingEndMovesTheWrappedPartIntoTheGap) {
  // 536 bytes stay at the ring's end; the stream's last 464 bytes land at its start.
  const auto bytes = Pattern(65536 + 464);
  ScriptedStream stream(bytes);
  TMPStreamReader reader(65536);
  reader.Open(&stream, true);
  ASSERT_TRUE(reader.Request(65536));
  ASSERT_TRUE(reader.Skip(65000));
  ASSERT_TRUE(reader.Request(600));
  EXPECT_EQ(reader.Filled(), 1000);
  EXPECT_EQ(reader.Available(), 1000);
  EXPECT_EQ(reader.Position(), 65000);
  EXPECT_TRUE(ShowsStreamBytes(reader, bytes));
}

TEST(StreamReader, RequestAcrossTheRingEndRotatesWhenThePartsOverlap) {
  const auto bytes = Pattern(1000);
  ScriptedStream stream(bytes);
  TMPStreamReader reader(100);
  reader.Open(&stream, true);
  ASSERT_TRUE(reader.Request(100));
  ASSERT_TRUE(reader.Skip(40));
  ASSERT_TRUE(reader.Fill(90));  // refills the ring: 60 at its end, 40 at its start
  EXPECT_EQ(reader.Filled(), 100);
  EXPECT_EQ(reader.Available(), 60);
  ASSERT_TRUE(reader.Request(90));
  EXPECT_EQ(reader.Available(), 100);
  EXPECT_TRUE(ShowsStreamBytes(reader, bytes));
}

TEST(StreamReader, RequestBeyondTheEndKeepsWhatIsLeftInOnePiece) {
  const auto bytes = Pattern(150);
  ScriptedStream stream(bytes);
  TMPStreamReader reader(100);
  reader.Open(&stream, false);
  ASSERT_TRUE(reader.Request(100));
  ASSERT_TRUE(reader.Skip(90));
  // 10 bytes at the ring's end, the stream's last 50 at its start.
  EXPECT_FALSE(reader.Request(61));
  EXPECT_EQ(reader.Filled(), 60);
  EXPECT_EQ(reader.Available(), 60);
  EXPECT_EQ(reader.Position(), 90);
  EXPECT_TRUE(ShowsStreamBytes(reader, bytes));
  EXPECT_TRUE(reader.Request(60));
  EXPECT_FALSE(reader.Request(61));
}

TEST(StreamReader, AvailableNeverRunsPastTheBufferedBytesAfterSkipAndFailedFill) {
  const auto bytes = Pattern(16390);
  ScriptedStream stream(bytes);
  TMPStreamReader reader(65536);
  reader.Open(&stream, true);
  ASSERT_TRUE(reader.Request(4));
  ASSERT_EQ(reader.Available(), 16384);
  ASSERT_TRUE(reader.Skip(16380));
  EXPECT_EQ(reader.Available(), 4);
  EXPECT_FALSE(reader.Request(1024));
  EXPECT_EQ(reader.Available(), 10);
  EXPECT_TRUE(ShowsStreamBytes(reader, bytes));
}

TEST(StreamReader, ShortReadsAreCollectedUntilTheRequestIsMet) {
  const auto bytes = Pattern(5000);
  ScriptedStream stream(bytes, 7);
  TMPStreamReader reader(1000);
  reader.Open(&stream, false);
  ASSERT_TRUE(reader.Request(1000));
  EXPECT_EQ(reader.Available(), 1000);
  EXPECT_TRUE(ShowsStreamBytes(reader, bytes));
  // Fill asks for what is missing only, never more than the ring's free space.
  EXPECT_LE(stream.bytes_read, 1000u);
}

TEST(StreamReader, FillZeroOnlyRecomputesAvailable) {
  ScriptedStream stream(Pattern(100));
  TMPStreamReader reader(64);
  reader.Open(&stream, true);
  EXPECT_TRUE(reader.Fill(0));
  EXPECT_EQ(stream.reads, 0);
  EXPECT_EQ(reader.Available(), 0);
}

TEST(StreamReader, SkipWithinTheRingNeverTouchesTheStream) {
  const auto bytes = Pattern(50000);
  ScriptedStream stream(bytes);
  TMPStreamReader reader(65536);
  reader.Open(&stream, true);
  ASSERT_TRUE(reader.Request(100));
  const int reads = stream.reads;
  const int seeks = stream.seeks;
  ASSERT_TRUE(reader.Skip(16384));
  EXPECT_EQ(stream.reads, reads);
  EXPECT_EQ(stream.seeks, seeks);
  EXPECT_EQ(reader.Position(), 16384);
  EXPECT_EQ(reader.Filled(), 0);
}

TEST(StreamReader, SeekableSkipPastTheEndRestsAtTheEnd) {
  ScriptedStream stream(Pattern(30000));
  TMPStreamReader reader(65536);
  reader.Open(&stream, true);
  ASSERT_TRUE(reader.Request(4));
  EXPECT_FALSE(reader.Skip(30001));
  EXPECT_EQ(reader.Position(), 30000);
  EXPECT_FALSE(reader.Request(1));
  EXPECT_EQ(reader.Available(), 0);
}

TEST(StreamReader, SeekableSkipBeyondTheRingSeeksToTheExactPosition) {
  const auto bytes = Pattern(300000);
  ScriptedStream stream(bytes);
  TMPStreamReader reader(65536);
  reader.Open(&stream, true);
  ASSERT_TRUE(reader.Request(10));
  ASSERT_TRUE(reader.Skip(5));
  ASSERT_TRUE(reader.Skip(200000));
  EXPECT_EQ(reader.Position(), 200005);
  ASSERT_TRUE(reader.Request(10));
  EXPECT_TRUE(ShowsStreamBytes(reader, bytes));
  EXPECT_TRUE(reader.Skip(300000 - 200005));  // exactly to the end
  EXPECT_EQ(reader.Position(), 300000);
}

TEST(StreamReader, UnseekableSkipReadsThroughTheStream) {
  const auto bytes = Pattern(300000);
  ScriptedStream stream(bytes, 5000);
  TMPStreamReader reader(65536);
  reader.Open(&stream, false);
  ASSERT_TRUE(reader.Request(10));
  ASSERT_TRUE(reader.Skip(200003));
  EXPECT_EQ(reader.Position(), 200003);
  EXPECT_EQ(stream.seeks, 0);
  ASSERT_TRUE(reader.Request(1000));
  EXPECT_TRUE(ShowsStreamBytes(reader, bytes));
  EXPECT_FALSE(reader.Skip(200000));
  EXPECT_EQ(reader.Position(), 300000);
}

TEST(StreamReader, SeekFromTheCurrentPositionCountsFromTheUnconsumedByte) {
  const auto bytes = Pattern(100000);
  ScriptedStream stream(bytes);
  TMPStreamReader reader(65536);
  reader.Open(&stream, true);
  ASSERT_TRUE(reader.Request(1000));
  ASSERT_TRUE(reader.Skip(300));  // the stream itself stands at 16384
  EXPECT_EQ(reader.Seek(1000, SeekOrigin::Current), 1300);
  EXPECT_EQ(reader.Available(), 0);
  EXPECT_EQ(reader.Filled(), 0);
  ASSERT_TRUE(reader.Request(8));
  EXPECT_TRUE(ShowsStreamBytes(reader, bytes));
  EXPECT_EQ(reader.Seek(-100, SeekOrigin::Current), 1200);
  EXPECT_EQ(reader.Seek(-10, SeekOrigin::End), 99990);
  EXPECT_EQ(reader.Seek(5, SeekOrigin::Beginning), 5);
  ASSERT_TRUE(reader.Request(8));
  EXPECT_TRUE(ShowsStreamBytes(reader, bytes));
  EXPECT_THROW(reader.Seek(-6, SeekOrigin::Current), TMPStreamError);
}

TEST(StreamReader, ReadAheadFillsChunkByChunkUntilTheRingIsFull) {
  ScriptedStream stream(Pattern(200000));
  TMPStreamReader reader(40000);
  reader.Open(&stream, true);
  ASSERT_TRUE(reader.ReadAhead());
  EXPECT_EQ(reader.Filled(), 16384);
  ASSERT_TRUE(reader.ReadAhead());
  ASSERT_TRUE(reader.ReadAhead());
  EXPECT_EQ(reader.Filled(), 40000);
  const int reads = stream.reads;
  EXPECT_FALSE(reader.ReadAhead());
  EXPECT_EQ(stream.reads, reads);
}

TEST(StreamReader, ReadAheadAtTheEndOfTheStreamFails) {
  ScriptedStream stream(Pattern(100));
  TMPStreamReader reader(1000);
  reader.Open(&stream, true);
  EXPECT_FALSE(reader.ReadAhead());
  EXPECT_EQ(reader.Filled(), 100);
  EXPECT_FALSE(reader.ReadAhead());
}

TEST(StreamReader, MisuseIsCaughtByAssertions) {
  EXPECT_THROW(TMPStreamReader(0), TMPAssertionError);
  TMPStreamReader reader(64);
  EXPECT_THROW(reader.Open(nullptr, true), TMPAssertionError);
  EXPECT_THROW(reader.Fill(1), TMPAssertionError);
  EXPECT_THROW(reader.Skip(1), TMPAssertionError);
  ScriptedStream stream(Pattern(100));
  reader.Open(&stream, false);
  EXPECT_THROW(reader.Request(65), TMPAssertionError);
  EXPECT_THROW(reader.Fill(-1), TMPAssertionError);
  EXPECT_THROW(reader.Skip(-1), TMPAssertionError);
  EXPECT_THROW(reader.Seek(0, SeekOrigin::Beginning), TMPAssertionError);
  try {
    reader.Request(65);
  } catch (const TMPAssertionError& error) {
    EXPECT_NE(std::string(error.what()).find("MP3Plyr"), std::string::npos) << error.what();
  }
}

class FailingStream final : public TMPStream {
 public:
  size_t Read(uint8_t*, size_t) override { throw TMPStreamError("Read error"); }
  int64_t Seek(int64_t offset, SeekOrigin) override { return offset; }
  int64_t Size() override { return 1000; }
};

TEST(StreamReader, StreamErrorsPassThroughAndTheReaderCanBeReopened) {
  FailingStream failing;
  TMPStreamReader reader(64);
  reader.Open(&failing, true);
  EXPECT_THROW(reader.Request(4), TMPStreamError);
  EXPECT_EQ(reader.Filled(), 0);

  const auto bytes = Pattern(10);
  ScriptedStream stream(bytes);
  reader.Open(&stream, true);
  EXPECT_EQ(reader.Size(), 10);
  ASSERT_TRUE(reader.Request(10));
  EXPECT_TRUE(ShowsStreamBytes(reader, bytes));
  reader.Close();
  EXPECT_FALSE(reader.Opened());
  EXPECT_EQ(reader.Available(), 0);
  EXPECT_THROW(reader.Request(1), TMPAssertionError);
}

// Random requests, skips, read-aheads and seeks on small rings with short reads: whatever the
// order, Data() shows the stream's bytes at Position().
TEST(StreamReader, RandomOperationsAlwaysShowTheStreamsBytes) {
  for (const int32_t capacity : {1, 3, 64, 1000, 20000}) {
    for (const size_t max_read : {size_t{1}, size_t{13}, SIZE_MAX}) {
      for (const bool seekable : {false, true}) {
        const auto bytes = Pattern(60000);
        ScriptedStream stream(bytes, max_read);
        TMPStreamReader reader(capacity);
        reader.Open(&stream, seekable);
        std::mt19937 random(static_cast<unsigned>(capacity * 7 + max_read % 97 + seekable));
        for (int step = 0; step < 400; ++step) {
          SCOPED_TRACE(::testing::Message()
                       << "capacity " << capacity << " max_read " << max_read << " step " << step);
          const int32_t n = static_cast<int32_t>(random() % static_cast<unsigned>(capacity + 1));
          const int64_t left =
              std::max<int64_t>(0, static_cast<int64_t>(bytes.size()) - reader.Position());
          switch (random() % 5) {
            case 0:
            case 1:
              EXPECT_EQ(reader.Request(n), n <= left);
              EXPECT_GE(reader.Available(), std::min<int64_t>(n, left));
              break;
            case 2: {
              const int64_t skip = random() % 3 == 0 ? random() % 70000 : n;
              const int64_t before = reader.Position();
              EXPECT_EQ(reader.Skip(skip), skip <= left);
              EXPECT_EQ(reader.Position(), std::min<int64_t>(before + skip, bytes.size()));
              reader.Fill(0);
              break;
            }
            case 3:
              reader.ReadAhead();
              break;
            case 4:
              if (seekable) reader.Seek(random() % 61000, SeekOrigin::Beginning);
              break;
          }
          ASSERT_TRUE(ShowsStreamBytes(reader, bytes));
          ASSERT_LE(reader.Filled(), capacity);
        }
      }
    }
  }
}

}  // namespace
}  // namespace yumekaze::engine
