// What `info` reports of a file's stream and tags, gathered once for the human and the JSON form.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "engine/player/track_probe.h"

namespace yumekaze::cli {

struct TStreamFacts {
  std::string version;  // "MPEG-1", "MPEG-2", "MPEG-2.5"
  int layer = 0;
  int sample_rate = 0;
  int channels = 0;
  std::string mode;  // "stereo", "joint stereo", "dual channel", "single channel"
  int first_bitrate_kbps = 0;
  bool free_format = false;
  std::string vbr_header;              // "none", "Xing", "VBRI"
  std::optional<uint32_t> vbr_frames;  // the header frame's count, as it stands
  int64_t audio_start = 0;
  std::optional<int64_t> audio_length;  // audio alone: TMPTrackProbe::AudioBytes
  std::optional<int64_t> samples;       // TMPTrackProbe::Samples
  // TMPTrackProbe::Seconds in whole milliseconds, rounded to the nearest; estimated when
  // there are no samples.
  std::optional<int64_t> duration_ms;
  bool duration_estimated = false;
  // Why the header frame's count was not taken (a cut or joined file); empty when it was.
  std::string length_note;
  // Over the whole file, where a VBR header gives the frame count.
  std::optional<int> average_bitrate_kbps;
};

TStreamFacts StreamFacts(const engine::TMPTrackProbe& probe);

}  // namespace yumekaze::cli
