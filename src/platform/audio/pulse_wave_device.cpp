#include "platform/audio/pulse_wave_device.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "platform/text/tag_text.h"

namespace yumekaze::platform {

using engine::TWaveHeader;

namespace {

// How long the server may take to answer a connection or a command before we give up on it.
constexpr int kAnswerSeconds = 5;
// The stream's target length, well beyond the engine's four half-second buffers, and the
// server's request size: with these the server asks for data every two seconds (a wake-up of our
// main loop each time; we write on our own clock anyway) and keeps up to a second in its sink
// (the target less twice the request).
constexpr pa_usec_t kTargetUsec = 5 * PA_USEC_PER_SEC;
constexpr pa_usec_t kRequestUsec = 2 * PA_USEC_PER_SEC;
// Played buffers are reported done this many at a time, so that the engine refills them in one
// go: each report wakes the sound output's thread and the decoder's.
constexpr std::size_t kCompletionBatch = 2;
// Between the server's reports of what it has played, completions follow the clock; a report is
// asked for this often, and always before the last queued buffer counts as played. A sound
// card's clock and ours part by well under 0.1 %, a millisecond in this time.
constexpr pa_usec_t kTimingRefreshUsec = 10 * PA_USEC_PER_SEC;
// A completion check lands this much after the buffer's expected end, so that one check
// usually finds it played; and never sooner than this after the previous check.
constexpr pa_usec_t kCheckSlackUsec = 10 * PA_USEC_PER_MSEC;
constexpr pa_usec_t kCheckMinUsec = 20 * PA_USEC_PER_MSEC;

struct ProplistFree {
  void operator()(pa_proplist* list) const { pa_proplist_free(list); }
};
using Proplist = std::unique_ptr<pa_proplist, ProplistFree>;

// Holds the main loop's lock (recursive) for a scope.
class LoopLock {
 public:
  explicit LoopLock(pa_threaded_mainloop* loop) : loop_(loop) { pa_threaded_mainloop_lock(loop); }
  ~LoopLock() { pa_threaded_mainloop_unlock(loop_); }
  LoopLock(const LoopLock&) = delete;
  LoopLock& operator=(const LoopLock&) = delete;

 private:
  pa_threaded_mainloop* loop_;
};

Proplist ApplicationProperties() {
  Proplist list(pa_proplist_new());
  pa_proplist_sets(list.get(), PA_PROP_APPLICATION_NAME, kPulseApplicationName);
  pa_proplist_sets(list.get(), PA_PROP_APPLICATION_ID, kPulseApplicationId);
  pa_proplist_sets(list.get(), PA_PROP_APPLICATION_ICON_NAME, kPulseIconName);
  return list;
}

// What the mixer shows of the song: the stream's name is its title, or the player's name.
void SetMediaProperties(pa_proplist* list, const std::string& title, const std::string& artist) {
  pa_proplist_sets(list, PA_PROP_MEDIA_NAME, title.empty() ? kPulseApplicationName : title.c_str());
  if (!title.empty()) pa_proplist_sets(list, PA_PROP_MEDIA_TITLE, title.c_str());
  if (!artist.empty()) pa_proplist_sets(list, PA_PROP_MEDIA_ARTIST, artist.c_str());
}

pa_cvolume ChannelVolumes(uint32_t volume, uint8_t channels) {
  const auto scale = [](uint32_t word) {
    return static_cast<pa_volume_t>(uint64_t{word & 0xFFFFu} * PA_VOLUME_NORM / 0xFFFFu);
  };
  pa_cvolume result{};
  result.channels = channels;
  result.values[0] = scale(volume);
  if (channels > 1) result.values[1] = scale(volume >> 16);
  return result;
}

// The volume word for a stream's volume: each channel's share of the normal volume, up to full.
uint32_t VolumeWord(const pa_cvolume& volume) {
  const auto scale = [](pa_volume_t value) {
    return static_cast<uint32_t>(std::min<uint64_t>(
        (uint64_t{value} * 0xFFFFu + PA_VOLUME_NORM / 2) / PA_VOLUME_NORM, 0xFFFFu));
  };
  const uint32_t left = scale(volume.values[0]);
  const uint32_t right = volume.channels > 1 ? scale(volume.values[1]) : left;
  return left | right << 16;
}

}  // namespace

TPulseWaveDevice::~TPulseWaveDevice() {
  if (loop_ != nullptr) {
    const LoopLock lock(loop_);
    CompleteAll();  // destroyed while playing: nothing may stay counted as queued
  }
  Disconnect();
}

int TPulseWaveDevice::Open(const engine::TWaveFormat& format, engine::TMPMessagePoster& notify) {
  if (loop_ != nullptr) return engine::kWaveAllocated;
  if (format.FormatTag != 1 || (format.Channels != 1 && format.Channels != 2) ||
      (format.BitsPerSample != 8 && format.BitsPerSample != 16) || format.SamplesPerSec == 0 ||
      format.SamplesPerSec > PA_RATE_MAX) {
    return engine::kWaveBadFormat;
  }
  notify_ = &notify;
  queue_.clear();
  queued_end_ = 0;
  sent_ = 0;
  played_ = 0;
  played_at_ = pa_rtclock_now();
  timing_at_ = 0;
  error_ = 0;
  paused_ = false;
  const int result = Connect(format);
  if (result != engine::kWaveNoError) Disconnect();
  return result;
}

int TPulseWaveDevice::ConnectContext() {
  loop_ = pa_threaded_mainloop_new();
  if (loop_ == nullptr) return -PA_ERR_INTERNAL;
  context_ = pa_context_new_with_proplist(pa_threaded_mainloop_get_api(loop_),
                                          kPulseApplicationName, ApplicationProperties().get());
  if (context_ == nullptr) return -PA_ERR_INTERNAL;
  pa_context_set_state_callback(context_, &OnContextState, this);
  if (pa_threaded_mainloop_start(loop_) < 0) return -PA_ERR_INTERNAL;

  const LoopLock lock(loop_);
  // No autospawn: when no server runs, the caller chooses another device.
  if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
    return -pa_context_errno(context_);
  }
  const bool answered = WaitLocked(
      [this] {
        const pa_context_state_t state = pa_context_get_state(context_);
        return state == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(state);
      },
      kAnswerSeconds);
  if (!answered || pa_context_get_state(context_) != PA_CONTEXT_READY) return ConnectionError();
  return engine::kWaveNoError;
}

int TPulseWaveDevice::Connect(const engine::TWaveFormat& format) {
  if (const int result = ConnectContext(); result != engine::kWaveNoError) return result;
  const LoopLock lock(loop_);
  spec_.format = format.BitsPerSample == 8 ? PA_SAMPLE_U8 : PA_SAMPLE_S16LE;
  spec_.rate = format.SamplesPerSec;
  spec_.channels = static_cast<uint8_t>(format.Channels);
  Proplist props = ApplicationProperties();
  pa_proplist_sets(props.get(), PA_PROP_MEDIA_ROLE, "music");
  SetMediaProperties(props.get(), title_, artist_);
  stream_ = pa_stream_new_with_proplist(context_, nullptr, &spec_, nullptr, props.get());
  if (stream_ == nullptr) return -pa_context_errno(context_);
  pa_stream_set_state_callback(stream_, &OnStreamState, this);

  pa_buffer_attr attr{};
  attr.maxlength = static_cast<uint32_t>(-1);
  attr.tlength = static_cast<uint32_t>(pa_usec_to_bytes(kTargetUsec, &spec_));
  // Start with the first frame, and after running dry wait for data instead of moving on, so
  // that nothing written later is skipped.
  attr.prebuf = static_cast<uint32_t>(pa_frame_size(&spec_));
  attr.minreq = static_cast<uint32_t>(pa_usec_to_bytes(kRequestUsec, &spec_));
  attr.fragsize = static_cast<uint32_t>(-1);
  stream_volume_ = ChannelVolumes(volume_, spec_.channels);
  muted_ = false;
  own_changes_ = 0;
  if (pa_stream_connect_playback(stream_, sink_.empty() ? nullptr : sink_.c_str(), &attr,
                                 PA_STREAM_NOFLAGS, &stream_volume_, nullptr) < 0) {
    return -pa_context_errno(context_);
  }
  const bool ready = WaitLocked(
      [this] {
        const pa_stream_state_t state = pa_stream_get_state(stream_);
        return state == PA_STREAM_READY || !PA_STREAM_IS_GOOD(state);
      },
      kAnswerSeconds);
  if (ready && pa_stream_get_state(stream_) == PA_STREAM_READY) {
    // The mixer's changes to our stream from now on, and a mute the server may have restored.
    pa_context_set_subscribe_callback(context_, &OnSubscription, this);
    if (pa_operation* operation =
            pa_context_subscribe(context_, PA_SUBSCRIPTION_MASK_SINK_INPUT, nullptr, nullptr)) {
      pa_operation_unref(operation);
    }
    QueryVolume();
    return engine::kWaveNoError;
  }
  if (!ready || pa_context_get_state(context_) != PA_CONTEXT_READY) return ConnectionError();
  const int error = pa_context_errno(context_);
  if (error == PA_ERR_NOTSUPPORTED || error == PA_ERR_INVALID || error == PA_ERR_TOOLARGE) {
    char text[PA_SAMPLE_SPEC_SNPRINT_MAX];
    refused_format_ = std::string(pa_sample_spec_snprint(text, sizeof text, &spec_)) + " (" +
                      pa_strerror(error) + ")";
    return engine::kWaveBadFormat;
  }
  return -error;
}

int TPulseWaveDevice::ConnectionError() const {
  if (timed_out_) return -PA_ERR_TIMEOUT;
  const int error = pa_context_errno(context_);
  return error != 0 ? -error : -PA_ERR_CONNECTIONTERMINATED;
}

template <typename Done>
bool TPulseWaveDevice::WaitLocked(Done done, int seconds) {
  timed_out_ = false;
  pa_time_event* deadline = pa_context_rttime_new(
      context_, pa_rtclock_now() + static_cast<pa_usec_t>(seconds) * PA_USEC_PER_SEC,
      [](pa_mainloop_api*, pa_time_event*, const struct timeval*, void* self) {
        auto* device = static_cast<TPulseWaveDevice*>(self);
        device->timed_out_ = true;
        pa_threaded_mainloop_signal(device->loop_, 0);
      },
      this);
  while (!done() && !timed_out_) pa_threaded_mainloop_wait(loop_);
  pa_threaded_mainloop_get_api(loop_)->time_free(deadline);
  return !timed_out_ || done();
}

bool TPulseWaveDevice::WaitOperation(pa_operation* operation) {
  if (operation == nullptr) return false;
  const bool finished = WaitLocked(
      [&] { return pa_operation_get_state(operation) != PA_OPERATION_RUNNING || error_ != 0; },
      kAnswerSeconds);
  const bool done = finished && pa_operation_get_state(operation) == PA_OPERATION_DONE;
  pa_operation_unref(operation);
  return done;
}

void TPulseWaveDevice::Disconnect() {
  if (loop_ == nullptr) return;
  {
    const LoopLock lock(loop_);
    if (timer_ != nullptr) {
      pa_threaded_mainloop_get_api(loop_)->time_free(timer_);
      timer_ = nullptr;
    }
    if (stream_ != nullptr) {
      pa_stream_set_state_callback(stream_, nullptr, nullptr);
      pa_stream_disconnect(stream_);
      pa_stream_unref(stream_);
      stream_ = nullptr;
    }
    if (context_ != nullptr) {
      pa_context_set_state_callback(context_, nullptr, nullptr);
      pa_context_disconnect(context_);
      pa_context_unref(context_);
      context_ = nullptr;
    }
  }
  // Not under the lock: stopping joins the loop's thread, which takes it.
  pa_threaded_mainloop_stop(loop_);
  pa_threaded_mainloop_free(loop_);
  loop_ = nullptr;
}

int TPulseWaveDevice::Close() {
  if (loop_ == nullptr) return engine::kWaveNotOpen;
  {
    const LoopLock lock(loop_);
    if (!queue_.empty()) return engine::kWaveStillPlaying;
  }
  Disconnect();
  return engine::kWaveNoError;
}

int TPulseWaveDevice::Prepare(TWaveHeader& header) {
  if (header.Length > header.Data.size()) return engine::kWaveInvalidParam;
  header.Flags |= engine::kWaveHeaderPrepared;
  return engine::kWaveNoError;
}

int TPulseWaveDevice::Unprepare(TWaveHeader& header) {
  if (header.Flags & engine::kWaveHeaderInQueue) return engine::kWaveStillPlaying;
  header.Flags &= ~engine::kWaveHeaderPrepared;
  return engine::kWaveNoError;
}

int TPulseWaveDevice::Write(TWaveHeader& header) {
  if (loop_ == nullptr) return engine::kWaveNotOpen;
  const LoopLock lock(loop_);
  if (error_ != 0) return error_;
  const uint32_t flags = header.Flags;
  if ((flags & engine::kWaveHeaderPrepared) == 0) return engine::kWaveNotPrepared;
  if (flags & engine::kWaveHeaderInQueue) return engine::kWaveStillPlaying;
  if (header.Length > header.Data.size()) return engine::kWaveInvalidParam;

  // The server takes whole frames only; a partial last frame is completed with silence.
  const std::size_t frame = pa_frame_size(&spec_);
  const auto bytes = static_cast<int64_t>((header.Length + frame - 1) / frame * frame);
  header.Flags = (flags | engine::kWaveHeaderInQueue) & ~engine::kWaveHeaderDone;
  const bool wasIdle = queue_.empty();
  if (wasIdle && !paused_) {
    // Everything before has played: the clock that carries completions forward starts here.
    const pa_usec_t now = pa_rtclock_now();
    played_ = EstimatedPlayed(now);
    played_at_ = now;
  }
  queued_end_ += bytes;
  queue_.push_back(Entry{&header, queued_end_, false});
  if (paused_) return engine::kWaveNoError;
  // Sent at once unless the server holds more than the buffer the next check waits for: that
  // check sends it, with whatever else the engine has refilled by then, in time.
  const int64_t played = EstimatedPlayed(pa_rtclock_now());
  const auto unplayed = std::count_if(queue_.begin(), queue_.end(), [&](const Entry& entry) {
    return entry.sent && entry.end > played;
  });
  if (unplayed < 2) {
    if (const int result = SendPending(); result != engine::kWaveNoError) {
      Fail(result);
      return result;
    }
  }
  if (wasIdle) ScheduleCheck(pa_bytes_to_usec(static_cast<uint64_t>(bytes), &spec_));
  return engine::kWaveNoError;
}

int TPulseWaveDevice::SendPending() {
  auto entry = std::find_if(queue_.begin(), queue_.end(), [](const Entry& e) { return !e.sent; });
  // Everything waiting goes out as one run of pool blocks, each filled to the brim across the
  // buffers' borders: the server says it is done with each block in a message of its own, which
  // wakes the main loop, so fewer blocks cost fewer wake-ups.
  const uint8_t silence = spec_.format == PA_SAMPLE_U8 ? 0x80 : 0;
  int64_t start = sent_;  // where the entry's bytes begin in the stream
  std::size_t done = 0;   // bytes of the entry already sent
  while (sent_ < queued_end_) {
    void* block = nullptr;
    auto size = static_cast<std::size_t>(queued_end_ - sent_);
    if (pa_stream_begin_write(stream_, &block, &size) < 0) return -pa_context_errno(context_);
    size = std::min(size, static_cast<std::size_t>(queued_end_ - sent_));
    auto* out = static_cast<uint8_t*>(block);
    for (std::size_t filled = 0; filled < size;) {
      const TWaveHeader& header = *entry->header;
      const auto length = static_cast<std::size_t>(entry->end - start);
      const std::size_t n = std::min(length - done, size - filled);
      // The server takes whole frames only; a partial last frame is completed with silence.
      const std::size_t data = done < header.Length ? std::min(n, header.Length - done) : 0;
      if (data > 0) std::memcpy(out + filled, header.Data.data() + done, data);
      std::memset(out + filled + data, silence, n - data);
      filled += n;
      done += n;
      if (done == length) {
        entry->sent = true;
        start = entry->end;
        done = 0;
        ++entry;
      }
    }
    if (pa_stream_write(stream_, block, size, nullptr, 0, PA_SEEK_RELATIVE) < 0) {
      return -pa_context_errno(context_);
    }
    sent_ += static_cast<int64_t>(size);
  }
  return engine::kWaveNoError;
}

int64_t TPulseWaveDevice::EstimatedPlayed(pa_usec_t now) const {
  const auto since = static_cast<int64_t>(pa_usec_to_bytes(now - played_at_, &spec_));
  return std::min(played_ + since, sent_);
}

int TPulseWaveDevice::Pause() { return SetCorked(true); }
int TPulseWaveDevice::Restart() { return SetCorked(false); }

int TPulseWaveDevice::SetCorked(bool corked) {
  if (loop_ == nullptr) return engine::kWaveNotOpen;
  const LoopLock lock(loop_);
  if (error_ != 0 || paused_ == corked) return error_;
  if (!WaitOperation(pa_stream_cork(stream_, corked ? 1 : 0, &OnOperationDone, this))) {
    return ConnectionError();
  }
  paused_ = corked;
  const pa_usec_t now = pa_rtclock_now();
  // Nothing plays while corked: the clock that carries completions forward stops with it.
  if (corked) played_ = EstimatedPlayed(now);
  played_at_ = now;
  if (corked) {
    ScheduleCheck(PA_USEC_INVALID);
    Advance(false);
    return engine::kWaveNoError;
  }
  ScheduleCheck(kCheckMinUsec);
  return SendPending();
}

int TPulseWaveDevice::Reset() {
  if (loop_ == nullptr) return engine::kWaveNotOpen;
  const LoopLock lock(loop_);
  if (error_ == 0 && WaitOperation(pa_stream_flush(stream_, &OnOperationDone, this)) &&
      WaitOperation(pa_stream_update_timing_info(stream_, &OnOperationDone, this))) {
    // The flush moved the server's write index back to what it has read; later buffers follow
    // on from there.
    if (const pa_timing_info* timing = pa_stream_get_timing_info(stream_)) {
      sent_ = queued_end_ = played_ = timing->write_index;
      played_at_ = pa_rtclock_now();
    }
  }
  CompleteAll();
  return engine::kWaveNoError;
}

int TPulseWaveDevice::GetVolume(uint32_t& volume) {
  volume = volume_;
  return engine::kWaveNoError;
}

int TPulseWaveDevice::SetVolume(uint32_t volume) {
  volume_ = volume;
  if (loop_ == nullptr) return engine::kWaveNoError;
  const LoopLock lock(loop_);
  if (error_ == 0) {
    const uint32_t index = pa_stream_get_index(stream_);
    stream_volume_ = ChannelVolumes(volume, spec_.channels);
    Own(pa_context_set_sink_input_volume(context_, index, &stream_volume_, &OnOwnChange, this));
    // Muted in the mixer, the player showed volume 0: a volume set here is heard again.
    if (muted_) {
      muted_ = false;
      Own(pa_context_set_sink_input_mute(context_, index, 0, &OnOwnChange, this));
    }
  }
  return error_;
}

void TPulseWaveDevice::Own(pa_operation* operation) {
  if (operation == nullptr) return;
  ++own_changes_;
  pa_operation_unref(operation);
}

void TPulseWaveDevice::QueryVolume() {
  if (pa_operation* operation = pa_context_get_sink_input_info(
          context_, pa_stream_get_index(stream_), &OnSinkInput, this)) {
    pa_operation_unref(operation);
  }
}

void TPulseWaveDevice::SetMediaInfo(std::string_view title, std::string_view artist) {
  if (loop_ == nullptr) {
    title_ = DecodeTagText(title);
    artist_ = DecodeTagText(artist);
    return;
  }
  const LoopLock lock(loop_);
  title_ = DecodeTagText(title);
  artist_ = DecodeTagText(artist);
  if (error_ != 0) return;
  Proplist media(pa_proplist_new());
  SetMediaProperties(media.get(), title_, artist_);
  if (pa_operation* operation =
          pa_stream_proplist_update(stream_, PA_UPDATE_REPLACE, media.get(), nullptr, nullptr)) {
    pa_operation_unref(operation);
  }
  // A song without a title or artist shows none, not the previous song's.
  const char* gone[3] = {};
  int count = 0;
  if (title_.empty()) gone[count++] = PA_PROP_MEDIA_TITLE;
  if (artist_.empty()) gone[count++] = PA_PROP_MEDIA_ARTIST;
  if (count == 0) return;
  if (pa_operation* operation = pa_stream_proplist_remove(stream_, gone, nullptr, nullptr)) {
    pa_operation_unref(operation);
  }
}

std::string TPulseWaveDevice::ErrorText(int code) const {
  if (code == engine::kWaveBadFormat && !refused_format_.empty()) {
    return "The sound server refused the format " + refused_format_ + ".";
  }
  if (code >= 0) return engine::CommonWaveErrorText(code);
  const int error = -code;
  const std::string detail = std::string(" (") + pa_strerror(error) + ")";
  switch (error) {
    case PA_ERR_CONNECTIONTERMINATED:
      return "The sound server went away; playback stopped" + detail;
    case PA_ERR_CONNECTIONREFUSED:
    case PA_ERR_INVALIDSERVER:
      return "No sound server answers" + detail;
    case PA_ERR_TIMEOUT:
      return "The sound server does not answer" + detail;
    case PA_ERR_NOENTITY:
      return "The sound server has no sink named \"" + sink_ + "\"" + detail;
    default:
      return "Sound server error" + detail;
  }
}

void TPulseWaveDevice::ScheduleCheck(pa_usec_t delay) {
  if (delay != PA_USEC_INVALID) delay = pa_rtclock_now() + std::max(delay, kCheckMinUsec);
  if (timer_ == nullptr) {
    if (delay == PA_USEC_INVALID) return;
    timer_ = pa_context_rttime_new(context_, delay, &OnTimer, this);
  } else {
    pa_context_rttime_restart(context_, timer_, delay);
  }
}

void TPulseWaveDevice::Advance(bool reported) {
  if (error_ != 0) return;
  const pa_usec_t now = pa_rtclock_now();
  const int64_t played = paused_ ? played_ : EstimatedPlayed(now);
  const auto unplayed = std::find_if(queue_.begin(), queue_.end(), [&](const Entry& entry) {
    return !entry.sent || entry.end > played;
  });
  const auto playedCount = static_cast<std::size_t>(unplayed - queue_.begin());
  // All played: only on the server's word, as closing the stream drops what it has not played.
  // Otherwise a batch at a time (the next check comes before the buffer after it is played), or
  // all at a pause, so that the position stands where the sound stopped.
  const bool allPlayed = unplayed == queue_.end() && !queue_.empty();
  if (allPlayed ? reported : playedCount >= (paused_ ? 1 : kCompletionBatch)) {
    for (std::size_t i = 0; i < playedCount; ++i) {
      Complete(*queue_.front().header);
      queue_.pop_front();
    }
  }
  if (queue_.empty() || paused_) return;
  if (const int result = SendPending(); result != engine::kWaveNoError) {
    Fail(result);
    return;
  }
  if (!reported && (allPlayed || now - timing_at_ >= kTimingRefreshUsec)) {
    if (pa_operation* operation = pa_stream_update_timing_info(stream_, &OnTiming, this)) {
      pa_operation_unref(operation);
      return;  // OnTiming goes on
    }
  }
  const auto next = std::find_if(queue_.begin(), queue_.end(),
                                 [&](const Entry& entry) { return entry.end > played; });
  const int64_t until = next != queue_.end() ? next->end : queue_.back().end;
  const auto left = static_cast<uint64_t>(std::max<int64_t>(until - played, 0));
  ScheduleCheck(pa_bytes_to_usec(left, &spec_) + kCheckSlackUsec);
}

void TPulseWaveDevice::TakeReport() {
  pa_usec_t time = 0;
  if (pa_stream_get_time(stream_, &time) < 0) return;
  const pa_usec_t now = pa_rtclock_now();
  auto played = static_cast<int64_t>(pa_usec_to_bytes(time, &spec_));
  const pa_timing_info* timing = pa_stream_get_timing_info(stream_);
  if (timing != nullptr && timing->read_index_corrupt == 0 && timing->read_index >= sent_) {
    // Run dry, the server counts the silence its sink plays after our data as still to come,
    // so its time stops short of the end. The sink goes on at the rate it played before, up to
    // what it has read.
    played = std::max(played, std::min(EstimatedPlayed(now), timing->read_index));
  }
  played_ = played;
  played_at_ = now;
  timing_at_ = now;
}

void TPulseWaveDevice::CompleteAll() {
  for (const Entry& entry : queue_) Complete(*entry.header);
  queue_.clear();
}

void TPulseWaveDevice::Complete(TWaveHeader& header) {
  header.Flags = (header.Flags & ~engine::kWaveHeaderInQueue) | engine::kWaveHeaderDone;
  notify_->PostMessage(engine::MM_WOM_DONE, 0, reinterpret_cast<std::intptr_t>(&header));
}

void TPulseWaveDevice::Fail(int error) {
  if (notify_ == nullptr) return;  // only asked whether a server answers
  // The server is gone: report everything done so that nobody waits for it, and make the next
  // call say why.
  if (error_ == 0) error_ = error;
  CompleteAll();
  pa_threaded_mainloop_signal(loop_, 0);
}

void TPulseWaveDevice::OnContextState(pa_context* context, void* self) {
  auto* device = static_cast<TPulseWaveDevice*>(self);
  if (!PA_CONTEXT_IS_GOOD(pa_context_get_state(context))) {
    device->Fail(-PA_ERR_CONNECTIONTERMINATED);
  }
  pa_threaded_mainloop_signal(device->loop_, 0);
}

void TPulseWaveDevice::OnStreamState(pa_stream* stream, void* self) {
  auto* device = static_cast<TPulseWaveDevice*>(self);
  // Also when the server removes the stream (its sink went away, say).
  if (!PA_STREAM_IS_GOOD(pa_stream_get_state(stream))) {
    const int error = pa_context_errno(device->context_);
    device->Fail(error != 0 ? -error : -PA_ERR_KILLED);
  }
  pa_threaded_mainloop_signal(device->loop_, 0);
}

void TPulseWaveDevice::OnTimer(pa_mainloop_api*, pa_time_event*, const struct timeval*,
                               void* self) {
  static_cast<TPulseWaveDevice*>(self)->Advance(false);
}

void TPulseWaveDevice::OnTiming(pa_stream*, int success, void* self) {
  auto* device = static_cast<TPulseWaveDevice*>(self);
  if (success) device->TakeReport();
  device->Advance(success != 0);
}

void TPulseWaveDevice::OnOperationDone(pa_stream*, int, void* self) {
  pa_threaded_mainloop_signal(static_cast<TPulseWaveDevice*>(self)->loop_, 0);
}

void TPulseWaveDevice::OnOwnChange(pa_context*, int, void* self) {
  --static_cast<TPulseWaveDevice*>(self)->own_changes_;
}

void TPulseWaveDevice::OnSubscription(pa_context*, pa_subscription_event_type_t type,
                                      uint32_t index, void* self) {
  auto* device = static_cast<TPulseWaveDevice*>(self);
  if (device->stream_ == nullptr || index != pa_stream_get_index(device->stream_) ||
      (type & PA_SUBSCRIPTION_EVENT_TYPE_MASK) != PA_SUBSCRIPTION_EVENT_CHANGE) {
    return;
  }
  device->QueryVolume();
}

void TPulseWaveDevice::OnSinkInput(pa_context*, const pa_sink_input_info* info, int, void* self) {
  auto* device = static_cast<TPulseWaveDevice*>(self);
  // While our own changes are on their way, an answer may show the volume before them; once they
  // are done, it shows them or a later change of the mixer's.
  if (info == nullptr || device->notify_ == nullptr || device->own_changes_ > 0) return;
  const bool muted = info->mute != 0;
  // Our own SetVolume coming back, or a change of something else than the volume.
  if (muted == device->muted_ && pa_cvolume_equal(&info->volume, &device->stream_volume_)) return;
  device->muted_ = muted;
  device->stream_volume_ = info->volume;
  device->volume_ = muted ? 0 : VolumeWord(info->volume);
  device->notify_->PostMessage(engine::MM_MIXM_CONTROL_CHANGE);
}

bool PulseServerAnswers(std::string& error) {
  TPulseWaveDevice probe;
  const int result = probe.ConnectContext();
  if (result != engine::kWaveNoError) error = probe.ErrorText(result);
  probe.Disconnect();
  return result == engine::kWaveNoError;
}

}  // namespace yumekaze::platform
