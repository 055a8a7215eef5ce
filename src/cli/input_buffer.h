// Reads a file (or standard input) in large blocks and keeps a window of it for frame parsing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace yumekaze::cli {

class InputBuffer {
 public:
  InputBuffer() = default;
  ~InputBuffer();
  InputBuffer(const InputBuffer&) = delete;
  InputBuffer& operator=(const InputBuffer&) = delete;

  // path "-" reads standard input. False with errno set when the file cannot be opened.
  bool Open(const std::string& path);

  // Makes at least `count` bytes available unless the input ends first. False on a read error
  // (errno set); the end of the input is not an error.
  bool Request(size_t count);
  const uint8_t* Data() const { return buffer_.data() + begin_; }
  size_t Available() const { return end_ - begin_; }
  void Skip(size_t count);

  uint64_t Position() const { return position_; }  // bytes skipped so far
  int64_t Size() const { return size_; }           // -1 when unknown (pipes)

 private:
  static constexpr size_t kBlockSize = 1 << 20;

  int fd_ = -1;
  bool ownsFd_ = false;
  bool atEnd_ = false;
  std::vector<uint8_t> buffer_;
  size_t begin_ = 0;
  size_t end_ = 0;
  uint64_t position_ = 0;
  int64_t size_ = -1;
};

}  // namespace yumekaze::cli
