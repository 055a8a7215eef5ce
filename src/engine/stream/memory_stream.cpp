#include "engine/stream/memory_stream.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace yumekaze::engine {

size_t TMPMemoryStream::Read(uint8_t* buffer, size_t count) {
  const int64_t size = Size();
  if (position_ >= size) return 0;
  const size_t n = std::min(count, static_cast<size_t>(size - position_));
  std::memcpy(buffer, bytes_.data() + position_, n);
  position_ += static_cast<int64_t>(n);
  return n;
}

int64_t TMPMemoryStream::Seek(int64_t offset, SeekOrigin origin) {
  const int64_t base = origin == SeekOrigin::Beginning ? 0
                       : origin == SeekOrigin::Current ? position_
                                                       : Size();
  // Refuse results below 0 and sums that would overflow, as a file's seek does.
  if ((offset < 0 && base + offset < 0) ||
      (offset > 0 && base > std::numeric_limits<int64_t>::max() - offset)) {
    throw TMPStreamError("Seek error in memory stream. Invalid argument");
  }
  position_ = base + offset;
  return position_;
}

}  // namespace yumekaze::engine
