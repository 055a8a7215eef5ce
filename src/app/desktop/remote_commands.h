// Commands from the shell to the running player: yumekaze --play, --next, --status, ...
#pragma once

#include <optional>

namespace yumekaze::app {

// The usage lines of the commands, for --help.
extern const char kRemoteUsage[];

// When the first argument names a command to the running player, sends it over the session bus
// and gives the exit status: 0 done, 1 no player runs or it did not answer, 2 wrong usage.
// Without such a command nothing happens and the result is empty. Needs no display.
std::optional<int> RunRemoteCommand(int& argc, char** argv);

}  // namespace yumekaze::app
