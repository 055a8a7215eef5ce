#include "cli/info_fields.h"

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
  facts.vbr_frames = source.VbrFrames();
  facts.audio_start = source.AudioStart();
  if (source.AudioLength() < engine::kUnknownAudioLength) facts.audio_length = source.AudioLength();
  facts.samples = probe.Samples;
  facts.seconds = probe.Seconds;

  // Over the whole file, from the header frame's count before the trim.
  const int samples_per_frame = output.Channels > 0 ? output.SamplesPerFrame / output.Channels : 0;
  if (source.VbrHeader() != engine::TVbrHeaderKind::None && facts.vbr_frames > 0 &&
      samples_per_frame > 0 && facts.sample_rate > 0 && facts.audio_length) {
    const double seconds = double(facts.vbr_frames) * samples_per_frame / facts.sample_rate;
    facts.average_bitrate_kbps = int(*facts.audio_length * 8 / seconds / 1000 + 0.5);
  }
  return facts;
}

}  // namespace yumekaze::cli
