#include "cli/info_fields.h"

#include <algorithm>

#include "engine/player/seek_index.h"
#include "engine/stream/file_stream.h"
#include "engine/tags/mp3_info.h"
#include "platform/text/tag_text.h"

namespace yumekaze::cli {

namespace {
constexpr const char* kVersions[] = {"", "MPEG-1", "MPEG-2", "MPEG-2.5"};
constexpr const char* kModeNames[] = {"stereo", "joint stereo", "dual channel", "single channel"};

// The exact length in samples per channel, or nothing where the header frame gives no count and
// the audio cannot be read again (a pipe).
std::optional<int64_t> ExactSamples(const engine::TMP3Player& player, const std::string& path) {
  const engine::TMPFrameSource& source = player.Source();
  const decoder::VbrHeader& vbr = source.HeaderFrame();
  const decoder::MpegOutputInfo& format = source.OutputInfo();
  const int32_t samplesPerFrame = format.SamplesPerFrame / std::max(format.Channels, 1);
  if (vbr.HasFrames && vbr.Frames > 0) {
    const decoder::GaplessTrim trim = decoder::GaplessTrimFor(vbr, samplesPerFrame, vbr.Frames);
    return decoder::TrimmedLength(trim, int64_t{vbr.Frames} * samplesPerFrame);
  }
  if (player.AudioLength() >= engine::kUnknownAudioLength) return std::nullopt;
  try {
    engine::TMPFileStream file(path);
    return engine::ScanStreamRegion(file, player.AudioStart(), player.AudioLength(), nullptr)
        .Samples;
  } catch (const engine::TMPStreamError&) {
    return std::nullopt;
  }
}

}  // namespace

TStreamFacts StreamFacts(const engine::TMP3Player& player, const std::string& path) {
  const engine::TMPFrameSource& source = player.Source();
  TStreamFacts facts;
  facts.version = kVersions[source.MpegVersion()];
  facts.layer = source.LayerNumber();
  facts.sample_rate = player.SampleRate();
  facts.channels = player.Channels();
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
  facts.audio_start = player.AudioStart();
  if (player.AudioLength() < engine::kUnknownAudioLength) facts.audio_length = player.AudioLength();

  const decoder::MpegOutputInfo& output = source.OutputInfo();
  const int samples_per_frame = output.Channels > 0 ? output.SamplesPerFrame / output.Channels : 0;
  facts.samples = ExactSamples(player, path);
  if (facts.samples && facts.sample_rate > 0) {
    facts.seconds = double(*facts.samples) / facts.sample_rate;
  }
  if (source.VbrHeader() != engine::TVbrHeaderKind::None && facts.vbr_frames > 0 &&
      samples_per_frame > 0 && facts.sample_rate > 0) {
    const double seconds = double(facts.vbr_frames) * samples_per_frame / facts.sample_rate;
    if (!facts.seconds) facts.seconds = seconds;
    if (facts.audio_length && seconds > 0) {
      facts.average_bitrate_kbps = int(*facts.audio_length * 8 / seconds / 1000 + 0.5);
    }
  } else if (!facts.seconds && facts.audio_length && source.FirstBitrate() > 0) {
    facts.seconds = double(*facts.audio_length) * 8 / source.FirstBitrate();
  }
  return facts;
}

std::string SafeText(std::string_view bytes, char replacement, std::string_view newline) {
  const std::string text = platform::DecodeTagText(bytes);
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    // C1 controls are U+0080-U+009F: 0xC2 0x80-0x9F in UTF-8.
    const bool c1 =
        c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) < 0xA0;
    if (c == '\n') {
      out += newline;
    } else if (c < 0x20 || c == 0x7F || c1) {
      out += replacement;
      if (c1) ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

engine::TTagFields MergedFields(const engine::TMP3Player& player, std::string_view path) {
  engine::TTagFields fields = player.Info().Merged();
  const decoder::VbrHeader& header_frame = player.Source().HeaderFrame();
  if (header_frame.HasLame) engine::AddLameReplayGain(fields.replay_gain, header_frame.Lame);
  if (fields.title.empty()) {
    const size_t slash = path.find_last_of('/');
    fields.title = std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
  }
  return fields;
}

}  // namespace yumekaze::cli
