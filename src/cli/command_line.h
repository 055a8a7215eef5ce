// The commands of yumekaze-cli and the conventions they share.
#pragma once

#include <span>
#include <string_view>

namespace yumekaze::cli {

// Exit statuses of every command.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;  // input that cannot be read or decoded, output errors
inline constexpr int kExitUsage = 2;

// args: the arguments after the command's name.
using CommandFn = int (*)(std::span<char* const> args);

struct Command {
  std::string_view name;
  std::string_view summary;
  CommandFn run;
};

int RunDecodeCommand(std::span<char* const> args);

}  // namespace yumekaze::cli
