// Set-up completion and header handling shared by Layers I and II.
#include "decoder/layer12_frame.h"

#include <algorithm>

#include "decoder/decoder_setup.h"
#include "decoder/decoder_state.h"
#include "decoder/layer12.h"

namespace yumekaze::decoder {
namespace {

constexpr int32_t kModeSingleChannel = 3;
constexpr int32_t kModeJointStereo = 1;

// By output selector: single channel, then stereo stream as coded, mixed, left, right.
constexpr OutputRoutineFn kFrontEnds[5] = {OutputMono, OutputStereo, OutputMix, OutputLeft,
                                           OutputRight};
constexpr int32_t kOutputChannels[5] = {1, 2, 1, 1, 1};

}  // namespace

int32_t JointStereoBoundFor(int32_t mode, int32_t modeExtension) {
  if (mode == kModeJointStereo) return 8 * (modeExtension + 1);
  return mode == kModeSingleChannel ? 32 : 64;
}

bool Layer12SetupServed(const MpegFrameHeader& header, int32_t frameLength, int32_t shift,
                        uint8_t options) {
  return header.SyncKind == 1 && frameLength > 0 && ClampShift(shift) == 0 &&
         !(options & kOptionEightBit);
}

void CompleteLayer12Setup(DecoderState& decoder, const MpegFrameHeader& header, int32_t frameLength,
                          uint8_t options, int32_t sampleRate, int32_t samplesPerChannel,
                          int32_t clearCount) {
  decoder.FrameLength = frameLength;
  decoder.DownsampleShift = 0;
  decoder.Options = options;
  decoder.CodedChannels = header.Mode == kModeSingleChannel ? 1 : 2;
  if (decoder.CodedChannels == 2) {
    for (int32_t& size : decoder.GroupSizes) size *= 2;
    decoder.AllocSubbands *= 2;
    decoder.SubbandLimit *= 2;
  }
  const int32_t selector = decoder.CodedChannels == 1 ? 0 : (options & kChannelSelectionMask) + 1;
  decoder.OutputRoutine = kFrontEnds[selector];
  MpegOutputInfo& info = decoder.OutputInfo;
  info.Channels = kOutputChannels[selector];
  info.SamplesPerFrame = info.Channels * samplesPerChannel;
  info.SampleRate = sampleRate;
  info.BitsPerSample = 16;
  info.FrameLength = frameLength;
  info.Reserved = 0;
  decoder.BytesPerFrame = 2 * info.SamplesPerFrame;
  std::fill_n(decoder.SubbandSamples, clearCount, 0.0f);
  ResetSynthesis(decoder);
}

bool ReadLayer12Header(DecoderState& decoder, const uint8_t* input, size_t inputSize,
                       int32_t paddingUnit) {
  BitReader& bits = decoder.Bits;
  StartBits(bits, input, inputSize);
  if (ReadBits(bits, 12) != 0xFFF) return false;
  SkipBits(bits, 3);  // version and layer come from the set-up
  const uint32_t protectionBit = ReadBits(bits, 1);
  SkipBits(bits, 6);  // bitrate and sampling frequency
  decoder.PaddingBytes = static_cast<int32_t>(ReadBits(bits, 1)) * paddingUnit;
  SkipBits(bits, 1);
  const uint32_t modeBits = ReadBits(bits, 4);
  // A single-channel set-up has no channel pairs, whatever mode a later frame claims.
  decoder.JointStereoBound =
      decoder.CodedChannels == 2
          ? JointStereoBoundFor(static_cast<int32_t>(modeBits >> 2), modeBits & 3)
          : 64;
  SkipBits(bits, 4);
  if (protectionBit == 0) SkipBits(bits, 16);  // CRC, not verified
  return true;
}

void FinishLayer12Frame(DecoderState& decoder, MpegDecodeResult& result, uint8_t* output,
                        int32_t slotCount) {
  decoder.OutputRoutine(decoder, decoder.SubbandSamples, output, slotCount);
  result.BytesConsumed = decoder.FrameLength + decoder.PaddingBytes;
  result.BytesProduced = decoder.BytesPerFrame;
}

}  // namespace yumekaze::decoder
