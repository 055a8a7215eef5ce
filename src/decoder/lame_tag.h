// The LAME extension that follows a "Xing"/"Info" header: encoder, encoder delay and padding
// (for gapless playback) and the ReplayGain fields.
#pragma once

#include <cstddef>
#include <cstdint>

namespace yumekaze::decoder {

// Bytes of the extension, from its encoder string to its CRC.
inline constexpr size_t kLameTagSize = 36;

// A ReplayGain field: 3 bits name (1 radio/track, 2 audiophile/album), 3 bits originator, sign
// and 9 bits of tenths of a dB.
struct LameReplayGain {
  bool Present = false;  // name and value set
  uint8_t Name = 0;
  uint8_t Originator = 0;
  float GainDb = 0.0f;
};

struct LameTag {
  char Encoder[10]{};  // up to 9 characters, zero-terminated ("LAME3.100")
  uint8_t TagRevision = 0;
  uint8_t VbrMethod = 0;  // 1 CBR, 2 ABR, 3-6 VBR, 8 CBR two-pass, 9 ABR two-pass
  int32_t LowpassHz = 0;
  float TrackPeak = 0.0f;  // 1.0 = full scale; 0 when not stored
  LameReplayGain RadioGain;
  LameReplayGain AudiophileGain;
  int32_t EncoderDelay = 0;  // samples the encoder put before the audio
  int32_t Padding = 0;       // samples it appended after it
  uint32_t MusicLength = 0;  // bytes from the header frame to the last audio frame
  uint16_t MusicCrc = 0;
  uint16_t TagCrc = 0;
  bool TagCrcValid = false;  // the stored CRC matches the header frame's bytes
};

// Parses the extension at frame + offset (the header frame's bytes, frameSize of them). False
// when there is none: too few bytes, or neither a known encoder's name nor a matching CRC.
bool ParseLameTag(const uint8_t* frame, size_t frameSize, size_t offset, LameTag& tag);

}  // namespace yumekaze::decoder
