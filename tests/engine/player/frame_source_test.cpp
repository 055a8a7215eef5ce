// Opening a stream (leading junk, "Xing" and "VBRI" frames, a false first header) and stepping
// through its frames (resynchronisation, a broken-off last frame, frames of another format).
#include "engine/player/frame_source.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "decoder/decoder_state.h"
#include "engine/stream/memory_stream.h"
#include "engine/stream/stream_reader.h"
#include "engine/tags/mp3_info.h"
#include "player_test_support.h"

namespace yumekaze::engine::test {
namespace {

void PutBigEndian32(Bytes& bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (24 - 8 * i));
}

Bytes Concat(std::initializer_list<const Bytes*> parts) {
  Bytes all;
  for (const Bytes* part : parts) all.insert(all.end(), part->begin(), part->end());
  return all;
}

Bytes Slice(const Bytes& bytes, size_t from, size_t to) {
  return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(from),
               bytes.begin() + static_cast<std::ptrdiff_t>(to));
}

class FrameSource : public ::testing::Test {
 protected:
  void SetUp() override {
    if (Streams().layer2.empty()) GTEST_SKIP() << "twolame is not installed";
    clean_ = ReadFileBytes(Streams().layer2);
    frames_ = SplitFrames(clean_);
    ASSERT_GT(frames_.size(), 40u);
  }

  // The bytes of frames [first, last).
  Bytes Frames(size_t first, size_t last) const {
    return Slice(clean_, frames_[first].offset,
                 frames_[last - 1].offset + frames_[last - 1].length);
  }

  // A header-only copy of the first frame carrying a VBR header: `tag` at offset 36 (MPEG-1
  // stereo without CRC).
  Bytes VbrFrame(const char* tag) const {
    Bytes frame(frames_[0].length, 0);
    std::memcpy(frame.data(), clean_.data() + frames_[0].offset, 4);
    std::memcpy(frame.data() + 36, tag, 4);
    return frame;
  }

  // Opens bytes as a seekable stream in a player recording to out.wav.
  std::unique_ptr<RecordingPlayer> OpenPlayer(const Bytes& bytes) {
    auto recorder = std::make_unique<RecordingPlayer>(dir_ / "out.wav", 0);
    recorder->player().OpenStream(new TMPMemoryStream(bytes),
                                  TMP3Player::kStreamSeekable | TMP3Player::kStreamOwned);
    return recorder;
  }

  // Plays bytes to their end; the samples must be those of `expected` decoded cleanly.
  void ExpectPlays(const Bytes& bytes, const Bytes& expected) {
    auto recorder = OpenPlayer(bytes);
    ASSERT_TRUE(recorder->PlayToEnd());
    EXPECT_EQ(recorder->EndPlayCount(meprEndOfStream), 1);
    const Bytes want = ReferencePcm(expected);
    const Bytes got = WavSamples(dir_ / "out.wav");
    EXPECT_EQ(got.size(), want.size());
    EXPECT_TRUE(got == want);
  }

  TempDir dir_;
  Bytes clean_;
  std::vector<FrameSpan> frames_;
};

TEST_F(FrameSource, LeadingJunkMovesTheAudioStart) {
  const Bytes junk(700, 0x11);
  const Bytes file = Concat({&junk, &clean_});
  auto recorder = OpenPlayer(file);
  EXPECT_EQ(recorder->player().AudioStart(), 700);
  EXPECT_EQ(recorder->player().AudioLength(), static_cast<int64_t>(clean_.size()));
  recorder.reset();
  ExpectPlays(file, clean_);
}

TEST_F(FrameSource, SyncPatternsInJunkDoNotHideTheStreamAfterThem) {
  Bytes junk(300, 0x22);
  junk[100] = 0xFF;
  junk[101] = 0xF0;  // layer bits 0: reserved
  // A valid MPEG-2 header that no further header confirms.
  const uint8_t lone[4] = {0xFF, 0xF3, 0x90, 0x64};
  std::copy_n(lone, 4, junk.begin() + 200);
  ExpectPlays(Concat({&junk, &clean_}), clean_);
}

TEST_F(FrameSource, XingFrameIsSkippedAndItsByteCountIsOnlyAHint) {
  Bytes xing = VbrFrame("Xing");
  PutBigEndian32(xing, 40, 3);  // frames and bytes follow
  PutBigEndian32(xing, 44, 150);
  PutBigEndian32(xing, 48, 5000);  // fewer bytes than the file holds
  const Bytes file = Concat({&xing, &clean_});
  auto recorder = OpenPlayer(file);
  const TMP3Player& player = recorder->player();
  EXPECT_EQ(player.AudioStart(), static_cast<int64_t>(xing.size()));
  EXPECT_EQ(player.AudioLength(), static_cast<int64_t>(clean_.size()));
  EXPECT_EQ(player.Source().VbrHeader(), TVbrHeaderKind::Xing);
  EXPECT_EQ(player.Source().VbrFrames(), 150);
  recorder.reset();
  ExpectPlays(file, clean_);
}

TEST_F(FrameSource, XingFrameWithoutByteCountKeepsTheFileLength) {
  Bytes xing = VbrFrame("Xing");
  PutBigEndian32(xing, 40, 1);  // frames only
  PutBigEndian32(xing, 44, 150);
  const Bytes file = Concat({&xing, &clean_});
  auto recorder = OpenPlayer(file);
  EXPECT_EQ(recorder->player().AudioLength(), static_cast<int64_t>(clean_.size()));
}

TEST_F(FrameSource, VbriFrameIsSkippedAndItsByteCountIsOnlyAHint) {
  Bytes vbri = VbrFrame("VBRI");
  PutBigEndian32(vbri, 46, 5000);  // fewer bytes than the file holds
  PutBigEndian32(vbri, 50, 99);
  const Bytes file = Concat({&vbri, &clean_});
  auto recorder = OpenPlayer(file);
  const TMP3Player& player = recorder->player();
  EXPECT_EQ(player.AudioStart(), static_cast<int64_t>(vbri.size()));
  EXPECT_EQ(player.AudioLength(), static_cast<int64_t>(clean_.size()));
  EXPECT_EQ(player.Source().VbrHeader(), TVbrHeaderKind::Vbri);
  EXPECT_EQ(player.Source().VbrFrames(), 99);
  recorder.reset();
  ExpectPlays(file, clean_);
}

TEST_F(FrameSource, ZerosBetweenFramesAreSkippedWhateverTheirLength) {
  const Bytes head = Frames(0, 10);
  const Bytes tail = Frames(10, frames_.size());
  for (const size_t count : {1024, 1025, 70000}) {
    const Bytes zeros(count, 0);
    ExpectPlays(Concat({&head, &zeros, &tail}), clean_);
  }
}

TEST_F(FrameSource, HalfAFrameAtTheEndIsDropped) {
  const Bytes whole = Frames(0, 20);
  const Bytes half = Slice(clean_, frames_[20].offset, frames_[20].offset + frames_[20].length / 2);
  ExpectPlays(Concat({&whole, &half}), whole);
  const Bytes header_only = Slice(clean_, frames_[20].offset, frames_[20].offset + 3);
  ExpectPlays(Concat({&whole, &header_only}), whole);
}

TEST_F(FrameSource, FrameOfAnotherSamplingFrequencyIsSkipped) {
  if (Streams().layer2_48.empty()) GTEST_SKIP() << "twolame is not installed";
  const Bytes other = ReadFileBytes(Streams().layer2_48);
  const std::vector<FrameSpan> other_frames = SplitFrames(other);
  ASSERT_GT(other_frames.size(), 5u);
  const Bytes foreign =
      Slice(other, other_frames[5].offset, other_frames[5].offset + other_frames[5].length);
  const Bytes head = Frames(0, 10);
  const Bytes tail = Frames(10, frames_.size());
  ExpectPlays(Concat({&head, &foreign, &tail}), clean_);
}

TEST_F(FrameSource, FrameOfAnotherBitrateIsDecodedWithItsOwnLength) {
  if (Streams().layer2_128.empty()) GTEST_SKIP() << "twolame is not installed";
  const Bytes other = ReadFileBytes(Streams().layer2_128);
  const std::vector<FrameSpan> other_frames = SplitFrames(other);
  const Bytes foreign =
      Slice(other, other_frames[5].offset, other_frames[5].offset + other_frames[5].length);
  const Bytes head = Frames(0, 10);
  const Bytes tail = Frames(10, frames_.size());
  const Bytes file = Concat({&head, &foreign, &tail});
  ExpectPlays(file, file);
}

TEST_F(FrameSource, SourceStepsThroughAStreamOnItsOwn) {
  TMPStreamReader reader(0x10000);
  TMP3Info info;
  auto decoder = std::make_unique<decoder::DecoderState>();
  TMPFrameSource source(reader, info, *decoder);
  TMPMemoryStream stream(clean_);
  reader.Open(&stream, true);
  source.Open();
  EXPECT_EQ(source.LayerNumber(), 2);
  EXPECT_EQ(source.MpegVersion(), 1);
  EXPECT_EQ(source.OutputInfo().SampleRate, 44100);
  EXPECT_EQ(source.FirstBitrate(), 192000);
  EXPECT_EQ(source.CurrentFrameLength(), static_cast<int32_t>(frames_[0].length));
  size_t frames = 0;
  uint8_t pcm[kPcmBufferSize];
  while (!source.AtEndOfData()) {
    if (source.FindFrame() == TFrameStep::Frame) {
      EXPECT_EQ(source.CurrentFrameLength(), static_cast<int32_t>(frames_[frames].length));
      source.DecodeFrame(pcm);
      ++frames;
    }
  }
  EXPECT_EQ(frames, frames_.size());

  // Rewound, it starts over from the first frame.
  source.Rewind();
  ASSERT_EQ(source.FindFrame(), TFrameStep::Frame);
  EXPECT_EQ(reader.Position(), 0);

  // Sent to frame 30 (Layer II keeps no state but the synthesis history), the PCM from the
  // frame after it on is the whole decode's.
  const Bytes whole = ReferencePcm(clean_);
  const size_t frame_bytes = whole.size() / frames_.size();
  source.SeekTo(static_cast<int64_t>(frames_[30].offset), 30 * 1152);
  Bytes after;
  while (!source.AtEndOfData()) {
    if (source.FindFrame() == TFrameStep::Skipped) continue;
    const int bytes = source.DecodeFrame(pcm);
    after.insert(after.end(), pcm, pcm + bytes);
  }
  ASSERT_EQ(after.size(), whole.size() - 30 * frame_bytes);
  EXPECT_TRUE(std::equal(after.begin() + static_cast<long>(frame_bytes), after.end(),
                         whole.begin() + static_cast<long>(31 * frame_bytes)));
}

}  // namespace
}  // namespace yumekaze::engine::test
