// TMPHttpStream: an internet radio station's MP3 stream over HTTP or HTTPS, read by libcurl on a
// thread of its own into a bounded buffer. The ICY metadata is taken out of the audio and its
// titles published with the station's headers; a dropped connection is made again with backoff
// (1, 2, 4 ... 30 s) and the audio goes on where it broke off when the server sends again what
// was already heard, or after a break (NextBreak) when it does not. It cannot seek and has no
// known length. Deleting it cancels the transfer at once; the thread finishes on its own.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "engine/stream/stream.h"

namespace yumekaze::engine {

// Whether a name given to play is a network stream's URL (http:// or https://).
bool IsStreamUrl(std::string_view name);

// What the station says about itself, and how its stream is doing.
struct TMPStreamFacts {
  std::string Url;
  std::string Name;        // icy-name
  std::string Genre;       // icy-genre
  std::string StationUrl;  // icy-url
  int Bitrate = 0;         // icy-br, kbit/s; 0 when not given
  std::string ContentType;
  std::string Title;  // the current StreamTitle, cleaned; empty until one arrives
  // How full the buffer is towards the start of play, in percent; 100 while it plays.
  int BufferingPercent = 0;
  bool Reconnecting = false;
};

struct TMPHttpState;

class TMPHttpStream final : public TMPStream {
 public:
  // Audio held ahead of the reader, and how many seconds of it are gathered before play starts,
  // after a reconnection and after the reader emptied the buffer.
  static constexpr size_t kBufferBytes = 512 * 1024;
  static constexpr int kPrebufferSeconds = 3;

  // Starts connecting at once.
  explicit TMPHttpStream(std::string url);
  ~TMPHttpStream() override;

  // Waiting (at first): waits until the prebuffer is there, the stream failed (throws) or was
  // cancelled (returns 0). Not waiting: throws TMPReadPending instead of waiting.
  size_t Read(uint8_t* buffer, size_t count) override;
  // Only tells the position (offset 0 from Current); any other seek throws.
  int64_t Seek(int64_t offset, SeekOrigin origin) override;
  int64_t Size() override { return 0; }
  void SetWaits(bool value) override;
  int64_t NextBreak(int64_t from) override;

  TMPStreamFacts Facts() const;
  // Called on the stream's threads whenever Facts() changes; set it before reading.
  void SetOnChange(std::function<void()> handler);
  // Cancels the transfer from any thread; the stream then ends.
  std::function<void()> Canceller() const;

 private:
  std::shared_ptr<TMPHttpState> state_;
};

}  // namespace yumekaze::engine
