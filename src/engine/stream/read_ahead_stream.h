// TMPReadAheadStream: reads a file ahead on a thread of its own, so that the thread that decodes
// never waits for the file system. A Read that does not wait (SetWaits(false)) and finds nothing
// read yet throws TMPReadPending instead; its caller lets go of its locks and waits for the data
// through that exception. A file system that hangs then holds up only the reading thread, which is
// left to finish alone when the stream goes away.
#pragma once

#include <memory>

#include "engine/stream/stream.h"

namespace yumekaze::engine {

struct TMPReadAheadState;

class TMPReadAheadStream final : public TMPStream {
 public:
  // Bytes kept read ahead of the reader's position, and the size of one read of the file.
  static constexpr size_t kAhead = 256 * 1024;
  static constexpr size_t kChunk = 64 * 1024;

  // Reads `source` (seekable, size known) from its start; only the reading thread uses it.
  explicit TMPReadAheadStream(std::unique_ptr<TMPStream> source);
  ~TMPReadAheadStream() override;

  size_t Read(uint8_t* buffer, size_t count) override;
  int64_t Seek(int64_t offset, SeekOrigin origin) override;
  int64_t Size() override { return size_; }
  // The source's duplicate (its Duplicate must be safe beside its reads, as a file's is).
  std::unique_ptr<TMPStream> Duplicate() override;

  // Whether Read waits for the reading thread (true at first: only what is asked for is read) or
  // throws TMPReadPending (playing: the file is read ahead by up to kAhead).
  void SetWaits(bool value) override;

 private:
  std::shared_ptr<TMPReadAheadState> state_;
  int64_t size_ = 0;
  bool waits_ = true;  // guarded by the state's mutex
};

}  // namespace yumekaze::engine
