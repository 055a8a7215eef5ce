// Decoder set-up and frame dispatch, on explicit instances and on the global one.
#include "decoder/decoder.h"

#include "decoder/decoder_state.h"
#include "decoder/layer12.h"
#include "decoder/layer3/layer3.h"

namespace yumekaze::decoder {
namespace {

constexpr int32_t kLayerI = 3;
constexpr int32_t kLayerII = 2;
constexpr int32_t kLayerIII = 1;

// Fields index tables; a caller-made header may hold anything.
bool FieldsInRange(const MpegFrameHeader& h) {
  return (h.VersionId == 0 || h.VersionId == 1) && h.BitrateIndex >= 0 && h.BitrateIndex < 16 &&
         h.SampleRateIndex >= 0 && h.SampleRateIndex < 4 && h.Mode >= 0 && h.Mode < 4 &&
         h.ModeExtension >= 0 && h.ModeExtension < 4;
}

// Why a frame decoder refused a frame: the header tells a cut-off frame from a bad one.
DecodeStatus RefusalReason(const DecoderState& decoder, const uint8_t* input, size_t inputSize) {
  if (inputSize < 4) return DecodeStatus::kTruncated;
  MpegFrameHeader header{};
  int32_t length = DecodeFrameHeader(input, 0, header);
  if (header.SyncKind == 0 || header.Layer == 0) return DecodeStatus::kCorruptHeader;
  if (header.Layer != decoder.SetupLayer) return DecodeStatus::kUnsupported;
  if (length == 0) length = decoder.FrameLength;  // free format
  if (length <= 0) return DecodeStatus::kCorruptHeader;
  const int32_t padding = header.Layer == kLayerI ? 4 * header.Padding : header.Padding;
  if (inputSize < static_cast<size_t>(length + padding)) return DecodeStatus::kTruncated;
  return DecodeStatus::kCorruptHeader;
}

}  // namespace

DecoderState& GlobalDecoder() {
  static DecoderState decoder;
  return decoder;
}

int32_t InitDecoder(DecoderState& decoder, const MpegFrameHeader& header, int32_t frameLength,
                    int32_t shift, int32_t /*reserved*/, uint8_t options, int32_t frequencyLimit) {
  if (!FieldsInRange(header)) return 0;
  // The frame decoder changes only with a successful set-up, so a refused stream never leaves a
  // layer's decoder running on another layer's configuration.
  FrameDecoderFn frameDecoder = nullptr;
  int32_t accepted = 0;
  switch (header.Layer) {
    case kLayerI:
      accepted = InitLayer1(decoder, header, frameLength, shift, options, frequencyLimit);
      frameDecoder = DecodeLayer1Frame;
      break;
    case kLayerII:
      accepted = InitLayer2(decoder, header, frameLength, shift, options, frequencyLimit);
      frameDecoder = DecodeLayer2Frame;
      break;
    case kLayerIII:
      accepted = InitLayer3(decoder, header, frameLength, shift, options, frequencyLimit);
      frameDecoder = DecodeLayer3Frame;
      break;
    default:
      return 0;
  }
  if (!accepted) return 0;
  decoder.FrameDecoder = frameDecoder;
  decoder.SetupLayer = header.Layer;
  decoder.FrequencyLimit = frequencyLimit;
  return 1;
}

void DecodeFrame(DecoderState& decoder, MpegDecodeResult& result, const uint8_t* input,
                 size_t inputSize, uint8_t* output) {
  if (!decoder.FrameDecoder) {
    result = {0, 0, DecodeStatus::kUnsupported};
    return;
  }
  decoder.FrameDecoder(decoder, result, input, inputSize, output);
  if (result.BytesConsumed <= 0 && result.Status == DecodeStatus::kDecoded) {
    result.Status = RefusalReason(decoder, input, inputSize);
  }
}

void GetOutputInfo(const DecoderState& decoder, MpegOutputInfo& destination) {
  destination = decoder.OutputInfo;
}

void SelectCpuVariants(DecoderState& decoder, uint32_t flags) {
  // The vector forms compute what the reference form does, faster; the 3DNow! form rounds
  // differently and is taken only without them.
  decoder.WindowMono = WindowMonoX87;
  decoder.WindowPair = WindowBothChannels<WindowStereoX87>;
  decoder.Dct = Dct32PairReference;
#if defined(__x86_64__)
  if ((flags & (kCpuAVX2 | kCpuFMA)) == (kCpuAVX2 | kCpuFMA)) {
    decoder.WindowMono = WindowMonoAvx2;
    decoder.WindowPair = WindowPairAvx2;
    decoder.Dct = Dct32Avx2;
  } else if (flags & kCpuSSE2) {
    decoder.WindowMono = WindowMonoSse2;
    decoder.WindowPair = WindowBothChannels<WindowStereoSse2>;
    decoder.Dct = Dct32Sse2;
  } else
#endif
      if (flags & kCpu3DNow) {
    decoder.WindowMono = WindowMono3DNow;
    decoder.WindowPair = WindowBothChannels<WindowStereo3DNow>;
  }
  SelectLayer3Variants(decoder, flags);
}

int32_t InitDecoder(const MpegFrameHeader& header, int32_t frameLength, int32_t shift,
                    int32_t reserved, uint8_t options, int32_t frequencyLimit) {
  return InitDecoder(GlobalDecoder(), header, frameLength, shift, reserved, options,
                     frequencyLimit);
}

void DecodeFrame(MpegDecodeResult& result, const uint8_t* input, size_t inputSize,
                 uint8_t* output) {
  DecodeFrame(GlobalDecoder(), result, input, inputSize, output);
}

void GetOutputInfo(MpegOutputInfo& destination) { GetOutputInfo(GlobalDecoder(), destination); }

void SelectCpuVariants(uint32_t flags) { SelectCpuVariants(GlobalDecoder(), flags); }

}  // namespace yumekaze::decoder
