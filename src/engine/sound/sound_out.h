// TSoundOut: plays PCM through a wave device with four buffers of half a second each. The writer
// fills them; completions arrive on the sound output's own thread, which frees the buffers, wakes
// a registered waiter and emits position ticks. The device is opened, and closed when its output
// is stuck, on a thread of its own (TWaveDeviceKeeper), so that no caller waits for it.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/sound/wave_device.h"
#include "engine/sound/wave_device_keeper.h"
#include "engine/threads/event.h"
#include "engine/threads/loop_thread.h"
#include "engine/threads/mutex.h"
#include "engine/threads/thread_messages.h"

namespace yumekaze::engine {

inline constexpr int kSoundOutBufferCount = 4;

// Bytes per buffer: a quarter of two seconds of audio, rounded up to a multiple of 4.
int64_t SoundOutBufferSize(int sampleRate, int channels, int bitsPerSample);
// The device volume word for a volume of 0..100 percent and a balance of -100..100.
uint32_t SoundOutVolumeWord(int volume, int balance);
// "%s(%s)" from the device's text for `code` (or "unknown wave out API error.") and `context`.
std::string WaveOutErrorText(const TWaveDevice* device, int code, const char* context);
// Raises WaveOutErrorText as std::runtime_error; nothing when code is 0.
void CheckWaveOutResult(const TWaveDevice* device, int code, const char* context);

// Open could not open the sound device (none there, busy, gone, or refusing the format). what()
// is the "%s(%s)" text; DeviceName() says which device (empty when there was none at all).
class TMPDeviceOpenError : public std::runtime_error {
 public:
  TMPDeviceOpenError(const std::string& message, std::string deviceName)
      : std::runtime_error(message), device_name_(std::move(deviceName)) {}
  const std::string& DeviceName() const { return device_name_; }

 private:
  std::string device_name_;
};

class TSoundOut final : private TMPMessageHandler {
 public:
  using ErrorHandler =
      std::function<void(TSoundOut& sender, const std::exception& error, bool& handled)>;
  using PositionHandler = std::function<void(TSoundOut& sender)>;
  using DeviceVolumeHandler = std::function<void(TSoundOut& sender)>;

  // Without a device the sound output exists with volume 100, and Open fails until SetDevice.
  explicit TSoundOut(std::unique_ptr<TWaveDevice> device = nullptr);
  ~TSoundOut();
  TSoundOut(const TSoundOut&) = delete;
  TSoundOut& operator=(const TSoundOut&) = delete;

  // Replaces the device (closing first). The volume and balance apply to it from its Open. The
  // device used before goes once its own calls handed over are done.
  void SetDevice(std::unique_ptr<TWaveDevice> device);
  TWaveDevice* Device() const { return keeper_ ? &keeper_->Device() : nullptr; }

  // Opens the device and waits for it: throws TMPDeviceOpenError when it cannot be opened.
  void Open();
  // Starts opening the device and returns at once; throws TMPDeviceOpenError only when there is
  // no device. Until the writer's CompleteOpen takes the device over, CanWrite is false; a
  // registered waiter is woken once the open is done, whatever its result.
  void BeginOpen();
  // The writer's side of BeginOpen: takes the device over once it is open. Nothing while it is
  // still opening or already taken over; throws TMPDeviceOpenError (and closes) when the open
  // failed.
  void CompleteOpen();
  // An open in flight is abandoned (and the device closed once it is done); a device whose
  // output is stuck is left to close on its own.
  void Close();
  // Copies as much as fits, queueing every full buffer; never blocks. Returns the bytes taken.
  std::size_t Write(std::span<const uint8_t> data);
  bool CanWrite();
  int FreePercent();
  void Flush();
  void WaitAllDone();
  // The event is set (and forgotten) as soon as Write can take data, at once if it can now.
  void SetWaiter(TMPEvent* event);
  void Pause();
  void Unpause();
  void Reset();

  bool Opened() const { return opened_.load(); }
  // Opened, and the device is open and taken over: not while BeginOpen still waits for it.
  bool DeviceOpen() const { return device_open_.load(); }
  // The device is still being opened, or closed after a playback that no longer wants it, on
  // its own thread.
  bool DeviceBusy() const { return keeper_ && keeper_->Busy(); }
  bool Paused() const { return paused_.load(); }
  int Queued() const { return queued_.load(); }
  int BufferSize() const { return buffer_size_; }

  int Volume() const { return volume_; }
  void SetVolume(int volume);  // 0..100, others ignored
  int Balance() const { return balance_; }
  void SetBalance(int balance);  // -100..100, others ignored
  // Take effect at the next Open; out-of-range values are ignored.
  int SampleRate() const { return sample_rate_; }
  void SetSampleRate(int sampleRate);
  int Channels() const { return channels_; }
  void SetChannels(int channels);
  int BitsPerSample() const { return bits_per_sample_; }
  void SetBitsPerSample(int bits);
  int DeviceId() const { return device_id_; }
  void SetDeviceId(int deviceId) { device_id_ = deviceId; }
  // Raw tag bytes handed to the device at the next Open (TWaveDevice::SetMediaInfo), and at once
  // to a device taken over.
  void SetMediaInfo(std::string title, std::string artist);
  // Milliseconds between position ticks; -1 = none.
  int PositionInterval() const { return position_interval_.load(); }
  void SetPositionInterval(int milliseconds);

  // Both handlers run on the sound output's thread. Once SetOnPosition returns, the previous
  // handler is no longer running and is never called again.
  void SetOnError(ErrorHandler handler);
  void SetOnPosition(PositionHandler handler);
  // Runs on the sound output's thread when the desktop's mixer changed the device's volume.
  void SetOnDeviceVolume(DeviceVolumeHandler handler);

  // The device's current volume in percent (100 without a device).
  int GetWaveVolume();
  // Takes the device's current volume as Volume, without setting it on the device (the mixer
  // already did); returns it.
  int FollowDeviceVolume();

  TMPLoopThread& Thread() { return *thread_; }

 private:
  void Dispatch(TMPMessage& message) override;
  void OnDeviceOpened(uint64_t ticket, int result);
  bool OpenAwaitsTakeOver();
  void CloseDevice();
  void OnWaveDone();
  void QueueCurrent();
  void NotifyWaiter();
  void PositionTick();
  void DeviceVolumeChanged();
  void ApplyVolume();
  void ReleaseDevice();
  static uint32_t TickCount();

  int sample_rate_ = 44100;
  int channels_ = 2;
  int bits_per_sample_ = 16;
  std::atomic<bool> opened_{false};
  std::atomic<bool> paused_{false};
  int volume_ = 100;
  int device_id_ = -1;
  std::mutex handlers_mutex_;  // guards the two handlers
  ErrorHandler on_error_;
  PositionHandler on_position_;
  DeviceVolumeHandler on_device_volume_;
  std::atomic<int> position_interval_{-1};
  std::atomic<uint32_t> last_tick_{0};
  std::string media_title_;
  std::string media_artist_;
  std::shared_ptr<TWaveDeviceKeeper> keeper_;
  std::atomic<bool> device_open_{false};  // taken over by CompleteOpen
  // The open BeginOpen started and CompleteOpen has not taken over yet.
  std::mutex open_mutex_;  // guards the four below
  bool open_pending_ = false;
  bool open_done_ = false;
  uint64_t open_ticket_ = 0;
  int open_result_ = kWaveNoError;
  TMPSimpleEvent open_done_event_;
  std::array<TWaveHeader, kSoundOutBufferCount> headers_;
  std::vector<uint8_t> buffers_;  // the four buffers, one after the other
  int current_ = 0;
  int filled_ = 0;
  std::atomic<int> queued_{0};
  std::atomic<int> buffer_size_{0};  // set by the writer at CompleteOpen, read anywhere
  int balance_ = 0;
  TMPSimpleMutex waiter_lock_;
  TMPEvent* waiter_ = nullptr;
  TMPSimpleEvent all_done_;
  TMPSimpleMutex buffer_lock_;
  std::unique_ptr<TMPLoopThread> thread_;  // last: ends before the members above go
};

}  // namespace yumekaze::engine
