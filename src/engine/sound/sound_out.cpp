#include "engine/sound/sound_out.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <source_location>
#include <stdexcept>

namespace yumekaze::engine {

namespace {

constexpr char kUnknownWaveOutError[] = "unknown wave out API error.";
constexpr char kOpenContext[] = "TSoundOut.Open:WaveOutOpen";

// The keeper's result of BeginOpen's open, on the sound output's thread: wParam its ticket,
// lParam the result code.
constexpr uint32_t MPM_DEVICEOPENED = WM_USER + 40;

// Internal consistency check: names the unit and the line, like the player's own assertions.
void Assert(bool condition, std::source_location where = std::source_location::current()) {
  if (condition) return;
  char message[64];
  std::snprintf(message, sizeof message, "Assertion failed (MP3Plyr, line %u)",
                static_cast<unsigned>(where.line()));
  throw std::logic_error(message);
}

}  // namespace

int64_t SoundOutBufferSize(int sampleRate, int channels, int bitsPerSample) {
  const int64_t twoSeconds =
      int64_t{channels} * (bitsPerSample / 8) * int64_t{sampleRate} * 2000 / 1000;
  return (twoSeconds / kSoundOutBufferCount + 3) / 4 * 4;
}

uint32_t SoundOutVolumeWord(int volume, int balance) {
  const uint32_t base = static_cast<uint32_t>(volume) * 65535 / 100;
  uint32_t left = base;
  uint32_t right = base;
  if (balance >= -100 && balance <= -1) right = base * static_cast<uint32_t>(100 + balance) / 100;
  if (balance >= 1 && balance <= 100) left = base * static_cast<uint32_t>(100 - balance) / 100;
  return left + right * 65536;
}

std::string WaveOutErrorText(const TWaveDevice* device, int code, const char* context) {
  std::string text = device != nullptr ? device->ErrorText(code) : std::string();
  if (text.empty()) text = CommonWaveErrorText(code);
  if (text.empty()) text = kUnknownWaveOutError;
  return text + "(" + context + ")";
}

void CheckWaveOutResult(const TWaveDevice* device, int code, const char* context) {
  if (code == kWaveNoError) return;
  throw std::runtime_error(WaveOutErrorText(device, code, context));
}

TSoundOut::TSoundOut(std::unique_ptr<TWaveDevice> device) {
  if (device) keeper_ = std::make_shared<TWaveDeviceKeeper>(std::move(device));
  volume_ = GetWaveVolume();
  thread_ = std::make_unique<TMPLoopThread>(static_cast<TMPMessageHandler*>(this));
  if (keeper_) keeper_->Attach(thread_.get());
  thread_->SetOnException([this](TMPLoopThread&, const std::exception& error, bool& handled) {
    ErrorHandler handler;
    {
      std::lock_guard lock(handlers_mutex_);
      handler = on_error_;
    }
    // Called unlocked: the handler may block until another thread has shown the error.
    if (handler) handler(*this, error, handled);
  });
  thread_->Resume();
}

TSoundOut::~TSoundOut() {
  try {
    Close();
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
  }
  // The device may still post to the thread until it is detached, and the thread dispatches to
  // this object: both end here, before any member goes. A device still busy on its own thread
  // goes once that is done.
  ReleaseDevice();
  if (keeper_) keeper_->Attach(nullptr);
  keeper_.reset();
  // Joined before the pointer is cleared: messages still queued are dispatched to this object
  // and reach the thread through thread_ (reset() clears it before it destroys the thread).
  thread_->Terminate();
  thread_.reset();
}

void TSoundOut::SetDevice(std::unique_ptr<TWaveDevice> device) {
  Close();
  if (keeper_) keeper_->Attach(nullptr);
  keeper_.reset();
  if (!device) return;
  keeper_ = std::make_shared<TWaveDeviceKeeper>(std::move(device));
  keeper_->Attach(thread_.get());
}

void TSoundOut::SetMediaInfo(std::string title, std::string artist) {
  media_title_ = std::move(title);
  media_artist_ = std::move(artist);
  if (device_open_) Device()->SetMediaInfo(media_title_, media_artist_);
}

int TSoundOut::GetWaveVolume() {
  int result = 100;
  TWaveDevice* device = Device();
  if (device == nullptr) return result;
  try {
    uint32_t volume = 0;
    CheckWaveOutResult(device, device->GetVolume(volume), "TSoundOut.GetWaveVolume");
    // Rounded, so that a volume set as a percentage reads back as the same percentage.
    result = static_cast<int>((std::max(volume & 0xFFFF, volume >> 16) * 100 + 65535 / 2) / 65535);
  } catch (const std::exception&) {
  }
  return result;
}

void TSoundOut::Open() {
  if (opened_) return;
  BeginOpen();
  WaitForAny({&open_done_event_, &thread_->Ended()}, kInfinite);
  CompleteOpen();
}

void TSoundOut::BeginOpen() {
  if (opened_) return;
  if (!keeper_) {
    throw TMPDeviceOpenError(WaveOutErrorText(nullptr, kWaveNoDevice, kOpenContext), std::string());
  }
  opened_ = true;
  paused_ = false;
  {
    std::lock_guard lock(buffer_lock_);
    // Signalled before anything can fail, so the Close of a failed open finds nothing queued.
    queued_ = 0;
    filled_ = 0;
    current_ = 0;
    all_done_.SetEvent();
  }
  const auto format =
      TWaveFormat::Pcm(static_cast<uint32_t>(sample_rate_), static_cast<uint16_t>(channels_),
                       static_cast<uint16_t>(bits_per_sample_));
  const auto prepare = [title = media_title_, artist = media_artist_,
                        volume = SoundOutVolumeWord(volume_, balance_)](TWaveDevice& device) {
    device.SetMediaInfo(title, artist);
    // Before Open, so that the device starts at it (a sound server's stream is made with it).
    device.SetVolume(volume);
  };
  // Held across OpenLater: its result may reach OnDeviceOpened before the ticket is stored.
  std::lock_guard lock(open_mutex_);
  open_pending_ = true;
  open_done_ = false;
  open_done_event_.ResetEvent();
  open_ticket_ = keeper_->OpenLater(format, prepare, MPM_DEVICEOPENED);
}

// On the sound output's thread.
void TSoundOut::OnDeviceOpened(uint64_t ticket, int result) {
  {
    std::lock_guard lock(open_mutex_);
    if (!open_pending_ || ticket != open_ticket_) return;
    open_done_ = true;
    open_result_ = result;
  }
  open_done_event_.SetEvent();
  NotifyWaiter();
}

bool TSoundOut::OpenAwaitsTakeOver() {
  std::lock_guard lock(open_mutex_);
  return open_pending_ && open_done_;
}

void TSoundOut::CompleteOpen() {
  // Taken over already: the writer passes here before every write.
  if (device_open_) return;
  int result = kWaveNoError;
  {
    std::lock_guard lock(open_mutex_);
    if (!open_pending_ || !open_done_) return;
    open_pending_ = false;
    result = open_result_;
  }
  TWaveDevice* device = Device();
  try {
    if (result != kWaveNoError) {
      throw TMPDeviceOpenError(WaveOutErrorText(device, result, kOpenContext), device->Name());
    }
    device_open_ = true;
    ApplyVolume();
    {
      std::lock_guard lock(buffer_lock_);
      buffer_size_ =
          static_cast<int>(SoundOutBufferSize(sample_rate_, channels_, bits_per_sample_));
      buffers_.assign(static_cast<std::size_t>(buffer_size_) * kSoundOutBufferCount, 0);
      for (int i = 0; i < kSoundOutBufferCount; ++i) {
        TWaveHeader& header = headers_[i];
        header.Data = std::span<uint8_t>(buffers_).subspan(
            static_cast<std::size_t>(i) * buffer_size_, buffer_size_);
        header.Length = header.Data.size();
        header.Flags = 0;
      }
    }
    for (TWaveHeader& header : headers_) {
      CheckWaveOutResult(device, device->Prepare(header), "TSoundOut.Open:WaveOutPreperHeader");
    }
    // Paused while the device was opening.
    if (paused_) CheckWaveOutResult(device, device->Pause(), "TSoundOut.Pause");
    thread_->SetTimeout(position_interval_);
    last_tick_ = TickCount();
  } catch (...) {
    Close();
    throw;
  }
}

void TSoundOut::Close() {
  if (!opened_) return;
  {
    std::lock_guard lock(waiter_lock_);
    waiter_ = nullptr;
  }
  try {
    thread_->SetTimeout(kInfinite);
    // Audio held by a paused device would never play out; Close would wait for ever.
    if (paused_) Reset();
    Flush();
    WaitAllDone();
    for (TWaveHeader& header : headers_) {
      if ((header.Flags & kWaveHeaderPrepared) == 0) continue;
      // Still queued after all were reported done: the device holds it back, so take it back.
      while (Device()->Unprepare(header) == kWaveStillPlaying) {
        Device()->Reset();
        WaitAllDone();
      }
    }
    if (device_open_) CloseDevice();
  } catch (...) {
    ReleaseDevice();
    throw;
  }
  ReleaseDevice();
}

// Makes sure the device no longer reads the buffers, then frees them. The notices of buffers
// dropped here are handled before the next Open can count new ones.
void TSoundOut::ReleaseDevice() {
  uint64_t abandoned = 0;
  {
    std::lock_guard lock(open_mutex_);
    if (open_pending_) abandoned = open_ticket_;
    open_pending_ = false;
  }
  // An open still on its way is closed by the keeper once done; one done but not taken over yet
  // is open already.
  if (abandoned != 0 && keeper_->Abandon(abandoned)) keeper_->CloseLater();
  if (device_open_) {
    Device()->Reset();
    CloseDevice();
    thread_->Sync();
  }
  {
    std::lock_guard lock(buffer_lock_);
    for (TWaveHeader& header : headers_) {
      header.Data = {};
      header.Length = 0;
      header.Flags = 0;
    }
    buffers_.clear();
    buffers_.shrink_to_fit();
    buffer_size_ = 0;  // CanWrite is false from here on
    filled_ = 0;
  }
  opened_ = false;
  paused_ = false;
}

std::size_t TSoundOut::Write(std::span<const uint8_t> data) {
  std::size_t taken = 0;
  while (taken < data.size() && CanWrite()) {
    std::lock_guard lock(buffer_lock_);
    const std::size_t n =
        std::min(static_cast<std::size_t>(buffer_size_ - filled_), data.size() - taken);
    std::memcpy(headers_[current_].Data.data() + filled_, data.data() + taken, n);
    taken += n;
    filled_ += static_cast<int>(n);
    if (filled_ >= buffer_size_) QueueCurrent();
  }
  return taken;
}

bool TSoundOut::CanWrite() {
  std::lock_guard lock(buffer_lock_);
  return queued_ < kSoundOutBufferCount && filled_ < buffer_size_;
}

int TSoundOut::FreePercent() {
  if (!opened_) return 0;
  std::lock_guard lock(buffer_lock_);
  const int64_t total = int64_t{kSoundOutBufferCount} * buffer_size_;
  if (total == 0) return 0;
  return static_cast<int>(
      ((kSoundOutBufferCount - queued_) * int64_t{buffer_size_} - filled_) * 100 / total);
}

void TSoundOut::QueueCurrent() {
  std::lock_guard lock(buffer_lock_);
  const int queued = ++queued_;
  all_done_.ResetEvent();
  Assert(queued <= kSoundOutBufferCount);
  TWaveHeader& header = headers_[current_];
  header.Length = static_cast<std::size_t>(filled_);
  filled_ = 0;
  Assert(device_open_);
  const int result = Device()->Write(header);
  if (result != kWaveNoError) {
    // The buffer never reached the device, so no notice will count it back: undo the count, or
    // Close would wait for it for ever.
    if (--queued_ == 0) all_done_.SetEvent();
    CheckWaveOutResult(Device(), result, "TSoundOut.WaveWrite");
  }
  current_ = (current_ + 1) % kSoundOutBufferCount;
}

void TSoundOut::Flush() {
  {
    std::lock_guard lock(buffer_lock_);
    if (!opened_ || filled_ == 0) return;
    QueueCurrent();
  }
  thread_->Sync();
}

void TSoundOut::WaitAllDone() { WaitForAny({&all_done_, &thread_->Ended()}, kInfinite); }

void TSoundOut::SetWaiter(TMPEvent* event) {
  {
    std::lock_guard lock(waiter_lock_);
    waiter_ = event;
  }
  NotifyWaiter();
}

void TSoundOut::NotifyWaiter() {
  if (!CanWrite() && !OpenAwaitsTakeOver()) return;
  std::lock_guard lock(waiter_lock_);
  if (waiter_ == nullptr) return;
  waiter_->SetEvent();
  waiter_ = nullptr;
}

// While the device is still opening, CompleteOpen applies the pause.
void TSoundOut::Pause() {
  if (!opened_) return;
  if (device_open_) CheckWaveOutResult(Device(), Device()->Pause(), "TSoundOut.Pause");
  paused_ = true;
}

void TSoundOut::Unpause() {
  if (!opened_) return;
  if (device_open_) CheckWaveOutResult(Device(), Device()->Restart(), "TSoundOut.Unpause");
  paused_ = false;
}

void TSoundOut::Reset() {
  if (!opened_) return;
  {
    std::lock_guard lock(buffer_lock_);
    filled_ = 0;
  }
  if (device_open_) Device()->Reset();
}

void TSoundOut::SetVolume(int volume) {
  if (static_cast<unsigned>(volume) > 100) return;
  volume_ = volume;
  if (opened_) ApplyVolume();
}

void TSoundOut::SetBalance(int balance) {
  if (balance < -100 || balance > 100) return;
  balance_ = balance;
  if (opened_) ApplyVolume();
}

void TSoundOut::SetSampleRate(int sampleRate) {
  if (sampleRate > 0) sample_rate_ = sampleRate;
}

void TSoundOut::SetChannels(int channels) {
  if (channels == 1 || channels == 2) channels_ = channels;
}

void TSoundOut::SetBitsPerSample(int bits) {
  if (bits == 8 || bits == 16) bits_per_sample_ = bits;
}

void TSoundOut::SetPositionInterval(int milliseconds) { position_interval_ = milliseconds; }

void TSoundOut::SetOnError(ErrorHandler handler) {
  std::lock_guard lock(handlers_mutex_);
  on_error_ = std::move(handler);
}

void TSoundOut::SetOnPosition(PositionHandler handler) {
  std::lock_guard lock(handlers_mutex_);
  on_position_ = std::move(handler);
}

void TSoundOut::SetOnDeviceVolume(DeviceVolumeHandler handler) {
  std::lock_guard lock(handlers_mutex_);
  on_device_volume_ = std::move(handler);
}

int TSoundOut::FollowDeviceVolume() {
  volume_ = GetWaveVolume();
  return volume_;
}

void TSoundOut::DeviceVolumeChanged() {
  std::lock_guard lock(handlers_mutex_);
  if (on_device_volume_) on_device_volume_(*this);
}

void TSoundOut::ApplyVolume() {
  if (!device_open_) return;
  CheckWaveOutResult(Device(), Device()->SetVolume(SoundOutVolumeWord(volume_, balance_)),
                     "TSoundOut.SetVolumeToWaveDevice");
}

// A device whose output is stuck stays open after Close: the keeper closes it once the output
// lets go, and the sound output goes on without it.
void TSoundOut::CloseDevice() {
  device_open_ = false;
  if (Device()->Close() == kWaveBusy) keeper_->CloseLater();
}

void TSoundOut::Dispatch(TMPMessage& message) {
  switch (message.Msg) {
    case MM_WOM_DONE: OnWaveDone(); break;
    case MPM_DEVICEOPENED: OnDeviceOpened(message.WParam, static_cast<int>(message.LParam)); break;
    case MPM_TIMEOUT: PositionTick(); break;
    case MM_MIXM_CONTROL_CHANGE: DeviceVolumeChanged(); break;
    default: break;
  }
}

void TSoundOut::OnWaveDone() {
  const int queued = --queued_;
  if (queued > 0) {
    thread_->SetTimeout(position_interval_);
  } else {
    {
      // Under the buffer lock, so that a buffer queued right after the decrement (which resets
      // the event under this lock) is never reported as all done.
      std::lock_guard lock(buffer_lock_);
      if (queued_ == 0) all_done_.SetEvent();
    }
    thread_->SetTimeout(kInfinite);
  }
  Assert(queued >= 0);
  NotifyWaiter();
  PositionTick();
}

void TSoundOut::PositionTick() {
  std::lock_guard lock(handlers_mutex_);
  const int interval = position_interval_;
  if (!on_position_ || interval == -1) return;
  const uint32_t now = TickCount();
  if (now - last_tick_ > static_cast<uint32_t>(interval)) {
    on_position_(*this);
    last_tick_ = now;
  }
}

uint32_t TSoundOut::TickCount() {
  using namespace std::chrono;
  return static_cast<uint32_t>(
      duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

}  // namespace yumekaze::engine
