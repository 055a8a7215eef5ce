#include "cli/stream_decode.h"

#include <cerrno>

#include "decoder/decoder_state.h"
#include "engine/player/frame_source.h"
#include "engine/player/player_types.h"
#include "engine/stream/stream_reader.h"
#include "engine/tags/mp3_info.h"

namespace yumekaze::cli {
namespace {

// The player's ring size: room for the largest frame and for reading well ahead of it.
constexpr int32_t kReaderCapacity = 0x10000;
// Progress is reported after this many frames.
constexpr uint64_t kProgressFrames = 256;

}  // namespace

DecodeReport DecodeStream(FdStream& input, PcmWriter& output, const DecodeSettings& settings,
                          decoder::DecoderState& decoder, const ProgressFn& progress) {
  DecodeReport report;
  engine::TMPStreamReader reader(kReaderCapacity);
  engine::TMP3Info info;
  engine::TMPFrameSource source(
      reader, info, decoder,
      {.Options = settings.options, .FrequencyLimit = settings.frequencyLimit});
  try {
    reader.Open(&input, input.Seekable());
    decoder::SelectCpuVariants(decoder, settings.cpuFlags);
    source.Open();
    report.format = source.OutputInfo();
    if (!output.Begin(report.format.Channels, report.format.SampleRate)) {
      report.outcome = DecodeOutcome::kWriteFailed;
      report.error = errno;
      return report;
    }
    const int frameBytes = report.format.SamplesPerFrame * report.format.BitsPerSample / 8;
    alignas(16) uint8_t pcm[engine::kPcmBufferSize];
    while (!source.AtEndOfData()) {
      if (source.FindFrame() != engine::TFrameStep::Frame) continue;
      source.DecodeFrame(pcm, frameBytes);
      if (!output.Write(pcm, static_cast<size_t>(frameBytes))) {
        report.outcome = DecodeOutcome::kWriteFailed;
        report.error = errno;
        break;
      }
      if (++report.frames % kProgressFrames == 0 && progress) progress(reader.Position());
    }
  } catch (const engine::TMPFormatError&) {
    report.outcome = DecodeOutcome::kNotMpegAudio;
  } catch (const engine::TMPStreamError&) {
    report.outcome = DecodeOutcome::kReadFailed;
    report.error = input.LastError();
  }
  report.skippedBytes = source.SkippedBytes();
  reader.Close();
  return report;
}

}  // namespace yumekaze::cli
