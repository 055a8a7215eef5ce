// The engine's view of a sound device: buffers queued in order and played in order, one
// completion notice (MM_WOM_DONE, lParam = the header) per buffer posted to the owner's thread once
// that buffer has been played, pause and restart without losing audio, reset that returns every
// queued buffer as done at once, a volume per channel, and an error text for every failing call.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "engine/threads/thread_messages.h"

namespace yumekaze::engine {

inline constexpr uint32_t MM_WOM_DONE = 0x3BD;
// The desktop's mixer changed the device's volume (or muted it: volume 0); GetVolume has the new
// one. Posted by devices whose volume the desktop's mixer shows.
inline constexpr uint32_t MM_MIXM_CONTROL_CHANGE = 0x3D1;

// Result codes of the device calls: 0 success; other values are the device's own, explained by
// its ErrorText. The ones below have the same meaning on every device.
inline constexpr int kWaveNoError = 0;
inline constexpr int kWaveNoDevice = 2;       // no device to open
inline constexpr int kWaveAllocated = 4;      // already open
inline constexpr int kWaveBusy = 7;           // Close: the output is stuck; try again
inline constexpr int kWaveNotOpen = 5;        // the call needs an open device
inline constexpr int kWaveInvalidParam = 11;  // e.g. a header longer than its buffer
inline constexpr int kWaveNotPrepared = 34;   // header written without Prepare
inline constexpr int kWaveStillPlaying = 33;  // header or device still has queued audio
inline constexpr int kWaveBadFormat = 32;     // format the device cannot play

// The text for the shared codes above; empty for any other code.
std::string CommonWaveErrorText(int code);

struct TWaveFormat {
  uint16_t FormatTag = 1;  // PCM
  uint16_t Channels = 2;
  uint32_t SamplesPerSec = 44100;
  uint32_t AvgBytesPerSec = 176400;
  uint16_t BlockAlign = 4;
  uint16_t BitsPerSample = 16;

  static TWaveFormat Pcm(uint32_t sampleRate, uint16_t channels, uint16_t bitsPerSample);
};

// Header flags.
inline constexpr uint32_t kWaveHeaderDone = 0x1;
inline constexpr uint32_t kWaveHeaderPrepared = 0x2;
inline constexpr uint32_t kWaveHeaderInQueue = 0x10;

// One buffer handed to a device. The device reads Data[0, Length) from Write until it reports the
// header done; the owner must not touch the bytes meanwhile.
struct TWaveHeader {
  std::span<uint8_t> Data;  // the whole buffer
  std::size_t Length = 0;   // bytes to play
  std::atomic<uint32_t> Flags{0};
};

// Volumes: low word left, high word right, 0..0xFFFF each.
inline constexpr uint32_t kWaveVolumeFull = 0xFFFFFFFFu;

class TWaveDevice {
 public:
  virtual ~TWaveDevice() = default;

  // Opens the device with `format`; completion notices go to `notify`, which must outlive the
  // open device. The volume set before (or the full volume) applies.
  virtual int Open(const TWaveFormat& format, TMPMessagePoster& notify) = 0;
  // kWaveStillPlaying while buffers are queued (reset or wait for them first); kWaveBusy when the
  // output is stuck and the device stays open: Close again later, from any thread.
  virtual int Close() = 0;
  virtual int Prepare(TWaveHeader& header) = 0;
  // kWaveStillPlaying while the header is queued.
  virtual int Unprepare(TWaveHeader& header) = 0;
  virtual int Write(TWaveHeader& header) = 0;
  virtual int Pause() = 0;
  virtual int Restart() = 0;
  // Drops all queued audio at once; every queued header is reported done.
  virtual int Reset() = 0;
  // The volume is the device object's: it may be read and set whether or not it is open, and it
  // applies to audio written after the call.
  virtual int GetVolume(uint32_t& volume) = 0;
  virtual int SetVolume(uint32_t volume) = 0;
  // What is about to play, as raw tag bytes (empty when unknown); a device may show it to the
  // user. Takes effect at the next Open, and on an open device at once (the next file follows
  // without a gap).
  virtual void SetMediaInfo(std::string_view /*title*/, std::string_view /*artist*/) {}
  // The text for a code returned by this device; empty when there is none.
  virtual std::string ErrorText(int code) const = 0;
  // What the user knows the device by ("default", "hw:1", a file's path); empty when unnamed.
  virtual std::string Name() const { return {}; }
};

}  // namespace yumekaze::engine
