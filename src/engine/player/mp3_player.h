// TMP3Player: plays one MPEG audio file at a time. It finds the audio between the file's tags,
// decodes it frame by frame on a worker thread and plays it through a TSoundOut with four
// half-second buffers. State changes, position ticks, errors and the end of play reach the front
// end as events on the user-interface thread, through the player's message window.
//
// Everything here runs on the user-interface thread: properties, commands and events. The front
// end pumps the message window (Window()) from its event loop; events fire only from there, never
// from inside a command, and several changes of one kind while its message waits fire once.
#pragma once

#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "decoder/decoder.h"
#include "engine/player/equalizer_tables.h"
#include "engine/player/file_opener.h"
#include "engine/player/frame_source.h"
#include "engine/player/message_window.h"
#include "engine/player/opened_file.h"
#include "engine/player/player_types.h"
#include "engine/player/seek_index.h"
#include "engine/player/seek_index_builder.h"
#include "engine/sound/wave_device.h"
#include "engine/stream/http_stream.h"
#include "engine/stream/stream.h"
#include "engine/threads/loop_thread.h"
#include "engine/threads/mutex.h"

namespace yumekaze::engine {

class TSoundOut;

class TMP3Player : private TMPMessageHandler {
 public:
  using TNotifyEvent = std::function<void(TMP3Player& sender)>;
  using TMP3EndPlayEvent = std::function<void(TMP3Player& sender, TMP3EndPlayReason reason)>;
  // Shows an error that ended playback (a failing device, a read error, a failed check on the
  // worker or the sound output's thread). Without a handler the message goes to standard error.
  using TExceptionEvent = std::function<void(TMP3Player& sender, const std::exception& error)>;
  // The end of an OpenFileAsync: error is null when the file is now open, else why it is not.
  using TOpenedEvent =
      std::function<void(TMP3Player& sender, const std::string& name, const std::exception* error)>;

  // OpenStream flags.
  static constexpr uint8_t kStreamSeekable = 0x01;  // seekable, size known
  static constexpr uint8_t kStreamOwned = 0x02;     // the player deletes the stream at Close

  // The device every playback plays through; without one, Play fails until SetWaveDevice. Front
  // ends pass the platform's device of the user's choice (ALSA "default" normally).
  explicit TMP3Player(std::unique_ptr<TWaveDevice> device = nullptr);
  // Stops, closes and ends every thread without firing OnEndPlay.
  virtual ~TMP3Player();
  TMP3Player(const TMP3Player&) = delete;
  TMP3Player& operator=(const TMP3Player&) = delete;

  // Replaces the wave device. The volume and balance carry over, and so does the playback: it
  // goes on on the new device from the same position (paused stays paused). Throws when the new
  // device cannot open; the player is then stopped.
  void SetWaveDevice(std::unique_ptr<TWaveDevice> device);
  TWaveDevice* WaveDevice() const;

  // The message window. Pump it on the user-interface thread: Window().ProcessPending() whenever
  // Window().NotifyFd() polls readable (or from a wake handler, or after WaitForMessages).
  TMPMessageWindow& Window() { return window_; }

  // Restoring stored settings: between BeginLoading() and Loaded() the AutoOpen and FileName
  // writers do not open, and Volume 0 takes the device's current volume instead.
  void BeginLoading();
  void Loaded();

  // ---- properties, in their stored order
  bool AutoOpen() const { return auto_open_; }
  void SetAutoOpen(bool value);
  bool AutoPlay() const { return auto_play_; }
  void SetAutoPlay(bool value);
  int ChangePosStep() const { return change_pos_step_; }  // ms between position ticks
  void SetChangePosStep(int value);
  TThreadPriority DecodePriority() const { return decode_priority_; }
  void SetDecodePriority(TThreadPriority value);
  bool EqualizerEnabled() const { return equalizer_.Enabled; }
  void SetEqualizerEnabled(bool value);
  int EqualizerCount() const { return equalizer_.Count; }
  void SetEqualizerCount(int value);  // 1..32; other values are ignored
  TMP3EqualizerMode EqualizerMode() const { return equalizer_.Mode; }
  void SetEqualizerMode(TMP3EqualizerMode value);
  const std::string& FileName() const { return file_name_; }
  void SetFileName(const std::string& value);
  bool NoisySeek() const { return noisy_seek_; }
  void SetNoisySeek(bool value) { noisy_seek_ = value; }
  TMP3CpuCapabilities UsingCpuCapabilities() const { return using_cpu_capabilities_; }
  void SetUsingCpuCapabilities(TMP3CpuCapabilities value);
  int VolBalance() const { return vol_balance_; }
  void SetVolBalance(int value);  // -100..100
  int Volume() const { return volume_; }
  void SetVolume(int value);  // 0..100
  // ReplayGain from the file's tags (TXXX, APEv2, RVA2) or its LAME tag: default rgmTrack, so
  // files carrying a gain play at the loudness it gives and files without one at the default
  // gain (0 dB); the pre-amp (dB) adds to a stored gain. With PreventClipping (the default) the
  // gain never pushes the stored peak past full scale; without a stored peak a gain never
  // raises the level, whatever PreventClipping says. Changes apply to the open file at once.
  TMP3ReplayGainMode ReplayGainMode() const { return replay_gain_mode_; }
  void SetReplayGainMode(TMP3ReplayGainMode value);
  double ReplayGainPreamp() const { return replay_gain_preamp_; }
  void SetReplayGainPreamp(double decibels);  // -20..20; others ignored
  bool ReplayGainPreventClipping() const { return replay_gain_prevent_clipping_; }
  void SetReplayGainPreventClipping(bool value);
  double ReplayGainDefault() const { return replay_gain_default_; }
  void SetReplayGainDefault(double decibels);  // -20..0; others ignored
  // The gain the open file plays at, and the factor it makes (1 without ReplayGain).
  TMP3AppliedGain ReplayGainApplied() const;
  float ReplayGainFactor() const;

  const TNotifyEvent& OnChangePosition() const { return on_change_position_; }
  void SetOnChangePosition(TNotifyEvent handler) { on_change_position_ = std::move(handler); }
  const TNotifyEvent& OnChangeStatus() const { return on_change_status_; }
  void SetOnChangeStatus(TNotifyEvent handler) { on_change_status_ = std::move(handler); }
  const TMP3EndPlayEvent& OnEndPlay() const { return on_end_play_; }
  void SetOnEndPlay(TMP3EndPlayEvent handler) { on_end_play_ = std::move(handler); }
  const TExceptionEvent& OnShowException() const { return on_show_exception_; }
  void SetOnShowException(TExceptionEvent handler) { on_show_exception_ = std::move(handler); }
  const TOpenedEvent& OnOpened() const { return on_opened_; }
  void SetOnOpened(TOpenedEvent handler) { on_opened_ = std::move(handler); }
  // Playback went on with the file set by SetNextFile, now FileName. A SetNextFile from the
  // handler is in time for the end of this file, however short.
  const TNotifyEvent& OnNextTrack() const { return on_next_track_; }
  void SetOnNextTrack(TNotifyEvent handler) { on_next_track_ = std::move(handler); }
  // Volume changed outside the player: the desktop's mixer set the sound device's volume (or
  // muted it, which reads as 0). The player's own SetVolume does not fire it.
  const TNotifyEvent& OnVolumeChange() const { return on_volume_change_; }
  void SetOnVolumeChange(TNotifyEvent handler) { on_volume_change_ = std::move(handler); }
  // The open network stream's facts changed: its title, station headers, buffering or
  // reconnection (StreamFacts()).
  const TNotifyEvent& OnStreamInfo() const { return on_stream_info_; }
  void SetOnStreamInfo(TNotifyEvent handler) { on_stream_info_ = std::move(handler); }

  // ---- commands
  // Opens FileName (Close when it is empty). A file that cannot be opened throws TMPStreamError
  // and leaves the open file as it was; one that is not MPEG audio throws TMPFormatError
  // ("unknown MPEG Audio format.") and leaves the player closed. An http(s) URL is opened as
  // OpenFileAsync opens it.
  void Open();
  // Opens the file `name` without waiting for it: the file is opened and checked on a thread of
  // its own, and OnOpened fires once that is done. On success the file then replaces the open one
  // (FileName = name, AutoPlay applies); on failure the open file stays as it was. Only the
  // latest request counts: an earlier one that finishes later is dropped.
  void OpenFileAsync(const std::string& name);
  // Names the file to follow the playing one without a gap (empty: none). It is opened and
  // checked ahead; when it decodes to the same sampling rate and channels, the player goes on
  // with it at the end of the data on the open device, with FileName = name, and fires
  // OnNextTrack instead of OnEndPlay. Otherwise playback ends as usual (always before a
  // station). Stop, Open and Close forget it.
  void SetNextFile(const std::string& name);
  // Opens stream with kStreamSeekable / kStreamOwned flags; nullptr only closes (then AutoPlay).
  void OpenStream(TMPStream* stream, uint8_t flags);
  void Close();
  // Starts playing and returns at once with Status playing: the device opens on a thread of its
  // own. One that cannot be opened is reported through OnShowException (a TMPDeviceOpenError),
  // followed by OnEndPlay(meprError) and Status stopped. Throws only when there is no device.
  void Play();
  void Stop();
  void Pause();
  void Resume();
  // Moves playback to `milliseconds` from the start (the time PlayedMilliseconds counts): playing
  // goes on from there, paused stays paused; a time at or past the end ends the file as playing
  // to its end would. The PCM from there on is exactly that of a play from the start. False, and
  // nothing changes, when the player is not playing or paused or its stream cannot seek.
  bool Seek(int64_t milliseconds);

  bool Opened() const { return stream_ != nullptr; }
  // Playing or paused, and the sound device is open: false while Play still waits for it.
  bool DeviceOpen() const;
  // The sound device is still being opened, or closed after a playback that no longer wants it,
  // on a thread of its own (a device that is slow to open or stuck in a write).
  bool DeviceBusy() const;
  // 0 stopped, 1 playing, 2 paused (TMP3Status).
  uint8_t Status() const { return status_; }
  // kCapAlways, kCapOpened, ... (player_types.h).
  uint8_t Capabilities() const;
  // Tag texts merged over the tags, as stored in the file (decode them for display at the edge);
  // for a network stream the artist part of its title ("Artist - Title"), in UTF-8.
  std::string Artist() const;
  // The tag's title, or the file name without its folder when the tags have none; for a network
  // stream the title part of its title, else the station's name, else the URL.
  std::string SongTitle() const;
  // The open file is a network stream (a live one: it cannot seek and has no length).
  bool Live() const { return live_ != nullptr; }
  // The open network stream's facts; empty facts for a file.
  TMPStreamFacts StreamFacts() const;

  // ---- equalizer
  // Lays the memFreq bands out between low and high Hz, evenly in log scale.
  void SetFrequencyRange(int low, int high);
  // Band gain g means the factor 10^(g/100): 0 unity, 100 = +20 dB, -100 = -20 dB.
  int EqualizerGain(int band) const;
  void SetEqualizerGain(int band, int gain);   // band 0..31
  int EqualizerBandFrequency(int band) const;  // Hz
  // Every equalizer setting at once (a preset, the CLI's --eq).
  const TEqualizerBands& Equalizer() const { return equalizer_; }
  void SetEqualizer(const TEqualizerBands& bands);
  // The gain tables of the player's decoder, as the equalizer and ReplayGain last filled them.
  const decoder::EqualizerState& DecoderGains() const { return decoder_->equalizer; }

  // ---- what is open (all 0 while closed)
  const TMP3Info& Info() const;
  // The open stream's frame layout: first header, bitrate, free format, VBR header. The worker
  // steps it while playing: read it while stopped.
  const TMPFrameSource& Source() const { return file_->Source; }
  const decoder::MpegFrameHeader& FirstFrameHeader() const { return file_->Source.FirstHeader(); }
  int SampleRate() const { return sample_rate_; }  // Hz of the PCM
  int Channels() const { return channels_; }
  int LayerNumber() const { return file_->Source.LayerNumber(); }  // 1, 2, 3
  int MpegVersion() const { return file_->Source.MpegVersion(); }  // 1 MPEG-1, 2 MPEG-2, 3 MPEG-2.5
  int64_t AudioStart() const;
  // kUnknownAudioLength: unknown. Shrinks while playing when the data breaks off early.
  int64_t AudioLength() const;
  // Time of the audio played since Play, counted in buffers the device reported done.
  int64_t PlayedMilliseconds() const;
  // Playing time of the whole file: from the VBR header's frame count, else from the audio
  // length and the first frame's bitrate; -1 when neither is known (or while closed).
  int64_t TotalMilliseconds() const;
  int OutputDevice() const { return output_device_; }  // always -1: the device chosen above

 protected:
  virtual void DoChangeStatus();
  virtual void DoChangePosition();
  virtual void DoEndPlay();

 private:
  // message window and loop thread dispatch
  void WindowProcedure(TMPMessage& message);
  void Dispatch(TMPMessage& message) override;  // the worker's messages
  void HandlePosition();
  void HandleError(TMPMessage& message);
  void HandleEndOfStream(const TMPMessage& message);
  void HandleStatus();
  void HandleEndPlay();
  void HandleVolume();
  void HandleStreamInfo();
  void HandleEqualizer();  // equalizer_settings.cpp
  // Fills the decoder's gain tables for the open file before its first frame.
  void ApplyEqualizer();
  void HandleOpened(TMPMessage& message);
  void HandleSeekIndex(const TMPMessage& message);
  // True while the seek index is built on a thread of its own (started here when the stream has
  // a second reader); false when Seek must build it itself.
  bool BuildingSeekIndex();
  void ForgetSeekIndex();
  // next_track.cpp
  bool TakeNextFile(std::unique_ptr<TMPOpenOutcome>& outcome);
  void HandleEndOfData(const TMPMessage& message);
  void ContinueAtEndOfData();
  void SwitchToNextFile(std::unique_ptr<TMPOpenOutcome> next);
  void ForgetNextFile();

  void OpenStreamWithoutPlay(TMPStream* stream, uint8_t flags);
  // Makes `file`, opened over `stream`, the open file (Close first).
  void TakeOpenedFile(std::unique_ptr<TMPStream> stream, std::unique_ptr<TMPOpenedFile> file);
  // Under the decode lock: puts `file` and its `stream` in place of the open ones, decoding with
  // the player's decoder.
  void InstallFile(std::unique_ptr<TMPStream> stream, std::unique_ptr<TMPOpenedFile> file);
  // Sets the sound output, the equalizer and the status up for the file just opened.
  void SetUpForOpenFile();
  // Lets the worker read the open stream without waiting for it, and hears a network stream's
  // changes.
  void ReadWithoutWaiting();
  void SetStatus(uint8_t value);
  void PostUnlessPending(uint32_t msg);
  void ShowException(const std::exception_ptr& error);
  void RelayException(const std::exception& error);
  void ReleaseRelayedError(std::uintptr_t serial);
  void ReleaseRelayedErrors();

  // decode_loop.cpp
  void DecodeStep();
  void DecodeStepReading();  // DecodeStep, which may throw TMPReadPending
  void DropBeforeSeekTarget();
  void ReopenOutput(uint64_t generation);
  void DrainOutput(uint64_t generation);

  // Settings.
  bool auto_play_ = true;
  bool auto_open_ = true;
  std::string file_name_;
  int change_pos_step_ = 400;
  int vol_balance_ = 0;
  int volume_ = 100;
  uint8_t status_ = 0;
  bool loading_ = false;
  bool destroying_ = false;
  TNotifyEvent on_change_position_;
  TNotifyEvent on_change_status_;
  TMP3EndPlayEvent on_end_play_;
  TExceptionEvent on_show_exception_;
  TOpenedEvent on_opened_;
  TNotifyEvent on_next_track_;
  TNotifyEvent on_volume_change_;
  TNotifyEvent on_stream_info_;
  TMP3EndPlayReason end_reason_ = meprStopped;
  TMP3CpuCapabilities using_cpu_capabilities_ = kAllCpuCapabilities;
  TEqualizerBands equalizer_;
  bool noisy_seek_ = true;
  TMP3ReplayGainMode replay_gain_mode_ = rgmTrack;
  double replay_gain_preamp_ = 0.0;
  bool replay_gain_prevent_clipping_ = true;
  double replay_gain_default_ = 0.0;
  TThreadPriority decode_priority_ = TThreadPriority::tpNormal;
  const int output_device_ = -1;

  // The open file.
  TMPStream* stream_ = nullptr;
  uint8_t stream_flags_ = 0;
  TMPHttpStream* live_ = nullptr;  // stream_ when it is a network stream
  // Written by the worker when the stream changes format mid-play, read by the UI thread.
  std::atomic<int> sample_rate_{0};
  std::atomic<int> channels_{0};
  int frame_bytes_ = 0;

  // Decoding, guarded by decode_lock_.
  std::unique_ptr<uint8_t[]> pcm_;  // one decoded frame (kPcmBufferSize)
  int pcm_pending_ = 0;
  bool reinit_ = false;
  uint64_t play_generation_ = 0;  // counts Play and Stop, so a drain knows it was overtaken
  std::atomic<int64_t> written_bytes_{0};  // PCM the sound output took since Play
  std::atomic<int64_t> track_start_{0};    // written_bytes_ where the current file began
  std::atomic<int64_t> position_base_{0};  // ms of the file where written_bytes_ began counting
  int drop_bytes_ = 0;                     // PCM still to drop before a seek's target
  TMPSeekIndex seek_index_;                // built at the first Seek of a file

  TMPMessageWindow window_;
  TMPSeekIndexBuilder index_builder_{window_, MPM_SEEKINDEX};
  uint64_t index_request_ = 0;  // the index being built for the open file
  int64_t seek_target_ = -1;    // ms of a seek waiting for that index

  // Threads blocked in RelayException until their MPM_ERROR is handled.
  struct TRelayWait {
    std::uintptr_t Serial;
    TMPEvent* Shown;
  };
  std::mutex relay_mutex_;
  std::uintptr_t relay_serial_ = 0;
  std::vector<TRelayWait> relay_waiting_;

  TMPFileOpener opener_{window_, MPM_OPENED};
  uint64_t open_request_ = 0;             // the OpenFileAsync that counts
  uint64_t next_request_ = 0;             // the SetNextFile that counts
  std::unique_ptr<TMPOpenOutcome> next_;  // the file to follow, opened and checked
  // A next file is set or being checked: the worker leaves the end of the data to the
  // user-interface thread, which switches to it or lets the worker play out.
  std::atomic<bool> next_wanted_{false};
  bool end_of_data_ = false;  // the worker waits at the end of the data for the next file
  // The player's own decoder: its bit reservoir, synthesis state and gain tables belong to this
  // player alone. On the heap, since it is large; it outlives every file decoded with it.
  std::unique_ptr<decoder::DecoderState> decoder_;
  // The open file's reader, tags and frames, decoded with decoder_; empty while closed.
  std::unique_ptr<TMPOpenedFile> file_;
  std::unique_ptr<TSoundOut> sound_;
  TMPSimpleMutex output_lock_;
  mutable TMPSimpleMutex decode_lock_;
  std::unique_ptr<TMPLoopThread> worker_;  // last: its thread ends before the rest goes
};

}  // namespace yumekaze::engine
