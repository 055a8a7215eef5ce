#include "engine/tags/tag_inflate.h"

#include <zlib.h>

#include <algorithm>

namespace yumekaze::engine::tag_bytes {

std::optional<std::string> Inflate(std::string_view compressed, size_t limit) {
  z_stream stream{};
  if (inflateInit(&stream) != Z_OK) return std::nullopt;
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(compressed.data()));
  stream.avail_in = static_cast<uInt>(compressed.size());
  std::string out;
  char buffer[16384];
  int result = Z_OK;
  while (result == Z_OK && out.size() < limit) {
    stream.next_out = reinterpret_cast<Bytef*>(buffer);
    stream.avail_out = static_cast<uInt>(std::min(sizeof buffer, limit - out.size()));
    result = inflate(&stream, Z_NO_FLUSH);
    out.append(buffer, static_cast<size_t>(reinterpret_cast<char*>(stream.next_out) - buffer));
    // No progress with input left means the data ends early.
    if (result == Z_BUF_ERROR || (result == Z_OK && stream.avail_in == 0 && stream.avail_out != 0))
      break;
  }
  inflateEnd(&stream);
  if (result == Z_STREAM_END || out.size() >= limit) return out;
  return std::nullopt;
}

}  // namespace yumekaze::engine::tag_bytes
