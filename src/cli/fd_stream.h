// A TMPStream over a file descriptor: a named file, or standard input for "-". Lets the decode
// command read pipes, which the engine's file stream refuses, and keeps the system's reason of a
// failure for the command's own messages.
#pragma once

#include <string>

#include "engine/stream/stream.h"

namespace yumekaze::cli {

class FdStream final : public engine::TMPStream {
 public:
  FdStream() = default;
  ~FdStream() override;

  // path "-" is standard input. False with LastError() set when the file cannot be opened or is
  // a directory.
  bool Open(const std::string& path);
  // A regular file can seek and has a size; a pipe or terminal cannot.
  bool Seekable() const { return seekable_; }
  // errno of the last failure.
  int LastError() const { return last_error_; }

  size_t Read(uint8_t* buffer, size_t count) override;
  int64_t Seek(int64_t offset, engine::SeekOrigin origin) override;
  int64_t Size() override { return size_; }

 private:
  [[noreturn]] void Fail(const char* what, int error);

  int fd_ = -1;
  bool owns_fd_ = false;
  bool seekable_ = false;
  int64_t size_ = 0;
  int last_error_ = 0;
};

}  // namespace yumekaze::cli
