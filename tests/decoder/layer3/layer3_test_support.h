// Helpers of the Layer III tests: whole-stream decoding through the public API, and hand-made
// Layer III frames.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "decoder/decoder.h"
#include "decoder/decoder_state.h"
#include "decoder/layer3/layer3.h"
#include "decoder/test_support.h"

namespace yumekaze::testing {

// Decodes every frame of a stream with a fresh decoder, resynchronising byte by byte where a
// frame is refused; returns the PCM.
// layer3Variants: CpuFeatureFlags choosing the Layer III routine forms (0: the reference forms).
inline std::vector<uint8_t> DecodeLayer3Stream(const std::vector<uint8_t>& bytes, uint8_t options,
                                               decoder::MpegOutputInfo* info = nullptr,
                                               uint32_t layer3Variants = 0) {
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
  SelectLayer3Variants(*state, layer3Variants);
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

// Side information of one granule and channel, in the order of the bitstream.
struct GranuleFields {
  int Part23Length = 0;
  int BigValues = 0;
  int GlobalGain = 0;
  int ScalefacCompress = 0;
  int WindowSwitching = 0;
  int BlockType = 0;
  int MixedBlock = 0;
  int TableSelect[3] = {0, 0, 0};
  int SubblockGain[3] = {0, 0, 0};
  int Region0Count = 0;
  int Region1Count = 0;
  int Preflag = 0;
  int ScalefacScale = 0;
  int Count1TableSelect = 0;
};

inline void PutGranule(BitWriter& writer, const GranuleFields& g, bool lsf) {
  writer.Put(static_cast<uint32_t>(g.Part23Length), 12);
  writer.Put(static_cast<uint32_t>(g.BigValues), 9);
  writer.Put(static_cast<uint32_t>(g.GlobalGain), 8);
  writer.Put(static_cast<uint32_t>(g.ScalefacCompress), lsf ? 9 : 4);
  writer.Put(static_cast<uint32_t>(g.WindowSwitching), 1);
  if (g.WindowSwitching) {
    writer.Put(static_cast<uint32_t>(g.BlockType), 2);
    writer.Put(static_cast<uint32_t>(g.MixedBlock), 1);
    for (int r = 0; r < 2; ++r) writer.Put(static_cast<uint32_t>(g.TableSelect[r]), 5);
    for (int w = 0; w < 3; ++w) writer.Put(static_cast<uint32_t>(g.SubblockGain[w]), 3);
  } else {
    for (int r = 0; r < 3; ++r) writer.Put(static_cast<uint32_t>(g.TableSelect[r]), 5);
    writer.Put(static_cast<uint32_t>(g.Region0Count), 4);
    writer.Put(static_cast<uint32_t>(g.Region1Count), 3);
  }
  if (!lsf) writer.Put(static_cast<uint32_t>(g.Preflag), 1);
  writer.Put(static_cast<uint32_t>(g.ScalefacScale), 1);
  writer.Put(static_cast<uint32_t>(g.Count1TableSelect), 1);
}

// A whole frame whose granules carry no part 2 and 3 data (silence): header, side information
// with mainDataBegin, and frameBytes in all (zero main data after the side information).
inline std::vector<uint8_t> SilentFrame(const FrameHeaderFields& fields, int mainDataBegin,
                                        size_t frameBytes) {
  BitWriter writer;
  PutHeader(writer, fields);
  const bool lsf = fields.VersionId == 0;
  const int channels = fields.Mode == 3 ? 1 : 2;
  writer.Put(static_cast<uint32_t>(mainDataBegin), lsf ? 8 : 9);
  writer.Put(0, lsf ? channels : (channels == 1 ? 5 : 3));
  if (!lsf) writer.Put(0, 4 * channels);
  for (int gr = 0; gr < (lsf ? 1 : 2); ++gr) {
    for (int ch = 0; ch < channels; ++ch) PutGranule(writer, GranuleFields{}, lsf);
  }
  return writer.Bytes(frameBytes);
}

}  // namespace yumekaze::testing
