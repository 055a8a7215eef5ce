#include "platform/audio/queued_wave_device.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>

#include "platform/audio/channel_volume.h"

namespace yumekaze::platform {

using engine::TWaveHeader;

namespace {

bool IsPlayablePcm(const engine::TWaveFormat& format) {
  return format.FormatTag == 1 && (format.Channels == 1 || format.Channels == 2) &&
         (format.BitsPerSample == 8 || format.BitsPerSample == 16) && format.SamplesPerSec > 0 &&
         format.BlockAlign == format.Channels * format.BitsPerSample / 8;
}

// How often a draining device looks whether the output has played the next buffer: the lateness
// of a completion notice at worst.
constexpr auto kDrainPoll = std::chrono::milliseconds(5);

// How long Pause, Restart and Reset wait for the device thread to carry them out. A thread stuck
// in an output that ignores Interrupted() carries them out later; the caller goes on meanwhile.
constexpr auto kRequestWait = std::chrono::milliseconds(20);

// How long Close waits for a write that ignores Interrupted() before it leaves the device open
// and returns kWaveBusy. An output that honours it returns within a poll.
constexpr auto kStallGrace = std::chrono::milliseconds(40);

}  // namespace

TQueuedWaveDevice::TQueuedWaveDevice() : interrupt_fd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

TQueuedWaveDevice::~TQueuedWaveDevice() {
  if (interrupt_fd_ >= 0) close(interrupt_fd_);
}

int TQueuedWaveDevice::Open(const engine::TWaveFormat& format, engine::TMPMessagePoster& notify) {
  {
    std::lock_guard lock(mutex_);
    if (open_) return engine::kWaveAllocated;
  }
  if (!IsPlayablePcm(format)) return engine::kWaveBadFormat;
  if (const int result = OpenOutput(format); result != engine::kWaveNoError) return result;
  std::lock_guard lock(mutex_);
  format_ = format;
  notify_ = &notify;
  open_ = true;
  quit_ = false;
  loop_ended_ = false;
  paused_ = false;
  want_paused_ = false;
  drop_output_ = false;
  requests_done_ = requests_;
  ClearInterrupt();
  error_ = 0;
  queue_.clear();
  queued_end_ = 0;
  write_pos_ = 0;
  chunk_.assign(std::max(ChunkBytes(format), FrameBytes(format)), 0);
  thread_ = std::thread([this] { DeviceLoop(); });
  return engine::kWaveNoError;
}

int TQueuedWaveDevice::Close() {
  {
    std::lock_guard lock(mutex_);
    if (!open_) return engine::kWaveNotOpen;
    if (!queue_.empty()) return engine::kWaveStillPlaying;
  }
  if (!StopThread(false)) return engine::kWaveBusy;
  CloseStopped();
  return engine::kWaveNoError;
}

void TQueuedWaveDevice::Shutdown() {
  StopThread(true);
  CloseStopped();
}

bool TQueuedWaveDevice::StopThread(bool waitForOutput) {
  std::unique_lock lock(mutex_);
  quit_ = true;
  Interrupt();
  wake_.notify_all();
  const auto giveUp = std::chrono::steady_clock::now() + kStallGrace;
  while (thread_.joinable() && !loop_ended_) {
    if (waitForOutput || !in_output_) {
      loop_state_.wait(lock);
    } else if (loop_state_.wait_until(lock, giveUp) == std::cv_status::timeout && in_output_ &&
               !loop_ended_) {
      return false;
    }
  }
  lock.unlock();
  if (thread_.joinable()) thread_.join();
  return true;
}

void TQueuedWaveDevice::CloseStopped() {
  bool wasOpen = false;
  {
    std::lock_guard lock(mutex_);
    CompleteAll();  // destroyed while playing: nothing may stay counted as queued
    wasOpen = open_;
    open_ = false;
  }
  if (wasOpen) CloseOutput();
}

int TQueuedWaveDevice::Prepare(TWaveHeader& header) {
  if (header.Length > header.Data.size()) return engine::kWaveInvalidParam;
  header.Flags |= engine::kWaveHeaderPrepared;
  return engine::kWaveNoError;
}

int TQueuedWaveDevice::Unprepare(TWaveHeader& header) {
  if (header.Flags & engine::kWaveHeaderInQueue) return engine::kWaveStillPlaying;
  header.Flags &= ~engine::kWaveHeaderPrepared;
  return engine::kWaveNoError;
}

int TQueuedWaveDevice::Write(TWaveHeader& header) {
  std::lock_guard lock(mutex_);
  if (!open_) return engine::kWaveNotOpen;
  if (error_ != 0) return error_;
  const uint32_t flags = header.Flags;
  if ((flags & engine::kWaveHeaderPrepared) == 0) return engine::kWaveNotPrepared;
  if (flags & engine::kWaveHeaderInQueue) return engine::kWaveStillPlaying;
  if (header.Length > header.Data.size()) return engine::kWaveInvalidParam;
  header.Flags = (flags | engine::kWaveHeaderInQueue) & ~engine::kWaveHeaderDone;
  queued_end_ += static_cast<int64_t>(header.Length);
  queue_.push_back(Entry{&header, queued_end_});
  wake_.notify_all();
  return engine::kWaveNoError;
}

int TQueuedWaveDevice::Pause() {
  std::unique_lock lock(mutex_);
  if (!open_) return engine::kWaveNotOpen;
  want_paused_ = true;
  return AwaitDeviceThread(lock);
}

int TQueuedWaveDevice::Restart() {
  std::unique_lock lock(mutex_);
  if (!open_) return engine::kWaveNotOpen;
  want_paused_ = false;
  return AwaitDeviceThread(lock);
}

// The buffers are returned at once, whatever the output is doing: what it still plays is a copy.
// Dropping that copy is left to the device thread.
int TQueuedWaveDevice::Reset() {
  std::unique_lock lock(mutex_);
  if (!open_) return engine::kWaveNotOpen;
  CompleteAll();
  drop_output_ = true;
  AwaitDeviceThread(lock);
  return engine::kWaveNoError;
}

int TQueuedWaveDevice::GetVolume(uint32_t& volume) {
  std::lock_guard lock(mutex_);
  volume = volume_;
  return engine::kWaveNoError;
}

int TQueuedWaveDevice::SetVolume(uint32_t volume) {
  std::lock_guard lock(mutex_);
  volume_ = volume;
  return engine::kWaveNoError;
}

std::size_t TQueuedWaveDevice::ChunkBytes(const engine::TWaveFormat& format) const {
  // 10 ms keeps pause and reset prompt without many wake-ups.
  return std::max<std::size_t>(format.AvgBytesPerSec / 100 / format.BlockAlign, 1) *
         format.BlockAlign;
}

std::size_t TQueuedWaveDevice::FrameBytes(const engine::TWaveFormat&) const { return 1; }

int TQueuedWaveDevice::AwaitDeviceThread(std::unique_lock<std::mutex>& lock) {
  const uint64_t request = ++requests_;
  Interrupt();
  wake_.notify_all();
  if (!carried_out_.wait_for(lock, kRequestWait, [&] { return requests_done_ >= request; })) {
    return engine::kWaveNoError;
  }
  return request_result_;
}

void TQueuedWaveDevice::Interrupt() {
  if (interrupted_.exchange(true) || interrupt_fd_ < 0) return;
  const uint64_t one = 1;
  [[maybe_unused]] const auto written = write(interrupt_fd_, &one, sizeof one);
}

void TQueuedWaveDevice::ClearInterrupt() {
  if (!interrupted_.exchange(false) || interrupt_fd_ < 0) return;
  uint64_t count = 0;
  [[maybe_unused]] const auto taken = read(interrupt_fd_, &count, sizeof count);
}

void TQueuedWaveDevice::DeviceLoop() {
  std::unique_lock lock(mutex_);
  for (;;) {
    if (CarryOutRequests()) continue;
    if (quit_) {
      loop_ended_ = true;
      loop_state_.notify_all();
      return;
    }
    const bool running = !paused_ && error_ == 0;
    if (running) CompletePlayed();
    if (running && write_pos_ < queued_end_) {
      int64_t streamBytes = 0;
      const std::span<const uint8_t> chunk = GatherChunk(streamBytes);
      const uint64_t generation = generation_;
      in_output_ = true;
      lock.unlock();
      std::size_t written = 0;
      const int result = WriteOutput(chunk, written);
      lock.lock();
      in_output_ = false;
      loop_state_.notify_all();
      if (result != engine::kWaveNoError) {
        Fail(result);
      } else if (generation == generation_) {
        // A chunk padded with silence counts as the stream bytes it held.
        write_pos_ += std::min<int64_t>(static_cast<int64_t>(written), streamBytes);
      }
      continue;
    }
    if (running && !queue_.empty()) {
      WhileDraining();
      wake_.wait_for(lock, kDrainPoll);
      continue;
    }
    wake_.wait(lock);
  }
}

// Brings the output to what Pause, Restart and Reset asked for; true when there was a request.
bool TQueuedWaveDevice::CarryOutRequests() {
  if (requests_done_ == requests_) return false;
  int result = engine::kWaveNoError;
  if (drop_output_) {
    drop_output_ = false;
    if (error_ == 0) DropOutput();
  }
  if (want_paused_ && !paused_) {
    int64_t rewind = 0;
    if (error_ == 0) result = PauseOutput(rewind);
    if (result == engine::kWaveNoError) {
      write_pos_ -= std::clamp<int64_t>(rewind, 0, write_pos_);
      paused_ = true;
    }
  } else if (!want_paused_ && paused_) {
    if (error_ == 0) result = RestartOutput();
    if (result == engine::kWaveNoError) paused_ = false;
  }
  want_paused_ = paused_;  // a failed request is not tried again
  request_result_ = result;
  requests_done_ = requests_;
  if (!quit_) ClearInterrupt();
  carried_out_.notify_all();
  return true;
}

void TQueuedWaveDevice::CompletePlayed() {
  const int64_t played = write_pos_ - UnplayedBytes();
  while (!queue_.empty() && queue_.front().end <= played) {
    Complete(*queue_.front().header);
    queue_.pop_front();
  }
}

void TQueuedWaveDevice::CompleteAll() {
  for (const Entry& entry : queue_) Complete(*entry.header);
  queue_.clear();
  write_pos_ = queued_end_;
  ++generation_;
}

void TQueuedWaveDevice::Complete(TWaveHeader& header) {
  header.Flags = (header.Flags & ~engine::kWaveHeaderInQueue) | engine::kWaveHeaderDone;
  notify_->PostMessage(engine::MM_WOM_DONE, 0, reinterpret_cast<std::intptr_t>(&header));
}

std::span<const uint8_t> TQueuedWaveDevice::GatherChunk(int64_t& streamBytes) {
  const std::size_t frame = FrameBytes(format_);
  std::size_t take =
      static_cast<std::size_t>(std::min<int64_t>(chunk_.size(), queued_end_ - write_pos_));
  if (take >= frame) take = take / frame * frame;
  std::size_t copied = 0;
  for (const Entry& entry : queue_) {
    if (copied == take) break;
    const int64_t position = write_pos_ + static_cast<int64_t>(copied);
    if (entry.end <= position) continue;
    const int64_t start = entry.end - static_cast<int64_t>(entry.header->Length);
    const std::size_t n =
        std::min(static_cast<std::size_t>(entry.end - position), take - copied);
    std::memcpy(chunk_.data() + copied, entry.header->Data.data() + (position - start), n);
    copied += n;
  }
  streamBytes = static_cast<int64_t>(take);
  std::size_t size = take;
  if (take < frame) {
    // The queue ends inside a frame: complete it with silence, or it would never play.
    std::memset(chunk_.data() + take, format_.BitsPerSample == 8 ? 0x80 : 0, frame - take);
    size = frame;
  }
  if (ScalesSamples()) {
    ApplyChannelVolume(std::span<uint8_t>(chunk_.data(), size), format_.BitsPerSample,
                       format_.Channels, volume_);
  }
  return {chunk_.data(), size};
}

void TQueuedWaveDevice::Fail(int error) {
  // The output is gone: report everything done so that nobody waits for it, and make the next
  // write say why.
  error_ = error;
  CompleteAll();
}

}  // namespace yumekaze::platform
