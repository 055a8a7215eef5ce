#include "cli/info_fields.h"

#include <cmath>
#include <string>

namespace yumekaze::cli {

namespace {
constexpr const char* kVersions[] = {"", "MPEG-1", "MPEG-2", "MPEG-2.5"};
constexpr const char* kModeNames[] = {"stereo", "joint stereo", "dual channel", "single channel"};
}  // namespace

TStreamFacts StreamFacts(const engine::TMPTrackProbe& probe) {
  const engine::TMPFrameSource& source = probe.File->Source;
  const decoder::MpegOutputInfo& output = source.OutputInfo();
  TStreamFacts facts;
  facts.version = kVersions[source.MpegVersion()];
  facts.layer = source.LayerNumber();
  facts.sample_rate = output.SampleRate;
  facts.channels = output.Channels;
  facts.mode = kModeNames[source.FirstHeader().Mode & 3];
  facts.first_bitrate_kbps = source.FirstBitrate() / 1000;
  facts.free_format = source.FreeFormatLength() > 0;
  switch (source.VbrHeader()) {
    case engine::TVbrHeaderKind::None:
      facts.vbr_header = "none";
      break;
    case engine::TVbrHeaderKind::Xing:
      facts.vbr_header = "Xing";
      break;
    case engine::TVbrHeaderKind::Vbri:
      facts.vbr_header = "VBRI";
      break;
  }
  const decoder::VbrHeader& header = source.HeaderFrame();
  if (source.VbrHeader() != engine::TVbrHeaderKind::None) facts.vbr_frames = header.Frames;
  facts.audio_start = source.AudioStart();
  facts.audio_length = probe.AudioBytes;
  if (!facts.audio_length && source.AudioLength() < engine::kUnknownAudioLength) {
    facts.audio_length = source.AudioLength();
  }
  facts.samples = probe.Samples;
  if (probe.Samples && facts.sample_rate > 0) {
    facts.duration_ms = (*probe.Samples * 1000 + facts.sample_rate / 2) / facts.sample_rate;
  } else if (probe.Seconds) {
    facts.duration_ms = std::llround(*probe.Seconds * 1000);
    facts.duration_estimated = true;
  }
  if (probe.HeaderDisagrees) {
    facts.length_note = "the header frame counts " + std::to_string(header.Frames) + " frames in " +
                        std::to_string(header.Bytes) + " bytes, the file holds " +
                        std::to_string(*probe.AudioBytes) +
                        " bytes of audio (cut or joined): length from a scan of the frames";
  }

  // Over the whole file: from the header frame's count before the trim, or the scan's samples
  // where the header does not describe the file.
  const int samples_per_frame = output.Channels > 0 ? output.SamplesPerFrame / output.Channels : 0;
  std::optional<double> seconds;
  if (probe.HeaderDisagrees && probe.Samples && facts.sample_rate > 0) {
    seconds = double(*probe.Samples) / facts.sample_rate;
  } else if (facts.vbr_frames && *facts.vbr_frames > 0 && samples_per_frame > 0 &&
             facts.sample_rate > 0) {
    seconds = double(*facts.vbr_frames) * samples_per_frame / facts.sample_rate;
  }
  if (seconds && *seconds > 0 && facts.audio_length) {
    facts.average_bitrate_kbps = int(*facts.audio_length * 8 / *seconds / 1000 + 0.5);
  }
  return facts;
}

}  // namespace yumekaze::cli
