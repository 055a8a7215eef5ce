// The part all our wave devices share: the queue of written buffers, a device thread that feeds
// the output in chunks, a completion notice per buffer once the output has played it, and pause,
// restart and reset carried out on the device thread (so the output itself is only ever touched
// there). A device supplies the output through the hooks below.
//
// No call waits for an output that stalls: commands wait for the device thread a short while
// only, Reset returns the queued buffers as done at once, and a pending command or Close raises
// Interrupted() so that a write waiting for room returns early. A write that ignores that and
// stays stuck makes Close give up after a short while with kWaveBusy; Close again to finish.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

#include "engine/sound/wave_device.h"

namespace yumekaze::platform {

class TQueuedWaveDevice : public engine::TWaveDevice {
 public:
  TQueuedWaveDevice();
  ~TQueuedWaveDevice() override;

  int Open(const engine::TWaveFormat& format, engine::TMPMessagePoster& notify) final;
  int Close() final;
  int Prepare(engine::TWaveHeader& header) final;
  int Unprepare(engine::TWaveHeader& header) final;
  int Write(engine::TWaveHeader& header) final;
  int Pause() final;
  int Restart() final;
  int Reset() final;
  int GetVolume(uint32_t& volume) final;
  int SetVolume(uint32_t volume) final;

 protected:
  // Stops the device thread, waiting however long its output takes, and closes the output. A
  // derived destructor must call it, because the thread runs the derived hooks.
  void Shutdown();

  // Hooks. OpenOutput and CloseOutput run on the caller's thread while no device thread runs;
  // all others run on the device thread. Results are 0 or the device's error code.
  virtual int OpenOutput(const engine::TWaveFormat& format) = 0;
  virtual void CloseOutput() = 0;
  // Plays or stores `pcm`, a whole number of frames; `written` gets the bytes taken. It may block
  // while the output needs, but should return early (taking fewer bytes) once Interrupted().
  virtual int WriteOutput(std::span<const uint8_t> pcm, std::size_t& written) = 0;
  // Bytes handed to WriteOutput that have not been heard yet.
  virtual int64_t UnplayedBytes() { return 0; }
  // Everything queued has been handed over and the output still plays; called between checks.
  virtual void WhileDraining() {}
  // Stops the output in place. Sets `rewindBytes` when the output had to discard what it held;
  // that much is then written again at restart.
  virtual int PauseOutput(int64_t& rewindBytes) {
    rewindBytes = 0;
    return 0;
  }
  virtual int RestartOutput() { return 0; }
  // Drops whatever the output holds, at once.
  virtual void DropOutput() {}
  // Bytes per WriteOutput call (a whole number of frames), and the unit audio is handed over in.
  virtual std::size_t ChunkBytes(const engine::TWaveFormat& format) const;
  virtual std::size_t FrameBytes(const engine::TWaveFormat& format) const;
  // Whether the volume scales the samples (a recording device may keep them as received).
  virtual bool ScalesSamples() const { return true; }

  // Whether a command or Close waits for the device thread. InterruptFd() polls readable then.
  bool Interrupted() const { return interrupted_.load(); }
  int InterruptFd() const { return interrupt_fd_; }

 private:
  struct Entry {
    engine::TWaveHeader* header;
    int64_t end;  // stream position just after the buffer
  };

  // Asks the device thread to end and joins it. False, with the thread still running, when it
  // sits in a write for longer than kStallGrace and waitForOutput is false.
  bool StopThread(bool waitForOutput);
  void CloseStopped();
  // Under mutex_:
  int AwaitDeviceThread(std::unique_lock<std::mutex>& lock);
  void Interrupt();
  void ClearInterrupt();
  void DeviceLoop();
  bool CarryOutRequests();               // device thread, under mutex_
  void CompletePlayed();                 // device thread, under mutex_
  void CompleteAll();                    // under mutex_
  void Complete(engine::TWaveHeader& header);
  std::span<const uint8_t> GatherChunk(int64_t& streamBytes);  // under mutex_
  void Fail(int error);                  // device thread, under mutex_

  std::mutex mutex_;  // guards everything below
  std::condition_variable wake_;  // device thread: data, a command, or the end
  std::condition_variable carried_out_;  // requests_done_ moved on
  engine::TWaveFormat format_;
  engine::TMPMessagePoster* notify_ = nullptr;
  bool open_ = false;
  bool quit_ = false;
  bool in_output_ = false;  // the device thread is in WriteOutput
  bool loop_ended_ = false;
  std::condition_variable loop_state_;  // in_output_ or loop_ended_ changed
  bool paused_ = false;       // the output is paused
  bool want_paused_ = false;  // what Pause and Restart asked for
  bool drop_output_ = false;  // Reset asked to drop what the output holds
  uint64_t requests_ = 0;     // counts Pause, Restart and Reset calls
  uint64_t requests_done_ = 0;
  int request_result_ = 0;
  int error_ = 0;  // sticky: the output failed; later writes report it
  uint32_t volume_ = engine::kWaveVolumeFull;
  std::deque<Entry> queue_;  // not yet reported done, in play order
  int64_t queued_end_ = 0;   // stream position after the last queued buffer
  int64_t write_pos_ = 0;    // stream position handed to the output
  uint64_t generation_ = 0;  // counts resets, so a chunk written across one is not counted
  std::vector<uint8_t> chunk_;
  std::atomic<bool> interrupted_{false};
  int interrupt_fd_ = -1;  // an eventfd, readable while interrupted_
  std::thread thread_;
};

}  // namespace yumekaze::platform
