// A look at a file without playing it: its tags, the layout of its audio and the audio's length,
// read with a decoder of its own. Probes share nothing with players or with each other, so any
// thread may probe while players play.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "engine/player/opened_file.h"
#include "engine/stream/stream.h"
#include "engine/tags/tag_fields.h"

namespace yumekaze::engine {

struct TMPTrackProbe {
  // Tags (File->Info) and frame layout (File->Source); its reader is closed.
  std::unique_ptr<TMPOpenedFile> File;
  // The merged tag fields, ReplayGain completed from the LAME tag, and the file's name (without
  // its folder) as the title when the tags give none.
  TTagFields Fields;
  bool TitleFromName = false;  // the tags give no title
  // Bytes of audio alone, from the first frame to the trailing tags (ID3v1 and Lyrics3 too);
  // none when the stream's size is not known.
  std::optional<int64_t> AudioBytes;
  // The header frame's byte count and AudioBytes differ by more than a writer's tags and padding:
  // the file was cut, or other audio joined to it. Its frame count is then not taken.
  bool HeaderDisagrees = false;
  // Per channel, after the gapless trim: from the header frame's count, else from a scan of the
  // frame headers. None for a stream that cannot be read again (a pipe) without a count.
  std::optional<int64_t> Samples;
  // Exact from Samples; else estimated from the header frame's count or from the bytes at the
  // first frame's bitrate. None when nothing tells.
  std::optional<double> Seconds;

  int SampleRate() const { return File->Source.OutputInfo().SampleRate; }
  // Whole milliseconds of Seconds (exact from Samples), -1 when unknown.
  int64_t LengthMs() const;
};

// A probe, or why there is none (the file cannot be read, or holds no MPEG audio).
struct TMPProbeOutcome {
  std::optional<TMPTrackProbe> Track;
  std::string Error;
};

// Probes `stream` (borrowed; read from its current position, scanned again only when seekable).
// name: the file's name, for the title when the tags have none.
TMPProbeOutcome ProbeStream(TMPStream& stream, bool seekable, const std::string& name);
// Probes the regular file at path (bytes, as the file system has them).
TMPProbeOutcome ProbeTrack(const std::string& path);

}  // namespace yumekaze::engine
