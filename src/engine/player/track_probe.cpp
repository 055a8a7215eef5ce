#include "engine/player/track_probe.h"

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

std::optional<int64_t> ExactSamples(TMPStream& stream, bool seekable,
                                    const TMPFrameSource& source) {
  const decoder::VbrHeader& vbr = source.HeaderFrame();
  if (vbr.HasFrames && vbr.Frames > 0) {
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
  if (source.VbrHeader() != TVbrHeaderKind::None && source.VbrFrames() > 0) {
    return double(source.VbrFrames()) * SamplesPerFrame(source) / rate;
  }
  if (source.AudioLength() < kUnknownAudioLength && source.FirstBitrate() > 0) {
    return double(source.AudioLength()) * 8 / source.FirstBitrate();
  }
  return std::nullopt;
}

TTagFields Fields(const TMPOpenedFile& file, const std::string& name) {
  TTagFields fields = file.Info.Merged();
  const decoder::VbrHeader& header = file.Source.HeaderFrame();
  if (header.HasLame) AddLameReplayGain(fields.replay_gain, header.Lame);
  if (fields.title.empty()) {
    const size_t slash = name.find_last_of('/');
    fields.title = slash == std::string::npos ? name : name.substr(slash + 1);
  }
  return fields;
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
    probe.Fields = Fields(*probe.File, name);
    probe.Samples = ExactSamples(stream, seekable, probe.File->Source);
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
