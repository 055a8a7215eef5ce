// The inputs the fuzz targets found, kept as regression tests: each once made a check fail or a
// sanitizer report. The decoder's runs under AddressSanitizer and UndefinedBehaviorSanitizer in
// ./test; the player's fail in any build.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "decoder/decoder.h"
#include "decoder/decoder_state.h"
#include "engine/player/mp3_player.h"
#include "engine/player/player_test_support.h"
#include "engine/stream/memory_stream.h"
#include "observed_device.h"
#include "watchdog.h"

namespace yumekaze::robustness {
namespace {

using engine::TMP3Player;
using engine::test::Bytes;
using engine::test::RecordingPlayer;

// A Layer I joint-stereo frame, cut short, whose forbidden allocations shift the pairing of the
// joint region so that a pair starts at the last coded entry: the second sample of that pair
// lies past the frame's tables. Decoded with every subband and an unknown option bit.
TEST(FuzzFindings, LayerOneJointPairAtTheLastEntryStaysInsideTheFrame) {
  const uint8_t stream[] = {0xFF, 0xFF, 0xC0, 0x45, 0x00, 0xFC, 0x61, 0x3F, 0xC0, 0xA3, 0x01,
                            0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x8A, 0x38, 0x12, 0x8A, 0x8A};
  decoder::MpegFrameHeader header{};
  int32_t bitrate = 0;
  uint32_t offset = 0;
  const int32_t length = decoder::FindFrameHeader(stream, sizeof stream, header, bitrate, offset);
  ASSERT_GT(length, 0);
  ASSERT_EQ(offset, 0u);
  ASSERT_EQ(header.Layer, 3) << "Layer I";
  auto state = std::make_unique<decoder::DecoderState>();
  decoder::SelectCpuVariants(*state, decoder::kCpuCMOV);
  ASSERT_NE(decoder::InitDecoder(*state, header, length, 0, 0, 0x90, 0x9090 * 4), 0);
  decoder::MpegOutputInfo info{};
  decoder::GetOutputInfo(*state, info);
  std::vector<uint8_t> pcm(4608);
  decoder::MpegDecodeResult result{};
  decoder::DecodeFrame(*state, result, stream, sizeof stream, pcm.data());
  EXPECT_GE(result.BytesConsumed, 0);
  if (result.BytesConsumed > 0) {
    EXPECT_EQ(result.BytesProduced, info.SamplesPerFrame * info.BitsPerSample / 8);
  }
}

// One decoder set up again and again, as the player's is for file after file: a stereo Layer I
// set-up after a Layer II one doubled the Layer II group sizes each time, until they overflowed.
TEST(FuzzFindings, RepeatedLayerOneSetUpsAfterLayerTwoKeepTheGroupSizes) {
  const uint8_t layer2[] = {0xFF, 0xFD, 0xA0, 0x04};  // MPEG-1 Layer II, 192 kbit/s, stereo
  const uint8_t layer1[] = {0xFF, 0xFF, 0xC0, 0x04};  // MPEG-1 Layer I, 384 kbit/s, stereo
  const auto setUp = [](decoder::DecoderState& state, const uint8_t* bytes) {
    decoder::MpegFrameHeader header{};
    const int32_t length = decoder::DecodeFrameHeader(bytes, 4, header);
    return length > 0 && decoder::InitDecoder(state, header, length, 0, 0, 0, 24000) != 0;
  };
  auto state = std::make_unique<decoder::DecoderState>();
  ASSERT_TRUE(setUp(*state, layer2));
  for (int round = 0; round < 40; ++round) {
    ASSERT_TRUE(setUp(*state, layer1));
    for (const int32_t size : state->GroupSizes) {
      ASSERT_TRUE(size >= 0 && size <= 64) << "set-up " << round << ": group size " << size;
    }
  }
  ASSERT_TRUE(setUp(*state, layer2));
  int32_t subbands = 0;
  for (const int32_t size : state->GroupSizes) subbands += size;
  EXPECT_EQ(subbands, state->AllocSubbands);
}

class PlayerFinding : public ::testing::Test {
 protected:
  void SetUp() override {
    if (engine::test::Streams().layer2_short.empty() || engine::test::Streams().layer3.empty()) {
      GTEST_SKIP() << "twolame or lame is missing: no test streams";
    }
  }

  // Opens bytes as a file or as a stream that cannot seek; checks where the player puts the
  // audio, then plays to the end.
  // expectedLength: -1 when any; insideFile: the audio length stays inside the bytes.
  static void OpenAndPlay(const Bytes& bytes, bool seekable, int64_t expectedLength,
                          bool insideFile) {
    SCOPED_TRACE(seekable ? "seekable" : "not seekable");
    const Watchdog watchdog(std::chrono::seconds(120), "a fuzz finding's playback");
    RecordingPlayer recorder(
        std::make_unique<ObservedDevice>(0.0, std::make_shared<DeviceObserver>()));
    TMP3Player& player = recorder.player();
    player.OpenStream(new engine::TMPMemoryStream(bytes),
                      TMP3Player::kStreamOwned | (seekable ? TMP3Player::kStreamSeekable : 0));
    const int64_t size = static_cast<int64_t>(bytes.size());
    EXPECT_GE(player.AudioStart(), 0);
    EXPECT_LE(player.AudioStart(), size);
    if (expectedLength >= 0) {
      EXPECT_EQ(player.AudioLength(), expectedLength);
    }
    EXPECT_GE(player.AudioLength(), 0);
    if (seekable && insideFile) {
      EXPECT_LE(player.AudioStart() + player.AudioLength(), size);
    }
    ASSERT_TRUE(recorder.PlayToEnd()) << "playback hung";
    EXPECT_EQ(recorder.EndPlayCount(engine::meprEndOfStream), 1);
  }
};

// A MacBinary header whose data fork is empty, with audio two bytes further on (in the resource
// fork): the audio the file holds is empty, not of negative length.
TEST_F(PlayerFinding, MacBinaryWithAnEmptyDataForkHasNoAudio) {
  Bytes file(128, 0);
  file[1] = 8;
  std::copy_n("seed.mp3", 8, file.begin() + 2);
  file[88] = 0x05;  // resource fork: 80 MiB
  file.insert(file.end(), {0x00, 0x00});
  const Bytes audio = engine::test::ReadFileBytes(engine::test::Streams().layer2_short);
  file.insert(file.end(), audio.begin(), audio.begin() + 2000);
  OpenAndPlay(file, true, 0, true);
  OpenAndPlay(file, false, 0, true);
}

// A cut download of a VBR file: its "Xing" frame counts more bytes than are left. The player
// takes the count as it is and plays the frames that are there to their end.
TEST_F(PlayerFinding, XingByteCountPastTheEndOfACutFile) {
  const Bytes whole = engine::test::ReadFileBytes(engine::test::Streams().layer3);
  const Bytes cut(whole.begin(), whole.begin() + static_cast<long>(whole.size() / 3));
  OpenAndPlay(cut, true, -1, false);
  OpenAndPlay(cut, false, -1, false);
}

}  // namespace
}  // namespace yumekaze::robustness
