// The front cover of a file: its embedded picture or an image beside it in its folder.
#pragma once

#include <optional>
#include <string>

#include "engine/tags/tag_fields.h"

namespace yumekaze::engine {

struct TFrontCover {
  TPictureInfo picture;
  std::string folderImage;  // the image file it came from; empty when embedded
};

// The embedded picture or the first of cover.*, folder.*, front.*, album.* (jpg, jpeg or png,
// any case) in path's folder, whichever has more pixels; the embedded one when they tie or
// sizes are not known. Nothing when there is neither.
std::optional<TFrontCover> FindFrontCover(const std::string& path, const TPictureInfo& embedded);

}  // namespace yumekaze::engine
