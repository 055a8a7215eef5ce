#include "decoder/lame_tag.h"

#include <cstring>

#include "decoder/byte_order.h"

namespace yumekaze::decoder {
namespace {

// CRC-16 with the reflected polynomial 0xA001 and start value 0, as the encoder computes it.
uint16_t Crc16(const uint8_t* bytes, size_t size) {
  uint16_t crc = 0;
  for (size_t i = 0; i < size; ++i) {
    crc ^= bytes[i];
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
  }
  return crc;
}

LameReplayGain ReadGain(const uint8_t* p) {
  const uint16_t raw = static_cast<uint16_t>(p[0] << 8 | p[1]);
  LameReplayGain gain;
  gain.Name = static_cast<uint8_t>(raw >> 13);
  gain.Originator = static_cast<uint8_t>((raw >> 10) & 7);
  const int tenths = raw & 0x1FF;
  gain.GainDb = static_cast<float>((raw & 0x200) ? -tenths : tenths) / 10.0f;
  gain.Present = gain.Name != 0 && gain.Originator != 0;
  return gain;
}

}  // namespace

bool ParseLameTag(const uint8_t* frame, size_t frameSize, size_t offset, LameTag& tag) {
  if (offset > frameSize || frameSize - offset < kLameTagSize) return false;
  const uint8_t* p = frame + offset;
  if (p[0] < 0x20 || p[0] > 0x7E) return false;
  tag = LameTag{};
  for (int i = 0; i < 9 && p[i] >= 0x20 && p[i] <= 0x7E; ++i)
    tag.Encoder[i] = static_cast<char>(p[i]);
  tag.TagRevision = p[9] >> 4;
  tag.VbrMethod = p[9] & 0x0F;
  tag.LowpassHz = p[10] * 100;
  // Peak amplitude in fixed point with 23 fraction bits.
  tag.TrackPeak = static_cast<float>(BigEndian32(p + 11)) / static_cast<float>(1 << 23);
  tag.RadioGain = ReadGain(p + 15);
  tag.AudiophileGain = ReadGain(p + 17);
  tag.EncoderDelay = (p[21] << 4) | (p[22] >> 4);
  tag.Padding = ((p[22] & 0x0F) << 8) | p[23];
  tag.MusicLength = BigEndian32(p + 28);
  tag.MusicCrc = static_cast<uint16_t>(p[32] << 8 | p[33]);
  tag.TagCrc = static_cast<uint16_t>(p[34] << 8 | p[35]);
  // The CRC covers the header frame from its first byte up to the CRC itself.
  tag.TagCrcValid = Crc16(frame, offset + kLameTagSize - 2) == tag.TagCrc;
  // Audio bytes after a bare Xing header must not pass for a tag: a known encoder's name, or a
  // CRC that matches.
  constexpr const char* kEncoders[] = {"LAME", "Lavf", "Lavc", "GOGO"};
  for (const char* name : kEncoders) {
    if (std::memcmp(tag.Encoder, name, 4) == 0) return true;
  }
  return tag.TagCrcValid;
}

}  // namespace yumekaze::decoder
