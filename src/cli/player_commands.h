// The commands of yumekaze-cli that run on the playback engine.
#pragma once

#include <span>

namespace yumekaze::cli {

// info FILE...: format, audio position and tags of each file.
int RunInfoCommand(std::span<char* const> args);
// play [--device NAME] [--volume N] [--balance N] [--loop] FILE...: plays the files in order.
int RunPlayCommand(std::span<char* const> args);

}  // namespace yumekaze::cli
