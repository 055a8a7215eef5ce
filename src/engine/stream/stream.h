// The byte source the engine reads a file through: read, seek and size. TMPFileStream serves real
// files, TMPMemoryStream serves bytes held in memory (tests, fuzzing).
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>

namespace yumekaze::engine {

// Read, seek and open failures of a stream; the text names the file and the system's reason.
class TMPStreamError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A Read that does not wait (SetWaits(false)) found nothing there yet; its caller lets go of its
// locks and waits for the data through this exception.
class TMPReadPending : public TMPStreamError {
 public:
  using TWait = std::function<void(std::chrono::milliseconds limit)>;
  explicit TMPReadPending(TWait wait)
      : TMPStreamError("The stream has not been read this far yet."), wait_(std::move(wait)) {}
  // Waits, holding no lock of the caller's, until data, the end or an error is there at the
  // reader's position, the stream goes away, or `limit` has passed.
  void WaitForData(std::chrono::milliseconds limit) const { wait_(limit); }

 private:
  TWait wait_;
};

enum class SeekOrigin : int { Beginning = 0, Current = 1, End = 2 };

class TMPStream {
 public:
  virtual ~TMPStream() = default;

  // Reads up to count bytes into buffer; returns the number read, 0 at the end of the stream.
  // Throws TMPStreamError on a read error.
  virtual size_t Read(uint8_t* buffer, size_t count) = 0;

  // Moves the read position and returns the new absolute position. A position behind the end is
  // allowed (reads there return 0); a negative one throws TMPStreamError and leaves the position.
  virtual int64_t Seek(int64_t offset, SeekOrigin origin) = 0;

  // Size in bytes.
  virtual int64_t Size() = 0;

  // A second reader of the same bytes, with a position of its own, for another thread; null when
  // the stream has none. Safe to call while another thread reads this stream; never blocks.
  virtual std::unique_ptr<TMPStream> Duplicate() { return nullptr; }

  // Whether Read waits for data that is still on its way (true at first) or throws
  // TMPReadPending; streams that never wait ignore it.
  virtual void SetWaits(bool /*value*/) {}

  // The first offset at or after `from` where the bytes of a stream that cannot seek do not follow
  // on from those before (a reconnection); -1 when there is none. Frames across it are broken.
  virtual int64_t NextBreak(int64_t /*from*/) { return -1; }

 protected:
  TMPStream() = default;
  TMPStream(const TMPStream&) = delete;
  TMPStream& operator=(const TMPStream&) = delete;
};

}  // namespace yumekaze::engine
