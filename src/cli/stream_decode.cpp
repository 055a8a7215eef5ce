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
                          decoder::DecoderState& decoder, const ProgressFn& progress,
                          const FormatChangeFn& formatChange) {
  DecodeReport report;
  engine::TMPStreamReader reader(kReaderCapacity);
  engine::TMP3Info info;
  engine::TMPFrameSource source(reader, info, decoder,
                                {.Options = settings.options,
                                 .FrequencyLimit = settings.frequencyLimit,
                                 .Gapless = settings.gapless});
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
    alignas(16) uint8_t pcm[engine::kPcmBufferSize];
    while (!source.AtEndOfData()) {
      const engine::TFrameStep step = source.FindFrame();
      if (step == engine::TFrameStep::Skipped) continue;
      if (step == engine::TFrameStep::NewFormat) {
        report.lastChange = {reader.Position(), source.OutputInfo()};
        if (formatChange) formatChange(report.lastChange);
        if (output.Wav()) {
          report.outcome = DecodeOutcome::kFormatChanged;
          break;
        }
        ++report.formatChanges;
        report.format = source.OutputInfo();
      }
      const int bytes = source.DecodeFrame(pcm);
      ++report.frames;
      report.samples += static_cast<uint64_t>(bytes / (2 * report.format.Channels));
      if (bytes > 0 && !output.Write(pcm, static_cast<size_t>(bytes))) {
        report.outcome = DecodeOutcome::kWriteFailed;
        report.error = errno;
        break;
      }
      if (report.frames % kProgressFrames == 0 && progress) progress(reader.Position());
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
