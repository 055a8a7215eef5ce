#include "engine/player/mp3_player.h"

#include <algorithm>
#include <cstdio>

#include "decoder/cpu_capabilities.h"
#include "engine/sound/sound_out.h"
#include "engine/stream/icy_metadata.h"
#include "engine/stream/stream_reader.h"
#include "engine/tags/mp3_info.h"

namespace yumekaze::engine {
TMP3Player::TMP3Player(std::unique_ptr<TWaveDevice> device)
    : window_([this](TMPMessage& message) { WindowProcedure(message); }),
      decoder_(std::make_unique<decoder::DecoderState>()),
      file_(std::make_unique<TMPOpenedFile>(*decoder_)),
      sound_(std::make_unique<TSoundOut>(std::move(device))) {
  sound_->SetPositionInterval(change_pos_step_);
  sound_->SetOnError([this](TSoundOut&, const std::exception& error, bool& handled) {
    RelayException(error);
    handled = true;
  });
  sound_->SetOnPosition([this](TSoundOut&) { window_.Post(MPM_POSITION); });
  sound_->SetOnDeviceVolume([this](TSoundOut&) { window_.PostUnlessPending(MPM_VOLUME); });
  worker_ = std::make_unique<TMPLoopThread>(static_cast<TMPMessageHandler*>(this));
  worker_->SetOnException([this](TMPLoopThread&, const std::exception& error, bool& handled) {
    RelayException(error);
    handled = true;
  });
  worker_->Resume();
}

TMP3Player::~TMP3Player() {
  destroying_ = true;
  try {
    Stop();
    Close();
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
  }
  // Messages still waiting are dropped with the window; errors carried in them are freed, and
  // threads waiting for theirs to be shown go on.
  for (const TMPMessage& message : window_.Destroy()) {
    if (message.Msg == MPM_ERROR) delete reinterpret_cast<std::exception_ptr*>(message.LParam);
    if (message.Msg == MPM_OPENED) delete reinterpret_cast<TMPOpenOutcome*>(message.LParam);
    if (message.Msg == MPM_SEEKINDEX) {
      delete reinterpret_cast<TMPSeekIndexResult*>(message.LParam);
    }
  }
  ReleaseRelayedErrors();
  // The worker uses the sound output: it ends first, while both still exist.
  worker_->Terminate();
  worker_.reset();
  // The sound output's thread may still be handling completions of the reset buffers; it ends
  // here while the sound output is whole.
  sound_->Thread().Terminate();
  sound_.reset();
}

void TMP3Player::SetWaveDevice(std::unique_ptr<TWaveDevice> device) {
  if (status_ == kStatusStopped) {
    std::lock_guard output(output_lock_);
    sound_->SetDevice(std::move(device));
    return;
  }
  // The playback goes on on the new device from where it was; paused stays paused. The worker
  // stays still until the seek has put the file there, so nothing from elsewhere is heard.
  int64_t played = 0;
  try {
    std::lock_guard decode(decode_lock_);
    std::lock_guard output(output_lock_);
    played = PlayedMilliseconds();
    worker_->Event().ResetEvent();
    sound_->SetWaiter(nullptr);
    sound_->Reset();
    sound_->SetDevice(std::move(device));
    sound_->SetMediaInfo(SongTitle(), Artist());
    // Opened on its own thread like Play's; the worker takes it over, or reports why it could
    // not be opened. A pause is applied once it is open.
    sound_->BeginOpen();
    if (status_ == kStatusPaused) sound_->Pause();
  } catch (...) {
    end_reason_ = meprError;  // there is no new device
    Stop();
    throw;
  }
  // A stream that cannot seek (a station) goes on from where it was read.
  if (!Seek(played)) worker_->Event().SetEvent();
}

TWaveDevice* TMP3Player::WaveDevice() const { return sound_->Device(); }

const TMP3Info& TMP3Player::Info() const { return file_->Info; }

// ---- loading

void TMP3Player::BeginLoading() { loading_ = true; }

void TMP3Player::Loaded() {
  loading_ = false;
  if (equalizer_.Mode == memFreq) SetFrequencyRange(60, 16000);
  if (auto_open_ && !file_name_.empty()) Open();
}

// ---- properties

void TMP3Player::SetAutoOpen(bool value) {
  auto_open_ = value;
  if (auto_open_ && !loading_) Open();
}

void TMP3Player::SetAutoPlay(bool value) {
  auto_play_ = value;
  if (Opened() && (status_ == kStatusStopped || status_ == kStatusPaused)) Play();
}

void TMP3Player::SetChangePosStep(int value) {
  if (value < 100) return;
  change_pos_step_ = value;
  std::lock_guard output(output_lock_);
  sound_->SetPositionInterval(value);
}

void TMP3Player::SetDecodePriority(TThreadPriority value) {
  decode_priority_ = value;
  worker_->SetPriority(value);
}

void TMP3Player::SetEqualizerEnabled(bool value) {
  if (value == equalizer_.Enabled) return;
  equalizer_.Enabled = value;
  PostUnlessPending(MPM_EQUALIZER);
}

// The band tables hold 32 bands; larger counts are ignored like 0.
void TMP3Player::SetEqualizerCount(int value) {
  if (value <= 0 || value > TEqualizerBands::kMaxBands || value == equalizer_.Count) return;
  equalizer_.Count = value;
  PostUnlessPending(MPM_EQUALIZER);
}

void TMP3Player::SetEqualizerMode(TMP3EqualizerMode value) {
  if (value == equalizer_.Mode) return;
  equalizer_.Mode = value;
  PostUnlessPending(MPM_EQUALIZER);
}

void TMP3Player::SetFileName(const std::string& value) {
  file_name_ = value;
  if (auto_open_ && !loading_) Open();
}

void TMP3Player::SetUsingCpuCapabilities(TMP3CpuCapabilities value) {
  using_cpu_capabilities_ = static_cast<TMP3CpuCapabilities>(
      value & decoder::FlagsToCapabilitySet(decoder::GetCpuCapabilities()));
}

void TMP3Player::SetVolBalance(int value) {
  if (value < -100 || value > 100) return;
  vol_balance_ = value;
  std::lock_guard output(output_lock_);
  sound_->SetBalance(value);
}

void TMP3Player::SetVolume(int value) {
  if (static_cast<unsigned>(value) > 100) return;
  std::lock_guard output(output_lock_);
  // A stored 0 means "whatever the device is set to".
  if (value == 0 && loading_) {
    volume_ = sound_->Volume();
    return;
  }
  volume_ = value;
  sound_->SetVolume(value);
}

// ---- commands

void TMP3Player::Open() {
  if (file_name_.empty()) {
    Close();
    return;
  }
  const std::string name = file_name_;
  // A network stream opens as OpenFileAsync does: nothing here waits for the network.
  if (IsStreamUrl(name)) {
    OpenFileAsync(name);
    return;
  }
  // Opening the file first: a file that cannot be opened leaves the open one playing.
  auto stream = OpenPlayableFile(name);
  OpenStreamWithoutPlay(stream.release(), kStreamSeekable | kStreamOwned);
  file_name_ = name;
  if (auto_play_) Play();
}

void TMP3Player::OpenFileAsync(const std::string& name) {
  opener_.Cancel(open_request_);
  open_request_ = opener_.Start(name);
}

void TMP3Player::OpenStream(TMPStream* stream, uint8_t flags) {
  OpenStreamWithoutPlay(stream, flags);
  if (auto_play_) Play();
}

void TMP3Player::OpenStreamWithoutPlay(TMPStream* stream, uint8_t flags) {
  try {
    Close();
  } catch (...) {
    if (flags & kStreamOwned) delete stream;
    throw;
  }
  stream_ = stream;
  stream_flags_ = flags;
  if (!stream_) return;
  try {
    std::lock_guard decode(decode_lock_);
    file_->Open(stream_, (flags & kStreamSeekable) != 0);
  } catch (...) {
    Close();
    throw;
  }
  ReadWithoutWaiting();
  SetUpForOpenFile();
}

void TMP3Player::TakeOpenedFile(std::unique_ptr<TMPStream> stream,
                                std::unique_ptr<TMPOpenedFile> file) {
  Close();
  {
    std::lock_guard decode(decode_lock_);
    InstallFile(std::move(stream), std::move(file));
  }
  SetUpForOpenFile();
}

void TMP3Player::InstallFile(std::unique_ptr<TMPStream> stream,
                             std::unique_ptr<TMPOpenedFile> file) {
  file->UseDecoder(*decoder_);
  file_ = std::move(file);
  if (stream_flags_ & kStreamOwned) delete stream_;
  stream_ = stream.release();
  stream_flags_ = (file_->Reader.Seekable() ? kStreamSeekable : 0) | kStreamOwned;
  ReadWithoutWaiting();
}

void TMP3Player::SetUpForOpenFile() {
  {
    std::lock_guard decode(decode_lock_);
    pcm_ = std::make_unique<uint8_t[]>(kPcmBufferSize);
    pcm_pending_ = 0;
    const decoder::MpegOutputInfo& output = file_->Source.OutputInfo();
    {
      std::lock_guard lock(output_lock_);
      sound_->SetSampleRate(output.SampleRate);
      sound_->SetBitsPerSample(output.BitsPerSample);
      sound_->SetChannels(output.Channels);
    }
    sample_rate_ = output.SampleRate;
    channels_ = output.Channels;
    frame_bytes_ = output.SamplesPerFrame * output.BitsPerSample / 8;
  }
  ApplyEqualizer();
  PostUnlessPending(MPM_EQUALIZER);
  SetStatus(kStatusStopped);
}

// The worker reads under the decode lock, which the user-interface thread takes too: a stream
// read ahead makes it wait for the file system or the network without the lock instead.
void TMP3Player::ReadWithoutWaiting() {
  stream_->SetWaits(false);
  live_ = dynamic_cast<TMPHttpStream*>(stream_);
  if (live_) live_->SetOnChange([this] { window_.PostUnlessPending(MPM_STREAMINFO); });
}

TMPStreamFacts TMP3Player::StreamFacts() const { return live_ ? live_->Facts() : TMPStreamFacts{}; }

void TMP3Player::Close() {
  ForgetNextFile();
  if (!Opened()) return;
  if (status_ != kStatusStopped) Stop();
  {
    std::lock_guard decode(decode_lock_);
    file_->Reader.Close();
    pcm_.reset();
    pcm_pending_ = 0;
    drop_bytes_ = 0;
    file_->Source.Clear();
  }
  ForgetSeekIndex();
  file_name_.clear();
  if (stream_flags_ & kStreamOwned) delete stream_;
  stream_ = nullptr;
  live_ = nullptr;
  stream_flags_ = 0;
  file_->Info.Clear();
  sample_rate_ = 0;
  channels_ = 0;
  frame_bytes_ = 0;
  SetStatus(kStatusStopped);
}

void TMP3Player::Play() {
  if ((Capabilities() & kCapCanPlay) == 0) return;
  try {
    // The user's choice among the five extensions replaces the detected ones, but never turns
    // on one the processor lacks: its forms would compute other values, or fault.
    const uint32_t detected = decoder::GetCpuCapabilities();
    const uint32_t choosable = decoder::CapabilitySetToFlags(kAllCpuCapabilities);
    decoder::SelectCpuVariants(
        *decoder_, (detected & ~choosable) |
                       (decoder::CapabilitySetToFlags(using_cpu_capabilities_) & detected));
    {
      std::lock_guard output(output_lock_);
      sound_->SetOnPosition([this](TSoundOut&) { window_.Post(MPM_POSITION); });
      sound_->SetDeviceId(output_device_);
      sound_->SetMediaInfo(SongTitle(), Artist());
      // The device opens on a thread of its own; the worker takes it over once it is open, or
      // reports why it could not be opened.
      sound_->BeginOpen();
    }
    written_bytes_ = 0;
    track_start_ = 0;
    position_base_ = 0;
    worker_->Event().SetEvent();
  } catch (...) {
    Stop();
    throw;
  }
  SetStatus(kStatusPlaying);
  end_reason_ = meprStopped;
  PostUnlessPending(MPM_POSITION);
}

void TMP3Player::Stop() {
  ForgetNextFile();
  // A station still connecting is given up too, and nothing comes of it.
  if (opener_.Cancel(open_request_)) open_request_ = 0;
  seek_target_ = -1;
  if (!Opened() || status_ == kStatusStopped) return;
  // A thread waiting for its error to be shown may be the one the sound output must sync with.
  ReleaseRelayedErrors();
  {
    std::lock_guard decode(decode_lock_);
    ++play_generation_;
    {
      std::lock_guard output(output_lock_);
      sound_->SetOnPosition(nullptr);
      sound_->Reset();
      sound_->Close();
      // Last: the buffers that Reset returns wake a registered waiter until Close forgets it.
      worker_->Event().ResetEvent();
    }
    if (file_->Reader.Seekable()) file_->Source.Rewind();
    pcm_pending_ = 0;
    drop_bytes_ = 0;
  }
  SetStatus(kStatusStopped);
  PostUnlessPending(MPM_POSITION);
  if (Opened() && !file_->Reader.Seekable()) Close();
}

void TMP3Player::Pause() {
  if ((Capabilities() & kCapCanPause) == 0) return;
  {
    std::lock_guard output(output_lock_);
    sound_->Pause();
  }
  SetStatus(kStatusPaused);
}

void TMP3Player::Resume() {
  if ((Capabilities() & kCapCanResume) == 0) return;
  {
    std::lock_guard output(output_lock_);
    sound_->Unpause();
  }
  SetStatus(kStatusPlaying);
}

bool TMP3Player::Seek(int64_t milliseconds) {
  if ((Capabilities() & kCapCanSeek) == 0 || sample_rate_ <= 0) return false;
  milliseconds = std::max<int64_t>(milliseconds, 0);
  // Until the index is built, playback waits at the target without a sound.
  const bool waiting = !seek_index_.Built() && BuildingSeekIndex();
  {
    std::lock_guard decode(decode_lock_);
    if (!waiting && !seek_index_.Built()) {
      seek_index_.Build(*stream_, file_->Source.AudioStart(), file_->Source.AudioLength(),
                        file_->Source.LayerNumber());
    }
    // A drain, reopen or wait for the next file belongs to the playback before the seek.
    ++play_generation_;
    end_of_data_ = false;
    {
      std::lock_guard output(output_lock_);
      sound_->SetWaiter(nullptr);
      sound_->Reset();
    }
    pcm_pending_ = 0;
    written_bytes_ = 0;
    track_start_ = 0;
    if (waiting) {
      worker_->Event().ResetEvent();
      drop_bytes_ = 0;
      position_base_ = milliseconds;
    } else {
      const TSeekPoint point =
          seek_index_.Find(milliseconds * sample_rate_ / 1000, file_->Source.Trim());
      file_->Source.SeekTo(point.Offset, point.DecodedSamples);
      drop_bytes_ = static_cast<int>(point.DropSamples * channels_ * 2);
      position_base_ = point.PastEnd
                           ? seek_index_.TrimmedSamples(file_->Source.Trim()) * 1000 / sample_rate_
                           : milliseconds;
      worker_->Event().SetEvent();
    }
  }
  seek_target_ = waiting ? milliseconds : -1;
  PostUnlessPending(MPM_POSITION);
  return true;
}

bool TMP3Player::BuildingSeekIndex() {
  if (index_request_ != 0) return true;
  std::unique_ptr<TMPStream> second = stream_->Duplicate();
  if (!second) return false;
  index_request_ = index_builder_.Start(std::move(second), file_->Source.AudioStart(),
                                        file_->Source.AudioLength(), file_->Source.LayerNumber());
  return true;
}

void TMP3Player::ForgetSeekIndex() {
  seek_index_.Clear();
  index_request_ = 0;
  seek_target_ = -1;
}

bool TMP3Player::DeviceOpen() const { return sound_->DeviceOpen(); }

bool TMP3Player::DeviceBusy() const { return sound_->DeviceBusy(); }

uint8_t TMP3Player::Capabilities() const {
  uint8_t caps = kCapAlways;
  if (!Opened()) return caps;
  caps |= kCapOpened;
  if (status_ == kStatusStopped) caps |= kCapCanPlay | kCapStopped;
  if (status_ == kStatusPlaying || status_ == kStatusPaused) {
    caps |= kCapCanStop;
    if (file_->Reader.Seekable()) caps |= kCapCanSeek;
  }
  if (status_ == kStatusPlaying) caps |= kCapCanPause;
  if (status_ == kStatusPaused) caps |= kCapCanResume;
  return caps;
}

std::string TMP3Player::Artist() const {
  if (!live_) return file_->Info.Merged().artist;
  std::string artist, song;
  SplitStreamTitle(live_->Facts().Title, artist, song);
  return artist;
}

std::string TMP3Player::SongTitle() const {
  if (live_) {
    const TMPStreamFacts facts = live_->Facts();
    std::string artist, song;
    SplitStreamTitle(facts.Title, artist, song);
    return !song.empty() ? song : !facts.Name.empty() ? facts.Name : facts.Url;
  }
  std::string title = file_->Info.Merged().title;
  if (title.empty() && !file_name_.empty()) {
    const auto slash = file_name_.find_last_of('/');
    title = slash == std::string::npos ? file_name_ : file_name_.substr(slash + 1);
  }
  return title;
}

int64_t TMP3Player::AudioStart() const {
  std::lock_guard decode(decode_lock_);
  return file_->Source.AudioStart();
}

int64_t TMP3Player::AudioLength() const {
  std::lock_guard decode(decode_lock_);
  return file_->Source.AudioLength();
}

int64_t TMP3Player::PlayedMilliseconds() const {
  const int64_t bytes_per_second = int64_t{sample_rate_} * channels_ * 2;
  if (bytes_per_second <= 0 || status_ == kStatusStopped) return 0;
  // Every buffer but the last is queued full, so what the output still holds is the current
  // buffer's fill plus the queued buffers.
  const int64_t written = written_bytes_.load();
  const int64_t buffer_size = sound_->BufferSize();
  // The device is still opening: nothing has played since the start or the seek.
  if (buffer_size <= 0) return position_base_;
  const int64_t held = written % buffer_size + int64_t{sound_->Queued()} * buffer_size;
  return position_base_ +
         std::max<int64_t>(written - held - track_start_, 0) * 1000 / bytes_per_second;
}

int64_t TMP3Player::TotalMilliseconds() const {
  std::lock_guard decode(decode_lock_);
  const decoder::MpegOutputInfo& output = file_->Source.OutputInfo();
  if (!Opened() || output.SampleRate <= 0 || output.Channels <= 0) return -1;
  if (file_->Source.VbrFrames() > 0) {
    const int64_t samples =
        int64_t{file_->Source.VbrFrames()} * (output.SamplesPerFrame / output.Channels);
    return samples * 1000 / output.SampleRate;
  }
  if (file_->Source.AudioLength() == kUnknownAudioLength || file_->Source.FirstBitrate() <= 0)
    return -1;
  return file_->Source.AudioLength() * 8000 / file_->Source.FirstBitrate();
}

// ---- status and events

void TMP3Player::SetStatus(uint8_t value) {
  const bool ended = Opened() && (status_ == kStatusPlaying || status_ == kStatusPaused) &&
                     value == kStatusStopped;
  status_ = value;
  PostUnlessPending(MPM_STATUS);
  if (ended) PostUnlessPending(MPM_ENDPLAY);
}

void TMP3Player::PostUnlessPending(uint32_t msg) { window_.PostUnlessPending(msg); }

void TMP3Player::DoChangeStatus() {
  if (on_change_status_ && !destroying_) on_change_status_(*this);
}

void TMP3Player::DoChangePosition() {
  if (on_change_position_ && !destroying_) on_change_position_(*this);
}

void TMP3Player::DoEndPlay() {
  // A front end that pumps the window while the player is destroyed must not hear of its end.
  if (on_end_play_ && !destroying_) on_end_play_(*this, end_reason_);
  end_reason_ = meprStopped;
}

}  // namespace yumekaze::engine
