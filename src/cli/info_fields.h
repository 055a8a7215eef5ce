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
  std::string vbr_header;  // "none", "Xing", "VBRI"
  int vbr_frames = 0;
  int64_t audio_start = 0;
  std::optional<int64_t> audio_length;
  std::optional<int64_t> samples;  // TMPTrackProbe::Samples
  std::optional<double> seconds;   // TMPTrackProbe::Seconds
  // Over the whole file, where a VBR header gives the frame count.
  std::optional<int> average_bitrate_kbps;
};

TStreamFacts StreamFacts(const engine::TMPTrackProbe& probe);

}  // namespace yumekaze::cli
