// zlib data inside tags (compressed ID3v2 frames), inflated with a limit on the output.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace yumekaze::engine::tag_bytes {

// Inflates zlib data into at most limit bytes: output that reaches the limit is cut there, so a
// small frame cannot claim unbounded memory. nullopt when the data is damaged.
std::optional<std::string> Inflate(std::string_view compressed, size_t limit);

}  // namespace yumekaze::engine::tag_bytes
