// The ICY metadata protocol of internet radio: a server asked with "Icy-MetaData: 1" puts a block
// of metadata after every icy-metaint bytes of audio. TIcyDemuxer takes the blocks out, so that
// the decoder sees only audio, and hands them over; the functions below read a block's
// StreamTitle and clean the texts stations send.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace yumekaze::engine {

class TIcyDemuxer {
 public:
  // A block is its length byte times 16 bytes, so at most 16 * 255 by the protocol.
  static constexpr size_t kMaxBlock = 16 * 255;

  // metaInterval: audio bytes between blocks; 0 when the stream carries none.
  explicit TIcyDemuxer(int64_t metaInterval = 0) : interval_(metaInterval), left_(metaInterval) {}

  // Appends the audio among `bytes` to `audio` and every block completed in them to `blocks`
  // (empty blocks, which say "no change", are left out).
  void Feed(const uint8_t* bytes, size_t count, std::vector<uint8_t>& audio,
            std::vector<std::string>& blocks);

 private:
  int64_t interval_;
  int64_t left_;           // audio bytes before the next length byte
  size_t block_left_ = 0;  // metadata bytes still to come in the current block
  std::string block_;
};

// The StreamTitle of a metadata block ("StreamTitle='...';"), raw; empty when it has none.
std::string StreamTitleOf(std::string_view block);
// A station's text made fit to show: UTF-8 as it is, other bytes read as Windows-1252, control
// characters and runs of spaces made one space, and the quotes around it taken off.
std::string CleanStationText(std::string_view raw);
// "Artist - Title" split at its first " - "; artist is empty when the title has no such parts.
void SplitStreamTitle(const std::string& title, std::string& artist, std::string& song);

}  // namespace yumekaze::engine
