// yumekaze-cli: dispatches to the command named by the first argument.
#include <cstdio>
#include <span>
#include <string_view>

#include "cli/command_line.h"
#include "cli/player_commands.h"
#include "cli/shown_text.h"

namespace {

using yumekaze::cli::Command;

constexpr Command kCommands[] = {
    {"decode", "decode an MPEG audio file to WAV or raw PCM", yumekaze::cli::RunDecodeCommand},
    {"info", "show the format, audio position and tags of MPEG audio files",
     yumekaze::cli::RunInfoCommand},
    {"play", "play MPEG audio files", yumekaze::cli::RunPlayCommand},
};

void PrintUsage(std::FILE* to) {
  std::fprintf(to, "usage: yumekaze-cli COMMAND [ARGS...]\n\ncommands:\n");
  for (const Command& command : kCommands) {
    std::fprintf(to, "  %-8.*s %.*s\n", static_cast<int>(command.name.size()), command.name.data(),
                 static_cast<int>(command.summary.size()), command.summary.data());
  }
  std::fprintf(to,
               "\n'yumekaze-cli COMMAND --help' describes a command; --version shows the "
               "version.\n");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    PrintUsage(stderr);
    return yumekaze::cli::kExitUsage;
  }
  const std::string_view name = argv[1];
  if (name == "--help" || name == "-h" || name == "help") {
    PrintUsage(stdout);
    return yumekaze::cli::kExitSuccess;
  }
  if (name == "--version") {
    std::printf("yumekaze-cli %s\n", YUMEKAZE_VERSION);
    return yumekaze::cli::kExitSuccess;
  }
  for (const Command& command : kCommands) {
    if (command.name == name) {
      return command.run(std::span<char* const>(argv + 2, static_cast<size_t>(argc - 2)));
    }
  }
  std::fprintf(stderr, "yumekaze-cli: unknown command '%s'\n",
               yumekaze::cli::ShownFileName(argv[1]).c_str());
  PrintUsage(stderr);
  return yumekaze::cli::kExitUsage;
}
