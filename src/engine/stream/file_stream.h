// A file opened read-only; other programs may go on reading (and, Linux having no mandatory share
// modes, writing) it meanwhile.
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

  const std::string& Path() const { return path_; }

 private:
  std::string path_;
  int fd_ = -1;
};

}  // namespace yumekaze::engine
