// Helpers of the Layer III tests: whole-stream decoding through the public API, and hand-made
// Layer III frames.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "decoder/decoder.h"
#include "decoder/decoder_state.h"
#include "decoder/test_support.h"

namespace yumekaze::testing {

// Decodes every frame of a stream with a fresh decoder, resynchronising byte by byte where a
// frame is refused; returns the PCM.
inline std::vector<uint8_t> DecodeLayer3Stream(const std::vector<uint8_t>& bytes, uint8_t options,
                                               decoder::MpegOutputInfo* info = nullptr) {
  using namespace yumekaze::decoder;
  auto state = std::make_unique<DecoderState>();
  MpegFrameHeader header{};
  int32_t bitrate = 0;
  uint32_t offset = 0;
  const int32_t length =
      FindFrameHeader(bytes.data(), static_cast<uint32_t>(bytes.size()), header, bitrate, offset);
  std::vector<uint8_t> pcm;
  if (length <= 0) return pcm;
  if (InitDecoder(*state, header, length, 0, 0, options, 24000) == 0) return pcm;
  if (info != nullptr) GetOutputInfo(*state, *info);
  std::vector<uint8_t> out(4608);
  size_t position = offset;
  while (position + 4 <= bytes.size()) {
    MpegDecodeResult result{};
    DecodeFrame(*state, result, bytes.data() + position, bytes.size() - position, out.data());
    if (result.BytesConsumed <= 0) {
      ++position;
      continue;
    }
    pcm.insert(pcm.end(), out.begin(), out.begin() + result.BytesProduced);
    position += static_cast<size_t>(result.BytesConsumed);
  }
  return pcm;
}

// Header of a Layer III frame: 0xFFF sync (0xFFE for MPEG-2.5) and the fields given.
struct FrameHeaderFields {
  bool Mpeg25 = false;
  int VersionId = 1;
  int ProtectionBit = 1;
  int BitrateIndex = 9;  // 128 kbit/s in MPEG-1
  int SampleRateIndex = 0;
  int Padding = 0;
  int Mode = 0;
  int ModeExtension = 0;
};

inline void PutHeader(BitWriter& writer, const FrameHeaderFields& fields) {
  writer.Put(fields.Mpeg25 ? 0xFFE : 0xFFF, 12);
  writer.Put(static_cast<uint32_t>(fields.VersionId), 1);
  writer.Put(1, 2);  // Layer III
  writer.Put(static_cast<uint32_t>(fields.ProtectionBit), 1);
  writer.Put(static_cast<uint32_t>(fields.BitrateIndex), 4);
  writer.Put(static_cast<uint32_t>(fields.SampleRateIndex), 2);
  writer.Put(static_cast<uint32_t>(fields.Padding), 1);
  writer.Put(0, 1);
  writer.Put(static_cast<uint32_t>(fields.Mode), 2);
  writer.Put(static_cast<uint32_t>(fields.ModeExtension), 2);
  writer.Put(0, 4);
}

inline decoder::MpegFrameHeader ParseHeader(const std::vector<uint8_t>& frame) {
  decoder::MpegFrameHeader header{};
  decoder::DecodeFrameHeader(frame.data(), static_cast<uint32_t>(frame.size()), header);
  return header;
}

}  // namespace yumekaze::testing
