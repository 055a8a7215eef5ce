#include "cli/stream_decode.h"

#include <array>
#include <cstring>

#include "decoder/decoder_state.h"
#include "decoder/frame_header.h"

namespace yumekaze::cli {
namespace {

using decoder::MpegFrameHeader;

// Bytes the first sync scan looks at; also covers a free-format measurement window.
constexpr size_t kScanBytes = decoder::kFreeFormatWindow;
// Consecutive bytes skipped while resynchronising before the stream is taken to end.
constexpr int kMaxResyncBytes = 1024;
constexpr size_t kMaxPcmBytes = 4608;
constexpr int32_t kLayerI = 3;

// Size of an ID3v2 tag at the start of the data, or 0. Its bytes could look like a frame sync.
size_t LeadingId3v2Size(const uint8_t* bytes, size_t available) {
  if (available < 10 || std::memcmp(bytes, "ID3", 3) != 0) return 0;
  if ((bytes[6] | bytes[7] | bytes[8] | bytes[9]) & 0x80) return 0;  // sizes are 7-bit
  const size_t size = (size_t{bytes[6]} << 21) | (size_t{bytes[7]} << 14) |
                      (size_t{bytes[8]} << 7) | size_t{bytes[9]};
  const bool footer = bytes[5] & 0x10;
  return 10 + size + (footer ? 10 : 0);
}

class FrameMatcher {
 public:
  FrameMatcher(const uint8_t* first, int32_t freeFormatLength)
      : freeFormatLength_(freeFormatLength) {
    std::memcpy(first_.data(), first, 4);
  }

  // Length (with padding) of the frame at bytes, or 0 when it does not start a frame of the
  // stream: same sync, version, layer and sampling frequency as the first frame. Bitrate,
  // padding, private bit, mode and the fourth byte may change.
  int32_t FrameLengthAt(const uint8_t* bytes) const {
    if (bytes[0] != first_[0] || (bytes[1] & 0xFE) != (first_[1] & 0xFE) ||
        (bytes[2] & 0x0C) != (first_[2] & 0x0C)) {
      return 0;
    }
    MpegFrameHeader header{};
    int32_t length = decoder::DecodeFrameHeader(bytes, 0, header);
    if (header.SyncKind != 0 && header.Layer != 0 && header.BitrateIndex == 0) {
      length = freeFormatLength_;  // measured once on the first frame
    }
    if (length <= 0) return 0;
    return length + header.Padding * (header.Layer == kLayerI ? 4 : 1);
  }

 private:
  std::array<uint8_t, 4> first_{};
  int32_t freeFormatLength_;
};

}  // namespace

DecodeReport DecodeStream(InputBuffer& input, PcmWriter& output, const DecodeSettings& settings,
                          decoder::DecoderState& decoder, const ProgressFn& progress) {
  DecodeReport report;
  auto fail = [&report](DecodeOutcome outcome) {
    report.outcome = outcome;
    return report;
  };
  if (!input.Request(kScanBytes)) return fail(DecodeOutcome::kReadFailed);
  if (const size_t tag = LeadingId3v2Size(input.Data(), input.Available()); tag > 0) {
    while (tag > input.Position() && input.Available() > 0) {
      input.Skip(tag - input.Position());
      if (!input.Request(kScanBytes)) return fail(DecodeOutcome::kReadFailed);
    }
  }

  MpegFrameHeader header{};
  int32_t bitrate = 0;
  uint32_t offset = 0;
  if (decoder::FindFrameHeader(input.Data(), static_cast<uint32_t>(input.Available()), header,
                               bitrate, offset) <= 0) {
    return fail(DecodeOutcome::kNotMpegAudio);
  }
  // Parse again at the frame, with a full window behind it for a free-format measurement.
  input.Skip(offset);
  if (!input.Request(kScanBytes)) return fail(DecodeOutcome::kReadFailed);
  const int32_t firstLength =
      decoder::DecodeFrameHeader(input.Data(), static_cast<uint32_t>(input.Available()), header);
  if (firstLength <= 0) return fail(DecodeOutcome::kNotMpegAudio);
  const FrameMatcher matcher(input.Data(), header.BitrateIndex == 0 ? firstLength : 0);

  decoder::SelectCpuVariants(decoder, settings.cpuFlags);
  if (!decoder::InitDecoder(decoder, header, firstLength, 0, 0, settings.options,
                            settings.frequencyLimit)) {
    return fail(DecodeOutcome::kNotMpegAudio);
  }
  decoder::GetOutputInfo(decoder, report.format);
  if (!output.Begin(report.format.Channels, report.format.SampleRate)) {
    return fail(DecodeOutcome::kWriteFailed);
  }

  const size_t frameBytes =
      static_cast<size_t>(report.format.SamplesPerFrame) * report.format.BitsPerSample / 8;
  if (frameBytes == 0 || frameBytes > kMaxPcmBytes) return fail(DecodeOutcome::kNotMpegAudio);
  std::array<uint8_t, kMaxPcmBytes> pcm{};
  int resyncCount = 0;
  for (;;) {
    if (!input.Request(4)) return fail(DecodeOutcome::kReadFailed);
    if (input.Available() < 4) break;
    const int32_t length = matcher.FrameLengthAt(input.Data());
    if (length <= 0) {
      // Not a frame of this stream: skip a byte; a long run of them ends the stream.
      if (resyncCount >= kMaxResyncBytes) break;
      input.Skip(1);
      ++resyncCount;
      ++report.skippedBytes;
      continue;
    }
    if (!input.Request(static_cast<size_t>(length))) return fail(DecodeOutcome::kReadFailed);
    if (input.Available() < static_cast<size_t>(length)) break;  // a cut-off last frame
    decoder::MpegDecodeResult result{};
    decoder::DecodeFrame(decoder, result, input.Data(), static_cast<size_t>(length), pcm.data());
    // A frame the decoder refuses plays as one frame of silence.
    if (result.BytesConsumed <= 0) std::memset(pcm.data(), 0, frameBytes);
    if (!output.Write(pcm.data(), frameBytes)) return fail(DecodeOutcome::kWriteFailed);
    input.Skip(static_cast<size_t>(length));
    resyncCount = 0;
    ++report.frames;
    if (progress && report.frames % 256 == 0) progress(input.Position());
  }
  return report;
}

}  // namespace yumekaze::cli
