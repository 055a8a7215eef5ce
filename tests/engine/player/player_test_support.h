// Test files and helpers for the player tests: encoded streams built with twolame and lame, an
// independent frame-by-frame reference decode, a player recording into a WAV file, and a wave
// device that fails on demand.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/player/mp3_player.h"
#include "engine/sound/wave_device.h"

namespace yumekaze::engine::test {

using Bytes = std::vector<uint8_t>;

Bytes ReadFileBytes(const std::filesystem::path& path);
void WriteFileBytes(const std::filesystem::path& path, const Bytes& bytes);

// A directory under the system's temporary folder, removed with everything in it.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  const std::filesystem::path& Path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

// A 16-bit PCM WAV file of a tone sweep with a little noise, so that every subband carries signal.
void WriteTestWav(const std::filesystem::path& path, int sampleRate, int channels, double seconds);
// Runs a shell command; true when it exits with 0.
bool RunCommand(const std::string& command);

// Encoded test streams, made once per test program. Empty when the encoder is missing.
struct TestStreams {
  std::filesystem::path layer2;        // MPEG-1 Layer II, 44100 Hz stereo, 192 kbit/s, 4 s
  std::filesystem::path layer2_48;     // MPEG-1 Layer II, 48000 Hz stereo, 192 kbit/s
  std::filesystem::path layer2_short;  // MPEG-1 Layer II, 44100 Hz stereo, 0.7 s
  std::filesystem::path layer2_128;    // as layer2_short at 128 kbit/s
  std::filesystem::path layer2_free;   // MPEG-1 Layer II free format, 44100 Hz mono
  std::filesystem::path layer3;        // MPEG-1 Layer III, 44100 Hz stereo, VBR with a Xing frame
};
const TestStreams& Streams();

// Frames of a clean stream (no tags, no junk) as [offset, length) pairs, padding included.
struct FrameSpan {
  size_t offset;
  size_t length;
};
std::vector<FrameSpan> SplitFrames(const Bytes& stream);

// The PCM of a clean stream decoded frame by frame on a decoder instance of its own, the way the
// player must reproduce it: set up once from the first audio frame for all subbands, every frame
// decoded in turn. A leading "Xing", "Info" or "VBRI" frame is passed over. Empty when the
// decoder refuses the first frame.
Bytes ReferencePcm(const Bytes& stream);

// The samples of a WAV file written by the WAV-file device.
Bytes WavSamples(const std::filesystem::path& path);

// Forwards to a device that consumes at once, but fails every Write after the first `goodWrites`.
// Counts the buffers it was given, so a test can tell when the player has queued a whole file.
class FailingWaveDevice final : public TWaveDevice {
 public:
  static constexpr int kFailure = 1001;
  explicit FailingWaveDevice(int goodWrites, std::unique_ptr<TWaveDevice> inner = nullptr);
  int Writes() const { return writes_.load(); }
  // Called on the caller's thread at every Reset, before it is passed on.
  std::function<void()> OnReset;
  ~FailingWaveDevice() override;

  int Open(const TWaveFormat& format, TMPMessagePoster& notify) override;
  int Close() override;
  int Prepare(TWaveHeader& header) override;
  int Unprepare(TWaveHeader& header) override;
  int Write(TWaveHeader& header) override;
  int Pause() override;
  int Restart() override;
  int Reset() override;
  int GetVolume(uint32_t& volume) override;
  int SetVolume(uint32_t volume) override;
  std::string ErrorText(int code) const override;

 private:
  std::unique_ptr<TWaveDevice> inner_;
  int good_writes_;
  std::atomic<int> writes_{0};
};

// A player that records what it plays into a WAV file and logs its events in order.
class RecordingPlayer {
 public:
  // speed: the WAV device's pace (0 = as fast as it goes, 10 = ten times real time).
  RecordingPlayer(const std::filesystem::path& wav, double speed);
  explicit RecordingPlayer(std::unique_ptr<TWaveDevice> device);

  TMP3Player& player() { return *player_; }
  // "status:N", "position", "endplay:R", "error:TEXT", in the order they fired.
  const std::vector<std::string>& events() const { return events_; }
  void ClearEvents() { events_.clear(); }
  int EndPlayCount(TMP3EndPlayReason reason) const;
  // Handles the player's messages until done() holds; false when it does not within a generous
  // limit (a hang).
  bool PumpUntil(const std::function<bool()>& done, double seconds = 120);
  // Plays the open file to its end; false on a hang.
  bool PlayToEnd();

 private:
  void Hook();

  std::unique_ptr<TMP3Player> player_;
  std::vector<std::string> events_;
};

}  // namespace yumekaze::engine::test
