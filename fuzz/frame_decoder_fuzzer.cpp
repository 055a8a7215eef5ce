// Fuzzes the frame decoder: InitDecoder from the first frame header found, then DecodeFrame on
// every frame-sized piece that follows, for any layer, version and set-up.
//
// Input: five control bytes, then the stream.
//   [0] DecoderOptions, passed as they are (unknown bits included)
//   [1] low 2 bits: down-sampling shift 0..3 (3 is out of range); bit 2: hand each frame every
//       byte up to the end of the input instead of its own length; bit 3: set the decoder up
//       again at every frame whose header parses (a rewind or a new stream)
//   [2..3] frequency limit in units of 4 Hz (0..262140 Hz)
//   [4] CPU variants: the 3DNow!/extended 3DNow!/CMOV forms (portable code) chosen by bits
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "decoder/decoder.h"
#include "decoder/decoder_state.h"

using namespace yumekaze::decoder;

namespace {

constexpr size_t kControlBytes = 5;
// One frame of PCM at most (1152 stereo samples of 16 bits); exactly this much, so that the
// sanitizer sees a write past it.
constexpr size_t kPcmBytes = 4608;
// Frames decoded per input at most; keeps each run short on long inputs of tiny frames.
constexpr int kMaxFrames = 2000;

// A failed check names itself, then aborts so that libFuzzer keeps the input.
#define Check(condition) ((condition) ? void() : Fail(#condition, __LINE__))

[[noreturn]] void Fail(const char* condition, int line) {
  std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, line, condition);
  std::abort();
}

uint32_t CpuFlagsFrom(uint8_t choice) {
  const uint32_t chosen =
      (choice & 1 ? kCpu3DNow : 0) | (choice & 2 ? kCpuE3DNow : 0) | (choice & 4 ? kCpuCMOV : 0);
  // Processor-specific forms only when the processor has them.
  const uint32_t detected = GetCpuCapabilities() & ~(kCpu3DNow | kCpuE3DNow | kCpuCMOV);
  return chosen | (choice & 8 ? detected : 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < kControlBytes + 4) return 0;
  const uint8_t options = data[0];
  const int32_t shift = data[1] & 3;
  const bool wholeRest = data[1] & 4;
  const bool reinitEachFrame = data[1] & 8;
  const int32_t frequencyLimit = ((data[2] << 8) | data[3]) * 4;
  const uint32_t cpuFlags = CpuFlagsFrom(data[4]);
  const uint8_t* stream = data + kControlBytes;
  const size_t streamSize = size - kControlBytes;

  MpegFrameHeader header{};
  int32_t bitrate = 0;
  uint32_t offset = 0;
  const int32_t firstLength =
      FindFrameHeader(stream, static_cast<uint32_t>(streamSize), header, bitrate, offset);
  if (firstLength <= 0) return 0;
  Check(offset < streamSize);

  auto decoder = std::make_unique<DecoderState>();
  SelectCpuVariants(*decoder, cpuFlags);
  if (!InitDecoder(*decoder, header, firstLength, shift, 0, options, frequencyLimit)) return 0;
  MpegOutputInfo info{};
  GetOutputInfo(*decoder, info);
  Check(info.Channels >= 1 && info.Channels <= 2);
  const size_t frameBytes = static_cast<size_t>(info.SamplesPerFrame) * info.BitsPerSample / 8;
  Check(frameBytes > 0 && frameBytes <= kPcmBytes);

  auto pcm = std::make_unique<uint8_t[]>(kPcmBytes);
  size_t position = offset;
  for (int frame = 0; frame < kMaxFrames && position + 4 <= streamSize; ++frame) {
    const uint8_t* at = stream + position;
    const size_t rest = streamSize - position;
    MpegFrameHeader frameHeader{};
    int32_t length = DecodeFrameHeader(at, static_cast<uint32_t>(rest), frameHeader);
    if (length > 0) {
      if (reinitEachFrame) {
        InitDecoder(*decoder, frameHeader, length, shift, 0, options, frequencyLimit);
        GetOutputInfo(*decoder, info);
      }
      length += frameHeader.Padding * (frameHeader.Layer == 3 ? 4 : 1);
    } else {
      length = firstLength;
    }
    const size_t inputSize = wholeRest ? rest : std::min(rest, static_cast<size_t>(length));
    MpegDecodeResult result{};
    DecodeFrame(*decoder, result, at, inputSize, pcm.get());
    Check(result.BytesConsumed >= 0 && result.BytesProduced >= 0);
    Check(static_cast<size_t>(result.BytesProduced) <= kPcmBytes);
    if (result.BytesConsumed > 0) {
      // Layers I and II take their channels from each frame: the format is the frame's own.
      GetOutputInfo(*decoder, info);
      Check(info.Channels >= 1 && info.Channels <= 2);
      Check(result.BytesProduced == info.SamplesPerFrame * info.BitsPerSample / 8);
    }
    position += static_cast<size_t>(std::max(length, 1));
  }
  return 0;
}
