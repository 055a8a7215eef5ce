// The byte source the engine reads a file through: read, seek and size. TMPFileStream serves real
// files, TMPMemoryStream serves bytes held in memory (tests, fuzzing).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>

namespace yumekaze::engine {

// Read, seek and open failures of a stream; the text names the file and the system's reason.
class TMPStreamError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
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

 protected:
  TMPStream() = default;
  TMPStream(const TMPStream&) = delete;
  TMPStream& operator=(const TMPStream&) = delete;
};

}  // namespace yumekaze::engine
