#include "engine/player/track_probe.h"

#include <algorithm>
#include <cstdlib>
#include <exception>

#include "decoder/gapless.h"
#include "engine/player/file_opener.h"
#include "engine/player/seek_index.h"
#include "engine/stream/file_stream.h"
#include "engine/tags/mp3_info.h"

namespace yumekaze::engine {

namespace {

int32_t SamplesPerFrame(const TMPFrameSource& source) {
  const decoder::MpegOutputInfo& format = source.OutputInfo();
  return format.Channels > 0 ? format.SamplesPerFrame / format.Channels : 0;
}

std::optional<int64_t> AudioBytes(const TMPOpenedFile& file) {
  const TMPFrameSource& source = file.Source;
  const std::optional<int64_t> tags_start = file.Info.TrailingTagsStart();
  if (source.AudioLength() >= kUnknownAudioLength || !tags_start) return std::nullopt;
  return std::clamp<int64_t>(*tags_start - source.AudioStart(), 0, source.AudioLength());
}

// The header's byte count takes in the header frame itself, and with some writers an ID3v1 tag
// or a little padding; a cut or a joined file differs by more.
bool HeaderDisagrees(const TMPOpenedFile& file, std::optional<int64_t> audio_bytes) {
  const decoder::VbrHeader& vbr = file.Source.HeaderFrame();
  if (!vbr.HasFrames || !vbr.HasBytes || vbr.Bytes == 0 || !audio_bytes) return false;
  const int64_t counted = *audio_bytes + file.Source.AudioStart() - file.Info.AudioStart();
  const int64_t tolerance = std::max<int64_t>(counted / 100, 512);
  return std::llabs(int64_t{vbr.Bytes} - counted) > tolerance;
}

std::optional<int64_t> ExactSamples(TMPStream& stream, bool seekable, const TMPTrackProbe& probe) {
  const TMPFrameSource& source = probe.File->Source;
  const decoder::VbrHeader& vbr = source.HeaderFrame();
  if (vbr.HasFrames && vbr.Frames > 0 && !probe.HeaderDisagrees) {
    const int32_t samplesPerFrame = SamplesPerFrame(source);
    const decoder::GaplessTrim trim = decoder::GaplessTrimFor(vbr, samplesPerFrame, vbr.Frames);
    return decoder::TrimmedLength(trim, int64_t{vbr.Frames} * samplesPerFrame);
  }
  if (!seekable || source.AudioLength() >= kUnknownAudioLength) return std::nullopt;
  return ScanStreamRegion(stream, source.AudioStart(), source.AudioLength(), nullptr).Samples;
}

std::optional<double> Seconds(const TMPTrackProbe& probe) {
  const TMPFrameSource& source = probe.File->Source;
  const int rate = probe.SampleRate();
  if (rate <= 0) return std::nullopt;
  if (probe.Samples) return double(*probe.Samples) / rate;
  if (source.VbrHeader() != TVbrHeaderKind::None && source.VbrFrames() > 0 &&
      !probe.HeaderDisagrees) {
    return double(source.VbrFrames()) * SamplesPerFrame(source) / rate;
  }
  if (source.AudioLength() < kUnknownAudioLength && source.FirstBitrate() > 0) {
    return double(source.AudioLength()) * 8 / source.FirstBitrate();
  }
  return std::nullopt;
}

TTagFields Fields(const TMPOpenedFile& file) {
  TTagFields fields = file.Info.Merged();
  const decoder::VbrHeader& header = file.Source.HeaderFrame();
  if (header.HasLame) AddLameReplayGain(fields.replay_gain, header.Lame);
  return fields;
}

std::string WithoutFolder(const std::string& name) {
  const size_t slash = name.find_last_of('/');
  return slash == std::string::npos ? name : name.substr(slash + 1);
}

}  // namespace

int64_t TMPTrackProbe::LengthMs() const {
  if (Samples && SampleRate() > 0) return *Samples * 1000 / SampleRate();
  return Seconds ? static_cast<int64_t>(*Seconds * 1000) : -1;
}

TMPProbeOutcome ProbeStream(TMPStream& stream, bool seekable, const std::string& name) {
  TMPProbeOutcome outcome;
  try {
    TMPTrackProbe probe;
    probe.File = std::make_unique<TMPOpenedFile>();
    probe.File->Open(&stream, seekable);
    probe.File->Reader.Close();
    probe.Fields = Fields(*probe.File);
    probe.TitleFromName = probe.Fields.title.empty();
    if (probe.TitleFromName) probe.Fields.title = WithoutFolder(name);
    probe.AudioBytes = AudioBytes(*probe.File);
    probe.HeaderDisagrees = HeaderDisagrees(*probe.File, probe.AudioBytes);
    probe.Samples = ExactSamples(stream, seekable, probe);
    probe.Seconds = Seconds(probe);
    outcome.Track = std::move(probe);
  } catch (const std::exception& error) {
    outcome.Error = error.what();
  }
  return outcome;
}

TMPProbeOutcome ProbeTrack(const std::string& path) {
  std::unique_ptr<TMPFileStream> file;
  try {
    RefuseSpecialFile(path);
    file = std::make_unique<TMPFileStream>(path);
  } catch (const std::exception& error) {
    return {std::nullopt, error.what()};
  }
  return ProbeStream(*file, true, path);
}

}  // namespace yumekaze::engine
