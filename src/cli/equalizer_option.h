// --eq and --eq-mode of decode and play.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/player/player_types.h"

namespace yumekaze::cli {

// The help lines of both options, their texts starting at a column as the command's others do.
std::string EqualizerHelp(int column);

struct EqualizerChoice {
  std::optional<std::vector<double>> gainsDb;  // none: no equalizer
  engine::TMP3EqualizerMode mode = engine::memFreq;
  bool listAsked = false;  // --eq list
};

enum class EqualizerOption { kNotOurs, kTaken, kBadValue };

// Takes --eq VALUE or --eq-mode VALUE into choice.
EqualizerOption TakeEqualizerOption(std::string_view option, std::string_view value,
                                    EqualizerChoice& choice);

// The presets and the bands' frequencies, for --eq list.
void PrintEqualizerList(std::FILE* to);

}  // namespace yumekaze::cli
