#include "platform/audio/channel_volume.h"

#include <gtest/gtest.h>

#include <vector>

namespace yumekaze::platform {
namespace {

std::vector<uint8_t> Pcm16(std::initializer_list<int16_t> samples) {
  std::vector<uint8_t> bytes;
  for (int16_t sample : samples) {
    bytes.push_back(static_cast<uint8_t>(sample & 0xFF));
    bytes.push_back(static_cast<uint8_t>((sample >> 8) & 0xFF));
  }
  return bytes;
}

TEST(ChannelVolume, FullVolumeKeepsEveryByte) {
  auto pcm = Pcm16({32767, -32768, 1, -1, 12345});  // ends in a partial stereo frame
  const auto before = pcm;
  ApplyChannelVolume(pcm, 16, 2, 0xFFFFFFFFu);
  EXPECT_EQ(pcm, before);
}

TEST(ChannelVolume, ScalesLeftAndRightByTheirOwnWords) {
  auto pcm = Pcm16({32767, 32767, -32768, -32768, 1000, 1000});
  ApplyChannelVolume(pcm, 16, 2, 16383u + 32767u * 65536);  // left quarter, right half
  EXPECT_EQ(pcm, Pcm16({8191, 16383, -8191, -16383, 249, 499}));  // towards zero
}

TEST(ChannelVolume, MonoTakesTheLeftWordAndZeroMutes) {
  auto mono = Pcm16({20000, -20000});
  ApplyChannelVolume(mono, 16, 1, 0 + 0xFFFFu * 65536);
  EXPECT_EQ(mono, Pcm16({0, 0}));
}

TEST(ChannelVolume, EightBitSamplesScaleAroundTheirMidpoint) {
  std::vector<uint8_t> pcm = {255, 0, 128, 128};
  ApplyChannelVolume(pcm, 8, 2, 32767u + 0u * 65536);
  EXPECT_EQ(pcm, (std::vector<uint8_t>{191, 128, 128, 128}));
}

TEST(ChannelVolume, TrailingPartialFrameIsLeftAlone) {
  auto pcm = Pcm16({1000, 1000, 1000});
  ApplyChannelVolume(pcm, 16, 2, 0);
  EXPECT_EQ(pcm, Pcm16({0, 0, 1000}));
}

}  // namespace
}  // namespace yumekaze::platform
