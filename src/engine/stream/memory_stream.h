// A stream over bytes held in memory (a copy owned by the stream).
#pragma once

#include <span>
#include <vector>

#include "engine/stream/stream.h"

namespace yumekaze::engine {

class TMPMemoryStream final : public TMPStream {
 public:
  TMPMemoryStream() = default;
  explicit TMPMemoryStream(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
  explicit TMPMemoryStream(std::span<const uint8_t> bytes) : bytes_(bytes.begin(), bytes.end()) {}

  size_t Read(uint8_t* buffer, size_t count) override;
  int64_t Seek(int64_t offset, SeekOrigin origin) override;
  int64_t Size() override { return static_cast<int64_t>(bytes_.size()); }

  const std::vector<uint8_t>& Bytes() const { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
  int64_t position_ = 0;
};

}  // namespace yumekaze::engine
