// The JSON form of `info`: one object per file, keys as listed in `info --help`.
#pragma once

#include <string>
#include <string_view>

#include "engine/player/track_probe.h"

namespace yumekaze::cli {

// The object for a file probed, on one line.
std::string InfoJson(std::string_view path, const engine::TMPTrackProbe& probe);
// The object for a file that could not be read: its name and the reason.
std::string ErrorJson(std::string_view path, std::string_view message);

}  // namespace yumekaze::cli
