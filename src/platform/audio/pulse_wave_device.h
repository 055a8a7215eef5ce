// The desktop's sound server through libpulse (PipeWire serves the same protocol through
// pipewire-pulse). The stream holds up to the engine's four half-second buffers; buffers are
// reported done two at a time once they have been played by the server's timing, carried forward
// by the clock between the server's reports, so that the engine refills two buffers per wake-up.
// Pause corks the stream, Reset flushes it, and the volume is the stream's, the one the desktop's
// mixer shows: a change made there (or a mute, which counts as volume 0) becomes the device's
// volume and is posted as MM_MIXM_CONTROL_CHANGE.
#pragma once

#include <pulse/pulseaudio.h>

#include <atomic>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

#include "engine/sound/wave_device.h"

namespace yumekaze::platform {

// Names the player to the server and to the desktop's mixer.
inline constexpr const char* kPulseApplicationName = "Yumekaze";
inline constexpr const char* kPulseApplicationId = "io.github.yumekaze.Yumekaze";
// The icon the desktop entry installs.
inline constexpr const char* kPulseIconName = "io.github.yumekaze.Yumekaze";

class TPulseWaveDevice final : public engine::TWaveDevice {
 public:
  // `sink` empty: the server's default sink.
  explicit TPulseWaveDevice(std::string sink = {}) : sink_(std::move(sink)) {}
  ~TPulseWaveDevice() override;

  const std::string& Sink() const { return sink_; }

  int Open(const engine::TWaveFormat& format, engine::TMPMessagePoster& notify) override;
  int Close() override;
  int Prepare(engine::TWaveHeader& header) override;
  int Unprepare(engine::TWaveHeader& header) override;
  int Write(engine::TWaveHeader& header) override;
  int Pause() override;
  int Restart() override;
  int Reset() override;
  int GetVolume(uint32_t& volume) override;
  int SetVolume(uint32_t volume) override;
  void SetMediaInfo(std::string_view title, std::string_view artist) override;
  // Codes below 0 are libpulse's error codes, negated.
  std::string ErrorText(int code) const override;

 private:
  struct Entry {
    engine::TWaveHeader* header;
    int64_t end;  // stream write index just after the buffer
    bool sent;    // handed to the server
  };

  friend bool PulseServerAnswers(std::string& error);

  int ConnectContext();  // starts the main loop and connects to the server
  int Connect(const engine::TWaveFormat& format);
  void Disconnect();
  // Waits on the main loop (locked) until `done` holds, the connection fails or `seconds` pass.
  template <typename Done>
  bool WaitLocked(Done done, int seconds);
  bool WaitOperation(pa_operation* operation);
  int ConnectionError() const;
  // Asks the server for the stream's volume and mute; OnSinkInput takes the answer.
  void QueryVolume();
  // Counts a change of our stream's volume or mute until the server has made it.
  void Own(pa_operation* operation);
  void ScheduleCheck(pa_usec_t delay);
  int SetCorked(bool corked);
  // Sends what the server does not have yet, in as few pool blocks as it fits in.
  int SendPending();
  int64_t EstimatedPlayed(pa_usec_t now) const;
  // Completes what has been played, sends what waits, and plans the next check; `reported`:
  // the server has just said what it played.
  void Advance(bool reported);
  void TakeReport();
  void CompleteAll();
  void Complete(engine::TWaveHeader& header);
  void Fail(int error);

  static void OnContextState(pa_context* context, void* self);
  static void OnStreamState(pa_stream* stream, void* self);
  static void OnTimer(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* self);
  static void OnTiming(pa_stream* stream, int success, void* self);
  static void OnOperationDone(pa_stream*, int success, void* self);
  static void OnOwnChange(pa_context*, int success, void* self);
  static void OnSubscription(pa_context*, pa_subscription_event_type_t type, uint32_t index,
                             void* self);
  static void OnSinkInput(pa_context*, const pa_sink_input_info* info, int eol, void* self);

  std::string sink_;
  std::string title_;
  std::string artist_;
  std::string refused_format_;  // the format a sink refused, for its error text
  // Everything below is guarded by the main loop's lock once the loop runs.
  pa_threaded_mainloop* loop_ = nullptr;
  pa_context* context_ = nullptr;
  pa_stream* stream_ = nullptr;
  pa_time_event* timer_ = nullptr;
  pa_sample_spec spec_{};
  engine::TMPMessagePoster* notify_ = nullptr;
  std::deque<Entry> queue_;  // not yet reported done, in play order
  int64_t queued_end_ = 0;   // write index after the last queued buffer
  int64_t sent_ = 0;         // the server's write index
  int64_t played_ = 0;       // bytes played, as of played_at_
  pa_usec_t played_at_ = 0;
  pa_usec_t timing_at_ = 0;  // the server's last report
  int error_ = 0;            // sticky: the connection failed; later calls report it
  bool paused_ = false;
  bool timed_out_ = false;
  // The stream's volume and mute as last set here or seen from the server: a report that
  // matches them is our own change coming back.
  pa_cvolume stream_volume_{};
  bool muted_ = false;
  int own_changes_ = 0;  // our volume and mute changes the server has not answered yet
  std::atomic<uint32_t> volume_ = engine::kWaveVolumeFull;  // read by any thread
};

// Whether a sound server answers now (PULSE_SERVER or the user's own); `error` says why not.
bool PulseServerAnswers(std::string& error);

}  // namespace yumekaze::platform
