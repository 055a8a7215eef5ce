// Frame decoding: sync, side information, bit reservoir and the granules of one frame.
#include "decoder/layer3/frame_decoder.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "decoder/decoder_state.h"
#include "decoder/layer3/granule.h"
#include "decoder/layer3/layer3.h"
#include "decoder/layer3/reservoir.h"
#include "decoder/layer3/side_info.h"

namespace yumekaze::decoder {
namespace {

int32_t ClampSize(size_t size) { return static_cast<int32_t>(std::min<size_t>(size, INT32_MAX)); }

// Appends the frame's main data; false when the frame is refused.
bool TakeMainData(Layer3State& state, const uint8_t* input, int32_t inputSize, int32_t frameBytes,
                  int32_t sideInfoBytes) {
  const int32_t offset = sideInfoBytes + state.Frame.CrcBytes;
  const int32_t size = frameBytes - offset;
  const int32_t available = std::max(inputSize - offset, 0);
  return AppendMainData(state, input + std::min(offset, inputSize), available, size);
}

// A frame whose main data began in frames not seen (after a seek or a cut) plays as silence.
DecodeStatus ReservoirStatus(const Layer3State& state) {
  return state.MainDataStart < 0 ? DecodeStatus::kReservoirMissing : DecodeStatus::kDecoded;
}

}  // namespace

void DecodeLayer3FrameMpeg1(DecoderState& decoder, MpegDecodeResult& result, const uint8_t* input,
                            size_t inputSize, uint8_t* output) {
  Layer3State& state = decoder.layer3;
  const int32_t size = ClampSize(inputSize);
  result = {0, 0};
  StartReader(state.Reader, input, size, 0);
  if (GetBits(state.Reader, 12) != 0xFFF) return;
  state.Frame.Mpeg25 = 0;
  const int32_t sideInfoBytes = ReadSideInfoMpeg1(state.Reader, state.Frame, state.FrameLength,
                                                  state.SideInfo, state.GainOffset);
  const int32_t frameBytes = state.FrameLength + state.Frame.Padding;
  if (!TakeMainData(state, input, size, frameBytes, sideInfoBytes)) return;
  if (state.MainDataStart < 0) {
    std::memset(output, state.SilenceByte, static_cast<size_t>(state.BytesPerFrame));
  } else {
    state.MainDataBitPos = state.MainDataStart * 8;
    DecodeGranule(decoder, output, 0);
    DecodeGranule(decoder, output + state.BytesPerFrame / 2, 1);
  }
  result = {frameBytes, state.BytesPerFrame, ReservoirStatus(state)};
}

void DecodeLayer3FrameLsf(DecoderState& decoder, MpegDecodeResult& result, const uint8_t* input,
                          size_t inputSize, uint8_t* output) {
  Layer3State& state = decoder.layer3;
  const int32_t size = ClampSize(inputSize);
  result = {0, 0};
  StartReader(state.Reader, input, size, 0);
  const uint32_t sync = GetBits(state.Reader, 12);
  if (sync != 0xFFF && sync != 0xFFE) return;
  state.Frame.Mpeg25 = sync == 0xFFE ? 1 : 0;
  const int32_t slot = state.GranuleSlot & 1;
  const int32_t sideInfoBytes = ReadSideInfoLsf(state.Reader, state.Frame, state.FrameLength,
                                                state.SideInfo, slot, state.GainOffset);
  const int32_t frameBytes = state.FrameLength + state.Frame.Padding;
  if (!TakeMainData(state, input, size, frameBytes, sideInfoBytes)) return;
  if (state.MainDataStart < 0) {
    std::memset(output, state.SilenceByte, static_cast<size_t>(state.BytesPerFrame));
  } else {
    state.MainDataBitPos = state.MainDataStart * 8;
    DecodeGranule(decoder, output, slot);
  }
  state.GranuleSlot = slot ^ 1;
  result = {frameBytes, state.BytesPerFrame, ReservoirStatus(state)};
}

void DecodeLayer3Frame(DecoderState& decoder, MpegDecodeResult& result, const uint8_t* input,
                       size_t inputSize, uint8_t* output) {
  if (decoder.layer3.FrameDecoder == nullptr) {
    result = {0, 0};
    return;
  }
  decoder.layer3.FrameDecoder(decoder, result, input, inputSize, output);
}

}  // namespace yumekaze::decoder
