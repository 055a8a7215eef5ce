#include "cli/stream_decode.h"

#include <algorithm>
#include <cerrno>

#include "decoder/decoder_state.h"
#include "engine/player/equalizer_presets.h"
#include "engine/player/frame_source.h"
#include "engine/player/player_types.h"
#include "engine/player/seek_index.h"
#include "engine/stream/stream_reader.h"
#include "engine/tags/mp3_info.h"

namespace yumekaze::cli {
namespace {

// The player's ring size: room for the largest frame and for reading well ahead of it.
constexpr int32_t kReaderCapacity = 0x10000;
// Progress is reported after this many frames.
constexpr uint64_t kProgressFrames = 256;

// Samples per channel in `milliseconds` at `rate`, rounded down.
int64_t SamplesIn(int64_t milliseconds, int rate) { return milliseconds * rate / 1000; }

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
    // The gain tables follow the stream's rate and layer (lines for Layer III).
    int equalizedLayer = 0;
    auto equalize = [&] {
      if (!settings.equalizer.gainsDb || source.LayerNumber() == equalizedLayer) return;
      equalizedLayer = source.LayerNumber();
      engine::TEqualizerBands bands = engine::BandsFromGains(
          *settings.equalizer.gainsDb, settings.equalizer.mode, report.format.SampleRate);
      engine::FillEqualizerTables(bands, report.format.SampleRate, equalizedLayer, decoder);
    };
    equalize();
    // A start skips decoding up to shortly before it when the input can seek.
    const int64_t start = SamplesIn(settings.startMs, report.format.SampleRate);
    int64_t drop = start;
    if (drop > 0 && input.Seekable()) {
      engine::TMPSeekIndex index;
      index.Build(input, source.AudioStart(), source.AudioLength(), source.LayerNumber());
      const engine::TSeekPoint point = index.Find(drop, source.Trim());
      if (point.PastEnd) {
        report.outcome = DecodeOutcome::kStartPastEnd;
        report.audioSamples = index.TrimmedSamples(source.Trim());
        return report;
      }
      source.SeekTo(point.Offset, point.DecodedSamples);
      drop = point.DropSamples;
    }
    if (!output.Begin(report.format.Channels, report.format.SampleRate)) {
      report.outcome = DecodeOutcome::kWriteFailed;
      report.error = errno;
      return report;
    }
    int64_t left =
        settings.durationMs < 0 ? -1 : SamplesIn(settings.durationMs, report.format.SampleRate);
    alignas(16) uint8_t pcm[engine::kPcmBufferSize];
    while (!source.AtEndOfData() && left != 0) {
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
        equalizedLayer = 0;
      }
      equalize();
      const int sample_bytes = 2 * report.format.Channels;
      int64_t samples = source.DecodeFrame(pcm) / sample_bytes;
      ++report.frames;
      const int64_t dropped = std::min(drop, samples);
      drop -= dropped;
      samples -= dropped;
      if (left >= 0) {
        samples = std::min(samples, left);
        left -= samples;
      }
      report.samples += static_cast<uint64_t>(samples);
      const uint8_t* kept = pcm + dropped * sample_bytes;
      if (samples > 0 && !output.Write(kept, static_cast<size_t>(samples * sample_bytes))) {
        report.outcome = DecodeOutcome::kWriteFailed;
        report.error = errno;
        break;
      }
      if (report.frames % kProgressFrames == 0 && progress) progress(reader.Position());
    }
    // An input that cannot seek shows only now that it ended before the start.
    if (start > 0 && report.outcome == DecodeOutcome::kDone && source.AtEndOfData() &&
        report.samples == 0 && left != 0) {
      report.outcome = DecodeOutcome::kStartPastEnd;
      report.audioSamples = start - drop;
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
