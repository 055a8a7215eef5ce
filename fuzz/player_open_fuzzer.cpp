// Fuzzes the player's open path: TMP3Player::OpenStream on the input held in a TMPMemoryStream,
// as a seekable file and as a stream that cannot seek, then every property the front ends read.
// An input that opens is then stepped frame by frame through a TMPFrameSource set up the way
// the player sets up its own, which is what the player's worker runs (without its threads).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <span>
#include <string>

#include "decoder/decoder_state.h"
#include "engine/player/frame_source.h"
#include "engine/player/mp3_player.h"
#include "engine/stream/memory_stream.h"
#include "engine/stream/stream_reader.h"
#include "engine/tags/mp3_info.h"

using namespace yumekaze;
using namespace yumekaze::engine;

namespace {

constexpr int32_t kPlayerReaderCapacity = 0x10000;

// A failed check names itself, then aborts so that libFuzzer keeps the input.
#define Check(condition) ((condition) ? void() : Fail(#condition, __LINE__))

[[noreturn]] void Fail(const char* condition, int line) {
  std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, line, condition);
  std::abort();
}

// One player for the whole run, as a front end keeps it: threads start once.
TMP3Player& Player() {
  static TMP3Player* player = [] {
    auto* made = new TMP3Player();
    made->SetAutoPlay(false);
    return made;
  }();
  return *player;
}

// Returns whether the input opened.
bool OpenInPlayer(std::span<const uint8_t> bytes, bool seekable) {
  TMP3Player& player = Player();
  const uint8_t flags = TMP3Player::kStreamOwned | (seekable ? TMP3Player::kStreamSeekable : 0);
  bool opened = true;
  try {
    player.OpenStream(new TMPMemoryStream(bytes), flags);
  } catch (const TMPFormatError&) {
    opened = false;
  }
  Check(player.Opened() == opened);
  Check(player.Status() == kStatusStopped);
  if (opened) {
    Check(player.SampleRate() > 0 && (player.Channels() == 1 || player.Channels() == 2));
    Check(player.LayerNumber() >= 1 && player.LayerNumber() <= 3);
    Check(player.MpegVersion() >= 1 && player.MpegVersion() <= 3);
    const int64_t size = static_cast<int64_t>(bytes.size());
    Check(player.AudioStart() >= 0 && player.AudioStart() <= size);
    Check(player.AudioLength() >= 0);
    // A VBR header's byte count may reach past a cut file; the length shrinks while playing.
    if (seekable && player.Source().VbrHeader() == TVbrHeaderKind::None) {
      Check(player.AudioStart() + player.AudioLength() <= size);
    }
    player.Artist();
    player.SongTitle();
    Check(player.Capabilities() & kCapCanPlay);
  }
  player.Close();
  Check(!player.Opened());
  player.Window().ProcessPending();
  return opened;
}

// The worker's loop without threads: find a frame, decode it, until the audio ends.
void StepFrames(std::span<const uint8_t> bytes) {
  TMPMemoryStream stream(bytes);
  TMPStreamReader reader(kPlayerReaderCapacity);
  reader.Open(&stream, true);
  TMP3Info info;
  auto state = std::make_unique<decoder::DecoderState>();
  TMPFrameSource source(reader, info, *state);
  try {
    source.Open();
  } catch (const TMPFormatError&) {
    return;
  }
  const decoder::MpegOutputInfo& output = source.OutputInfo();
  const int frameBytes = output.SamplesPerFrame * output.BitsPerSample / 8;
  Check(frameBytes >= 1 && frameBytes <= kPcmBufferSize);
  auto pcm = std::make_unique<uint8_t[]>(kPcmBufferSize);
  // Every step consumes a byte, a frame, or ends the audio: more steps than bytes is a hang.
  const size_t maxSteps = bytes.size() + 2;
  size_t steps = 0;
  while (!source.AtEndOfData()) {
    Check(++steps <= maxSteps);
    if (source.FindFrame() == TFrameStep::Frame) source.DecodeFrame(pcm.get());
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> bytes(data, size);
  const bool opened = OpenInPlayer(bytes, true);
  OpenInPlayer(bytes, false);
  if (opened) StepFrames(bytes);
  return 0;
}
