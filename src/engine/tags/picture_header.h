// The kind and pixel size of a picture, read from its first bytes (JPEG's start-of-frame
// segment, PNG's IHDR chunk) without decoding it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "engine/tags/tag_fields.h"

namespace yumekaze::engine {

struct TPictureHeader {
  std::string mime;  // "image/jpeg" or "image/png"
  int width = 0;
  int height = 0;
};

// Nothing for other formats and for headers that end early or give no size.
std::optional<TPictureHeader> ReadPictureHeader(std::string_view bytes);

// A picture of the given type and bytes; its size from its header, and its MIME type from there
// when the tag gives none.
TPictureInfo DescribePicture(int type, std::string mime, std::string_view data);

}  // namespace yumekaze::engine
