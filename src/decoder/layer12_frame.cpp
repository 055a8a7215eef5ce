// Set-up completion and header handling shared by Layers I and II.
#include "decoder/layer12_frame.h"

#include <algorithm>

#include "decoder/decoder_setup.h"
#include "decoder/decoder_state.h"
#include "decoder/layer12.h"

namespace yumekaze::decoder {
namespace {

constexpr int32_t kModeJointStereo = 1;

// By output selector: single channel, then stereo stream as coded, mixed, left, right.
constexpr OutputRoutineFn kFrontEnds[5] = {OutputMono, OutputStereo, OutputMix, OutputLeft,
                                           OutputRight};
constexpr int32_t kOutputChannels[5] = {1, 2, 1, 1, 1};

constexpr int32_t kLayerI = 3;

// What the set-up depends on: version, layer, bitrate, sampling rate and one or two channels,
// in the bit positions of the header's second and third bytes.
uint32_t SetupKey(const MpegFrameHeader& h) {
  return static_cast<uint32_t>((h.VersionId << 3 | h.Layer << 1) << 16 |
                               (h.BitrateIndex << 4 | h.SampleRateIndex << 2) << 8 |
                               (h.Mode == kModeSingleChannel ? 1 : 0));
}

// The same key straight from the header bytes, so that a frame like the one before costs no parse.
uint32_t SetupKey(const uint8_t* bytes) {
  return static_cast<uint32_t>((bytes[1] & 0x0E) << 16 | (bytes[2] & 0xFC) << 8 |
                               ((bytes[3] >> 6) == kModeSingleChannel ? 1 : 0));
}

void DoubleForTwoChannels(DecoderState& decoder) {
  for (int32_t& size : decoder.GroupSizes) size *= 2;
  decoder.AllocSubbands *= 2;
  decoder.SubbandLimit *= 2;
}

// A frame whose header differs from the set-up's: a new bitrate takes its own allocation table
// and length; another channel count or sampling rate needs the whole set-up (a new format).
bool SetUpForFrame(DecoderState& decoder, const MpegFrameHeader& header, int32_t frameLength) {
  if (header.SyncKind != 1 || header.Layer != decoder.SetupLayer) return false;
  if (header.BitrateIndex == 0) frameLength = decoder.FrameLength;  // free format keeps its own
  if (frameLength <= 0) return false;
  const int32_t channels = header.Mode == kModeSingleChannel ? 1 : 2;
  if (channels != decoder.CodedChannels || SampleRateHz(header) != decoder.OutputInfo.SampleRate) {
    return header.Layer == kLayerI ? InitLayer1(decoder, header, frameLength, 0, decoder.Options,
                                                decoder.FrequencyLimit) != 0
                                   : InitLayer2(decoder, header, frameLength, 0, decoder.Options,
                                                decoder.FrequencyLimit) != 0;
  }
  if (header.Layer != kLayerI) {
    if (!SelectLayer2Table(decoder, header)) return false;
    if (channels == 2) DoubleForTwoChannels(decoder);
    // Entries above a lower subband limit are never written again and must read as zero.
    std::fill_n(decoder.SubbandSamples, kSubbandSampleCount, 0.0f);
  }
  decoder.FrameLength = frameLength;
  decoder.OutputInfo.FrameLength = frameLength;
  decoder.Layer12Header = SetupKey(header);
  return true;
}

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
  decoder.Layer12Header = SetupKey(header);
  if (decoder.CodedChannels == 2) DoubleForTwoChannels(decoder);
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
  // Header bytes beyond the input read as zero, like every other bit.
  uint8_t headerBytes[4]{};
  std::copy_n(input, std::min<size_t>(inputSize, 4), headerBytes);
  if (headerBytes[0] != 0xFF || (headerBytes[1] & 0xF0) != 0xF0) return false;
  if (SetupKey(headerBytes) != decoder.Layer12Header) {
    MpegFrameHeader header{};
    const int32_t frameLength = DecodeFrameHeader(headerBytes, 0, header);
    if (!SetUpForFrame(decoder, header, frameLength)) return false;
  }
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
