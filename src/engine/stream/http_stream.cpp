#include "engine/stream/http_stream.h"

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "engine/stream/curl_options.h"
#include "engine/stream/icy_metadata.h"

namespace yumekaze::engine {

using Clock = std::chrono::steady_clock;

namespace {

// Limits that keep a hostile server from holding memory or the stream: the headers of one
// response, the time to the end of the headers, and how long a connection may go without a byte
// (a paused player fills the buffer and stops reading; the server then drops it or this limit
// does, and the stream reconnects). curl_options.cpp limits redirects and the connect time.
constexpr size_t kMaxHeaderBytes = 32 * 1024;
constexpr auto kHeaderTime = std::chrono::seconds(15);
constexpr long kStallSeconds = 30;
// icy-metaint values servers use run from a few hundred bytes to 64 KiB; beyond a megabyte the
// header is not to be believed.
constexpr int64_t kMaxMetaInterval = 1 << 20;
// Backoff between reconnections.
constexpr int kFirstBackoffSeconds = 1;
constexpr int kLastBackoffSeconds = 30;
// After a reconnection, servers send a burst of what they sent before: the last kMatchBytes of
// audio heard are looked for in the first kOverlapWindow bytes (or kOverlapTime) of the new
// connection, and what precedes them is dropped.
constexpr size_t kMatchBytes = 1024;
constexpr size_t kOverlapWindow = 256 * 1024;
constexpr auto kOverlapTime = std::chrono::seconds(2);
// Bit rate assumed for the prebuffer when the station does not give one.
constexpr int kAssumedKbps = 128;

const char* const kMpegTypes[] = {"audio/mpeg",   "audio/mp3",     "audio/mpeg3",
                                  "audio/x-mpeg", "audio/x-mp3",   "audio/mpa",
                                  "audio/mpg",    "audio/x-mpeg3", "application/octet-stream"};

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' ||
                           text.back() == '\n')) {
    text.remove_suffix(1);
  }
  return text;
}

bool IsMpegType(const std::string& type) {
  const std::string bare(Trim(std::string_view(type).substr(0, type.find(';'))));
  if (bare.empty()) return true;  // no type given: the frame check decides
  return std::any_of(std::begin(kMpegTypes), std::end(kMpegTypes),
                     [&](const char* known) { return bare == known; });
}

}  // namespace

bool IsStreamUrl(std::string_view name) {
  const std::string start = Lower(name.substr(0, 8));
  return start.starts_with("http://") || start.starts_with("https://");
}

struct TMPHttpState {
  mutable std::mutex Mutex;
  std::condition_variable DataReady;
  std::condition_variable SpaceReady;
  std::condition_variable Cancel;
  std::vector<uint8_t> Ring = std::vector<uint8_t>(TMPHttpStream::kBufferBytes);
  size_t Head = 0;    // the next byte to read
  size_t Filled = 0;  // bytes from Head on
  int64_t ReadOffset = 0;
  int64_t WrittenOffset = 0;
  std::deque<int64_t> Breaks;
  size_t Prebuffer = size_t{kAssumedKbps} * 125 * TMPHttpStream::kPrebufferSeconds;
  bool Waits = true;
  bool Buffering = true;
  bool Cancelled = false;
  bool Ended = false;
  std::string Error;  // why the stream ended, when it failed
  TMPStreamFacts Facts;
  int ShownPercent = -1;
  std::function<void()> OnChange;
  // Joining a reconnection to what was heard.
  std::vector<uint8_t> Tail;  // the last audio written, up to kMatchBytes
  bool Matching = false;
  std::vector<uint8_t> Pending;
  Clock::time_point MatchUntil;

  // Whether a Read can go on: while buffering, once the prebuffer is there.
  bool Ready() const {
    return (Buffering ? Filled >= Prebuffer : Filled > 0) || !Error.empty() || Ended || Cancelled;
  }
  int Percent() const {
    if (!Buffering) return 100;
    return static_cast<int>(std::min<size_t>(Filled * 100 / std::max<size_t>(Prebuffer, 1), 99));
  }
  // Under the lock.
  void Changed() {
    Facts.BufferingPercent = Percent();
    if (OnChange) OnChange();
  }
  void UpdatePercent() {
    const int percent = Percent();
    if (percent != ShownPercent) {
      ShownPercent = percent;
      Changed();
    }
  }
  void End(std::string error) {
    std::lock_guard lock(Mutex);
    Error = std::move(error);
    Ended = true;
    DataReady.notify_all();
    Changed();
  }
  void DoCancel() {
    std::lock_guard lock(Mutex);
    Cancelled = true;
    OnChange = nullptr;
    DataReady.notify_all();
    SpaceReady.notify_all();
    Cancel.notify_all();
  }
  bool IsCancelled() const {
    std::lock_guard lock(Mutex);
    return Cancelled;
  }

  // Writes audio into the ring, waiting for room; false when cancelled meanwhile.
  bool Write(std::unique_lock<std::mutex>& lock, const uint8_t* bytes, size_t count) {
    while (count > 0) {
      SpaceReady.wait(lock, [&] { return Cancelled || Filled < Ring.size(); });
      if (Cancelled) return false;
      const size_t at = (Head + Filled) % Ring.size();
      const size_t n = std::min({count, Ring.size() - Filled, Ring.size() - at});
      std::memcpy(Ring.data() + at, bytes, n);
      Tail.insert(Tail.end(),
                  bytes + std::max<ptrdiff_t>(
                              0, static_cast<ptrdiff_t>(n) - static_cast<ptrdiff_t>(kMatchBytes)),
                  bytes + n);
      if (Tail.size() > kMatchBytes) Tail.erase(Tail.begin(), Tail.end() - kMatchBytes);
      Filled += n;
      WrittenOffset += static_cast<int64_t>(n);
      bytes += n;
      count -= n;
      DataReady.notify_all();
      UpdatePercent();
    }
    return true;
  }

  // Audio from the connection; after a reconnection it is first joined to what was heard.
  bool Push(const std::vector<uint8_t>& audio) {
    std::unique_lock lock(Mutex);
    if (!Matching) return Write(lock, audio.data(), audio.size());
    Pending.insert(Pending.end(), audio.begin(), audio.end());
    const auto found = std::search(Pending.begin(), Pending.end(),
                                   std::boyer_moore_horspool_searcher(Tail.begin(), Tail.end()));
    if (found != Pending.end()) {
      Matching = false;
      const size_t from = static_cast<size_t>(found - Pending.begin()) + Tail.size();
      std::vector<uint8_t> rest(Pending.begin() + static_cast<ptrdiff_t>(from), Pending.end());
      Pending.clear();
      return Write(lock, rest.data(), rest.size());
    }
    if (Pending.size() < kOverlapWindow && Clock::now() < MatchUntil) return true;
    // Not a continuation: the decoder starts afresh at the first new byte.
    Matching = false;
    Breaks.push_back(WrittenOffset);
    std::vector<uint8_t> fresh;
    fresh.swap(Pending);
    return Write(lock, fresh.data(), fresh.size());
  }
};

namespace {

// One connection: its response headers, its ICY demultiplexing and why it ended.
struct TTransfer {
  explicit TTransfer(TMPHttpState& state) : State(state), Started(Clock::now()) {}

  TMPHttpState& State;
  Clock::time_point Started;
  size_t HeaderBytes = 0;
  long Status = 0;
  bool HeadersDone = false;
  std::string ContentType, Name, Genre, StationUrl, MetaInt;
  int Bitrate = 0;
  TIcyDemuxer Demuxer;
  std::vector<uint8_t> Audio;
  std::vector<std::string> Blocks;
  bool GotAudio = false;
  bool Complete = false;  // the whole of a response of known length came
  std::string Refusal;    // the stream must not be tried again: why

  // A response begins (the first, or one after a redirect).
  void NewResponse(long status) {
    HeaderBytes = 0;
    Status = status;
    ContentType.clear();
    Name.clear();
    Genre.clear();
    StationUrl.clear();
    MetaInt.clear();
    Bitrate = 0;
  }
};

bool ParseMetaInterval(const std::string& text, int64_t& value) {
  if (text.empty()) {
    value = 0;
    return true;
  }
  value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9' || value > kMaxMetaInterval) return false;
    value = value * 10 + (c - '0');
  }
  return value >= 1 && value <= kMaxMetaInterval;
}

// The end of a response's headers: an audio response is checked and its facts published.
bool HeadersDone(TTransfer& t) {
  if (t.Status >= 300 && t.Status < 400) return true;  // a redirect: libcurl follows it
  if (t.Status < 200 || t.Status >= 300) return true;  // libcurl fails it (FAILONERROR)
  t.HeadersDone = true;
  TMPHttpState& s = t.State;
  const std::string station = t.Name.empty() ? s.Facts.Url : "\"" + t.Name + "\"";
  if (!IsMpegType(Lower(t.ContentType))) {
    t.Refusal = "The station " + station + " sends " + std::string(Trim(t.ContentType)) +
                ", which is not MPEG audio";
    return false;
  }
  int64_t interval = 0;
  if (!ParseMetaInterval(std::string(Trim(t.MetaInt)), interval)) {
    t.Refusal = "The station " + station + " sends a bogus icy-metaint (" +
                std::string(Trim(t.MetaInt)).substr(0, 32) + ")";
    return false;
  }
  t.Demuxer = TIcyDemuxer(interval);
  std::lock_guard lock(s.Mutex);
  s.Facts.Name = t.Name;
  s.Facts.Genre = t.Genre;
  s.Facts.StationUrl = t.StationUrl;
  s.Facts.Bitrate = t.Bitrate;
  s.Facts.ContentType = std::string(Trim(t.ContentType));
  s.Facts.Reconnecting = false;
  const int kbps = t.Bitrate >= 8 && t.Bitrate <= 640 ? t.Bitrate : kAssumedKbps;
  s.Prebuffer = std::min(size_t(kbps) * 125 * TMPHttpStream::kPrebufferSeconds, s.Ring.size() / 2);
  s.Changed();
  return true;
}

size_t OnHeader(char* data, size_t size, size_t count, void* user) {
  auto& t = *static_cast<TTransfer*>(user);
  const size_t n = size * count;
  t.HeaderBytes += n;
  if (t.HeaderBytes > kMaxHeaderBytes) {
    t.Refusal = "The server sends headers without end";
    return 0;
  }
  const std::string_view line = Trim(std::string_view(data, n));
  if (line.starts_with("HTTP/") || line.starts_with("ICY ")) {
    const std::string_view rest = line.substr(line.find(' ') + 1);
    t.NewResponse(std::strtol(std::string(rest.substr(0, 3)).c_str(), nullptr, 10));
    t.HeaderBytes = n;
    return n;
  }
  if (line.empty()) return HeadersDone(t) ? n : 0;
  const size_t colon = line.find(':');
  if (colon == std::string_view::npos) return n;
  const std::string name = Lower(Trim(line.substr(0, colon)));
  const std::string_view value = Trim(line.substr(colon + 1));
  if (name == "content-type") t.ContentType = value;
  if (name == "icy-metaint") t.MetaInt = value;
  if (name == "icy-name") t.Name = CleanStationText(value);
  if (name == "icy-genre") t.Genre = CleanStationText(value);
  if (name == "icy-url") t.StationUrl = CleanStationText(value);
  if (name == "icy-br") t.Bitrate = std::atoi(std::string(value.substr(0, 8)).c_str());
  return n;
}

size_t OnBody(char* data, size_t size, size_t count, void* user) {
  auto& t = *static_cast<TTransfer*>(user);
  const size_t n = size * count;
  if (!t.HeadersDone) return n;
  t.Audio.clear();
  t.Blocks.clear();
  t.Demuxer.Feed(reinterpret_cast<const uint8_t*>(data), n, t.Audio, t.Blocks);
  for (const std::string& block : t.Blocks) {
    if (block.find("StreamTitle=") == std::string::npos) continue;
    const std::string title = CleanStationText(StreamTitleOf(block));
    std::lock_guard lock(t.State.Mutex);
    if (title != t.State.Facts.Title) {
      t.State.Facts.Title = title;
      t.State.Changed();
    }
  }
  if (t.Audio.empty()) return n;
  t.GotAudio = true;
  return t.State.Push(t.Audio) ? n : 0;
}

int OnProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  auto& t = *static_cast<TTransfer*>(user);
  if (!t.HeadersDone && Clock::now() - t.Started > kHeaderTime) {
    t.Refusal = "The server does not answer";
    return 1;
  }
  return t.State.IsCancelled() ? 1 : 0;
}

// Runs one connection to its end; returns why it ended (empty when the server closed it).
std::string Transfer(TTransfer& t, const std::string& url) {
  CURL* curl = curl_easy_init();
  if (curl == nullptr) return "Cannot start a transfer";
  char error[CURL_ERROR_SIZE] = {};
  curl_slist* headers = curl_slist_append(nullptr, "Icy-MetaData: 1");
  SetCommonOptions(curl, error);
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, kStallSeconds);
  curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, OnHeader);
  curl_easy_setopt(curl, CURLOPT_HEADERDATA, &t);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, OnBody);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &t);
  curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, OnProgress);
  curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &t);
  curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
  const CURLcode result = curl_easy_perform(curl);
  curl_off_t length = -1;
  curl_easy_getinfo(curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
  curl_slist_free_all(headers);
  curl_easy_cleanup(curl);
  // A response of a given length that came whole is a file on a web server, not a live stream.
  t.Complete = result == CURLE_OK && length >= 0;
  if (result == CURLE_OK) return {};
  if (!t.Refusal.empty()) return t.Refusal;
  return *error != 0 ? error : curl_easy_strerror(result);
}

void Run(std::shared_ptr<TMPHttpState> state) {
  const std::string url = state->Facts.Url;
  int backoff = kFirstBackoffSeconds;
  bool heard = false;
  for (;;) {
    auto transfer = std::make_unique<TTransfer>(*state);
    const std::string why = Transfer(*transfer, url);
    if (state->IsCancelled()) return;
    heard = heard || transfer->GotAudio;
    if (transfer->Complete && transfer->GotAudio) {
      state->End({});
      return;
    }
    if (transfer->GotAudio) backoff = kFirstBackoffSeconds;
    // A stream never heard, or one the station refuses, ends; a live one is connected again.
    if (!transfer->Refusal.empty() || !heard) {
      state->End(why.empty() ? "Cannot open stream \"" + url + "\". The server sent no audio"
                             : "Cannot open stream \"" + url + "\". " + why);
      return;
    }
    std::unique_lock lock(state->Mutex);
    // What is buffered plays on; then a few seconds are gathered again before play goes on.
    state->Facts.Reconnecting = true;
    state->Buffering = true;
    state->Changed();
    state->Cancel.wait_for(lock, std::chrono::seconds(backoff), [&] { return state->Cancelled; });
    if (state->Cancelled) return;
    backoff = std::min(backoff * 2, kLastBackoffSeconds);
    state->Matching = state->Tail.size() >= kMatchBytes;
    state->Pending.clear();
    state->MatchUntil = Clock::now() + kOverlapTime;
  }
}

}  // namespace

TMPHttpStream::TMPHttpStream(std::string url) : state_(std::make_shared<TMPHttpState>()) {
  InitCurl();
  state_->Facts.Url = std::move(url);
  state_->Facts.BufferingPercent = 0;
  std::thread(Run, state_).detach();
}

TMPHttpStream::~TMPHttpStream() { state_->DoCancel(); }

size_t TMPHttpStream::Read(uint8_t* buffer, size_t count) {
  std::unique_lock lock(state_->Mutex);
  TMPHttpState& s = *state_;
  if (s.Waits) {
    s.DataReady.wait(lock, [&] { return s.Ready(); });
  } else if (!s.Ready()) {
    throw TMPReadPending([state = state_](std::chrono::milliseconds limit) {
      std::unique_lock wait(state->Mutex);
      state->DataReady.wait_for(wait, limit, [&] { return state->Ready(); });
    });
  }
  if (s.Buffering) {
    s.Buffering = false;
    s.UpdatePercent();
  }
  if (s.Cancelled) return 0;
  if (s.Filled == 0) {
    if (!s.Error.empty()) throw TMPStreamError(s.Error);
    return 0;
  }
  size_t done = 0;
  while (done < count && s.Filled > 0) {
    const size_t n = std::min({count - done, s.Filled, s.Ring.size() - s.Head});
    std::memcpy(buffer + done, s.Ring.data() + s.Head, n);
    s.Head = (s.Head + n) % s.Ring.size();
    s.Filled -= n;
    done += n;
  }
  s.ReadOffset += static_cast<int64_t>(done);
  // Played faster than the network brings it: gather a prebuffer again rather than stutter.
  if (s.Filled == 0 && s.Error.empty() && !s.Ended) {
    s.Buffering = true;
    s.UpdatePercent();
  }
  s.SpaceReady.notify_all();
  return done;
}

int64_t TMPHttpStream::Seek(int64_t offset, SeekOrigin origin) {
  std::lock_guard lock(state_->Mutex);
  if (offset == 0 && origin == SeekOrigin::Current) return state_->ReadOffset;
  throw TMPStreamError("A live stream cannot seek");
}

void TMPHttpStream::SetWaits(bool value) {
  std::lock_guard lock(state_->Mutex);
  state_->Waits = value;
}

int64_t TMPHttpStream::NextBreak(int64_t from) {
  std::lock_guard lock(state_->Mutex);
  while (!state_->Breaks.empty() && state_->Breaks.front() < from) state_->Breaks.pop_front();
  return state_->Breaks.empty() ? -1 : state_->Breaks.front();
}

TMPStreamFacts TMPHttpStream::Facts() const {
  std::lock_guard lock(state_->Mutex);
  TMPStreamFacts facts = state_->Facts;
  facts.BufferingPercent = state_->Percent();
  return facts;
}

void TMPHttpStream::SetOnChange(std::function<void()> handler) {
  std::lock_guard lock(state_->Mutex);
  if (!state_->Cancelled) state_->OnChange = std::move(handler);
}

std::function<void()> TMPHttpStream::Canceller() const {
  return [state = std::weak_ptr<TMPHttpState>(state_)] {
    if (auto alive = state.lock()) alive->DoCancel();
  };
}

}  // namespace yumekaze::engine
