// Fuzzes the tag reader: TMP3Info over a TMPStreamReader with the player's 64 KiB ring, on the
// input held in a TMPMemoryStream. Each input is scanned as a seekable file (leading and
// trailing tags) and as a stream that cannot seek (leading tags only), and its merged fields are
// formed.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>

#include "engine/stream/memory_stream.h"
#include "engine/stream/stream_reader.h"
#include "engine/tags/mp3_info.h"

using namespace yumekaze::engine;

namespace {

constexpr int32_t kPlayerReaderCapacity = 0x10000;

// A failed check names itself, then aborts so that libFuzzer keeps the input.
#define Check(condition) ((condition) ? void() : Fail(#condition, __LINE__))

[[noreturn]] void Fail(const char* condition, int line) {
  std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, line, condition);
  std::abort();
}

void CheckLines(const TMP3Info::TagLines& lines) {
  for (const std::string& line : lines) Check(line.find('=') != std::string::npos);
}

void Scan(std::span<const uint8_t> bytes, bool seekable) {
  TMPMemoryStream stream(bytes);
  TMPStreamReader reader(kPlayerReaderCapacity);
  reader.Open(&stream, seekable);
  TMP3Info info;
  info.Attach(&reader);
  info.ScanLeading();
  const int64_t size = static_cast<int64_t>(bytes.size());
  Check(info.AudioStart() >= 0 && info.AudioStart() <= size);
  if (seekable) {
    Check(info.ScanTrailing());
    // What the player seeks to and reads must lie inside the file.
    Check(info.AudioLength() >= 0 && info.AudioStart() + info.AudioLength() <= size);
    reader.Seek(info.AudioStart(), SeekOrigin::Beginning);
    reader.Request(1);
  } else {
    Check(!info.ScanTrailing());
  }
  CheckLines(info.Id3v1Lines());
  CheckLines(info.Id3v2Lines());
  CheckLines(info.InfoLines());
  CheckLines(info.Lyrics3Lines());
  CheckLines(info.ApeLines());
  const TTagFields fields = info.Merged();
  Check(!fields.picture.present || fields.picture.size <= size);
  // UTF-16 frames become UTF-8: at most three bytes for every two.
  Check(info.GetArtist().size() <= 2 * bytes.size());
  Check(info.GetTitle().size() <= 2 * bytes.size());
  info.Clear();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> bytes(data, size);
  Scan(bytes, true);
  Scan(bytes, false);
  return 0;
}
