// ID3v2 frames of versions 2.2, 2.3 and 2.4: the walk over a tag's frames and what each frame
// holds. Used by the tag reader (id3v2.cpp) for tags in front of and behind the audio.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/stream/stream_reader.h"
#include "engine/tags/tag_fields.h"

namespace yumekaze::engine::id3v2 {

// Frame contents above this are passed over; compressed frames inflate to at most this.
inline constexpr int64_t kMaxFrameContent = 16 << 20;
// All the inflating of one file's tags together, so that many small compressed frames cannot
// cost unbounded time.
inline constexpr int64_t kInflateBudget = 32 << 20;

struct TFrameResults {
  // One "ID=value" line per frame with text; "TXXX:description=value" and "COMM:description=text"
  // for frames told apart by a description.
  std::vector<std::string> lines;
  TPictureInfo picture;  // the front cover, else the first picture
  TReplayGain rva2;      // from RVA2 frames identified "track" and "album"
  // What was passed over unread because of a limit: what it was and why.
  std::vector<std::string> skipped;
  int64_t inflate_left = kInflateBudget;
};

// Walks the frames from the reader's position up to end, leaving the reader at end when it
// returns true (the frames or padding filled the tag). False when a frame is damaged or the
// stream ends inside the tag; the reader then rests somewhere before end.
// unsynchronised: every frame's data is unsynchronised (2.4 frames also say so in their flags).
bool WalkFrames(TMPStreamReader& reader, int64_t end, uint8_t version, bool unsynchronised,
                TFrameResults& results);

// Adds what one frame's content (after unsynchronisation and compression) says.
void AddFrame(std::string_view id, std::string_view content, TFrameResults& results);

}  // namespace yumekaze::engine::id3v2
