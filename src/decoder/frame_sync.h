// Frame headers as the stream parser sees them, and confirmed synchronisation: a header counts
// only when the headers at the offsets it computes agree with it, so that a stray 0xFFE pattern
// in junk or in a tag never decides where the audio is.
#pragma once

#include <cstddef>
#include <cstdint>

#include "decoder/decoder.h"

namespace yumekaze::decoder {

// Longest frame, padding included: a free-format Layer III frame at 640 kbit/s and 32 kHz (the
// longest with a bitrate index is Layer II at 384 kbit/s and 32 kHz, 1729 bytes).
inline constexpr int32_t kMaxFrameBytes = 2881;
// Headers after a candidate that must agree with it before sync is taken.
inline constexpr int kConfirmFrames = 2;
// Bytes a confirmation may need: the candidate and the following frames plus one header.
inline constexpr int32_t kConfirmWindow = (kConfirmFrames + 1) * kMaxFrameBytes + 4;

struct FrameInfo {
  MpegFrameHeader Header{};
  int32_t Length = 0;      // bytes to the next frame, padding included
  int32_t SampleRate = 0;  // Hz
  int32_t Channels = 0;    // coded channels, 1 or 2
  int32_t Samples = 0;     // PCM samples per channel
  int32_t Bitrate = 0;     // bit/s
};

// Parses the four header bytes at bytes. A free-format header takes freeFormatLength (without
// padding) as its length, and is refused while that is 0. False for anything that is no header.
bool ParseFrameHeader(const uint8_t* bytes, int32_t freeFormatLength, FrameInfo& frame);

// Whether two headers belong to one stream: sync kind, version, layer and sampling rate.
bool SameStream(const MpegFrameHeader& a, const MpegFrameHeader& b);

enum class SyncCheck : uint8_t {
  kConfirmed,  // a header, and the next kConfirmFrames headers agree (or the data ends first)
  kRejected,   // no header here, or one the following bytes contradict
  kNeedMore,   // more bytes are needed to decide (only when !atEnd)
};

// Checks the header at bytes[0] with `available` bytes readable; atEnd says no bytes follow
// them. freeFormatLength holds the stream's free-format length: when it is 0 and the candidate is
// free format, it is measured here (the distance to the next agreeing header) and stored on
// confirmation. Fills frame for a confirmed header.
SyncCheck ConfirmFrame(const uint8_t* bytes, size_t available, bool atEnd,
                       int32_t& freeFormatLength, FrameInfo& frame);

}  // namespace yumekaze::decoder
