// Public interface of the MPEG-1/2/2.5 Layer I/II/III decoder.
//
// Every operation exists twice: on an explicit DecoderState (each player, the CLI, tests and
// fuzzers run decoders of their own, several at once) and on one global instance. Results are
// integers (0 = failure, frame lengths below 1 = invalid); nothing throws and nothing allocates per
// frame.
#pragma once

#include <cstddef>
#include <cstdint>

namespace yumekaze::decoder {

// One raw header field per member, right-aligned, in header order.
struct MpegFrameHeader {
  int32_t SyncKind;   // 0 none, 1 MPEG-1/2, 2 MPEG-2.5
  int32_t VersionId;  // 1 MPEG-1, 0 MPEG-2/2.5
  int32_t Layer;      // 3 = Layer I, 2 = Layer II, 1 = Layer III, 0 reserved
  int32_t ProtectionBit;
  int32_t BitrateIndex;
  int32_t SampleRateIndex;
  int32_t Padding;
  int32_t PrivateBit;
  int32_t Mode;
  int32_t ModeExtension;
  int32_t CopyFlag;
  int32_t HomeFlag;
  int32_t Emphasis;
};

struct MpegOutputInfo {
  int32_t Channels;
  int32_t SamplesPerFrame;  // over all output channels
  int32_t SampleRate;       // Hz
  int32_t BitsPerSample;
  int32_t FrameLength;
  int32_t Reserved;
};

// Why a frame gave no samples, or gave silence in place of them.
enum class DecodeStatus : int32_t {
  kDecoded = 0,
  kTruncated,         // fewer bytes than the frame's length: nothing decoded
  kCorruptHeader,     // no sync, or a header the set-up cannot read: nothing decoded
  kReservoirMissing,  // decoded as silence: its main data lies in frames not seen (recoverable)
  kUnsupported,       // no set-up for this layer or format: nothing decoded
};

struct MpegDecodeResult {
  int32_t BytesConsumed;  // 0 = no frame decoded
  int32_t BytesProduced;
  DecodeStatus Status = DecodeStatus::kDecoded;
};

// DecoderOptions bits.
inline constexpr uint8_t kChannelSelectionMask = 0x03;  // ChannelSelection below
inline constexpr uint8_t kOptionEightBit = 0x08;
inline constexpr uint8_t kOptionFullBand =
    0x10;  // the standard's full bandwidth (32 subbands, 576 lines)

enum ChannelSelection : uint8_t {
  kChannelsAsCoded = 0,
  kChannelsMixToMono = 1,
  kChannelsLeftOnly = 2,
  kChannelsRightOnly = 3,
};

// CpuFeatureFlags bits.
inline constexpr uint32_t kCpuFpu = 0x1;
inline constexpr uint32_t kCpuMMX = 0x2;
inline constexpr uint32_t kCpu3DNow = 0x4;
inline constexpr uint32_t kCpuSSE = 0x8;
inline constexpr uint32_t kCpuCMOV = 0x10;
inline constexpr uint32_t kCpuE3DNow = 0x20;
inline constexpr uint32_t kCpuMMXExt = 0x40;
inline constexpr uint32_t kCpuSSE2 = 0x1000;
inline constexpr uint32_t kCpuAVX2 = 0x2000;
inline constexpr uint32_t kCpuFMA = 0x4000;

// Frame headers and synchronisation; stateless and reentrant.
int32_t DecodeFrameHeader(const uint8_t* bytes, uint32_t length, MpegFrameHeader& header);
int32_t DecodeHeaderAndBitrate(const uint8_t* bytes, uint32_t length, MpegFrameHeader& header,
                               int32_t& bitrate);
int32_t FindFrameHeader(const uint8_t* bytes, uint32_t length, MpegFrameHeader& header,
                        int32_t& bitrate, uint32_t& offset);

struct DecoderState;  // decoder_state.h
DecoderState& GlobalDecoder();

int32_t InitDecoder(DecoderState& decoder, const MpegFrameHeader& header, int32_t frameLength,
                    int32_t shift, int32_t reserved, uint8_t options, int32_t frequencyLimit);
// input points at the first header byte; inputSize is the number of readable bytes there. Bits
// beyond them read as zero. output must hold one frame of PCM (4608 bytes cover every case).
void DecodeFrame(DecoderState& decoder, MpegDecodeResult& result, const uint8_t* input,
                 size_t inputSize, uint8_t* output);
void GetOutputInfo(const DecoderState& decoder, MpegOutputInfo& destination);
void SelectCpuVariants(DecoderState& decoder, uint32_t flags);

int32_t InitDecoder(const MpegFrameHeader& header, int32_t frameLength, int32_t shift,
                    int32_t reserved, uint8_t options, int32_t frequencyLimit);
void DecodeFrame(MpegDecodeResult& result, const uint8_t* input, size_t inputSize, uint8_t* output);
void GetOutputInfo(MpegOutputInfo& destination);
void SelectCpuVariants(uint32_t flags);

// Equalizer gain sets (zero at start: switches off, gains 0).
float* GetSubbandGainPtr(DecoderState& decoder, int index);
int32_t* GetSubbandEqEnabledPtr(DecoderState& decoder);
float* GetLineGainPtr(DecoderState& decoder, int index);
int32_t* GetLineEqEnabledPtr(DecoderState& decoder);
float* GetSubbandGainPtr(int index);
int32_t* GetSubbandEqEnabledPtr();
float* GetLineGainPtr(int index);
int32_t* GetLineEqEnabledPtr();

// The processor's capabilities as CpuFeatureFlags, detected once.
uint32_t GetCpuCapabilities();

}  // namespace yumekaze::decoder
