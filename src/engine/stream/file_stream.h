// A file opened read-only; other programs may go on reading (and, Linux having no mandatory share
// modes, writing) it meanwhile. Reads are positional, so duplicates read independently.
#pragma once

#include <string>

#include "engine/stream/stream.h"

namespace yumekaze::engine {

class TMPFileStream final : public TMPStream {
 public:
  // Opens path for reading; throws TMPStreamError ("Cannot open file "<path>". <reason>") when it
  // cannot be opened or is not a regular file.
  explicit TMPFileStream(const std::string& path);
  ~TMPFileStream() override;

  size_t Read(uint8_t* buffer, size_t count) override;
  int64_t Seek(int64_t offset, SeekOrigin origin) override;
  int64_t Size() override;
  std::unique_ptr<TMPStream> Duplicate() override;

  const std::string& Path() const { return path_; }

 private:
  TMPFileStream(std::string path, int fd) : path_(std::move(path)), fd_(fd) {}

  std::string path_;
  int fd_ = -1;
  int64_t position_ = 0;
};

}  // namespace yumekaze::engine
