#include "cli/equalizer_option.h"

#include <algorithm>

#include "engine/player/equalizer_presets.h"

namespace yumekaze::cli {

std::string EqualizerHelp(int column) {
  static constexpr const char* kLines[][2] = {
      {"--eq GAINS", "an equalizer: flat, a preset (--eq list shows them and the"},
      {"", "bands' frequencies), or dB per band, lowest first, separated by"},
      {"", "commas (-12 to 12; their count is the number of bands)"},
      {"--eq-mode MODE", "freq (the default: bands from 60 Hz to 16 kHz, on Layer III's"},
      {"", "spectral lines) or subband (on the 32 synthesis subbands)"},
  };
  std::string help;
  for (const auto& [option, text] : kLines) {
    std::string line = std::string("  ") + option;
    line.resize(std::max<size_t>(static_cast<size_t>(column), line.size() + 1), ' ');
    help += line + text + "\n";
  }
  return help;
}

EqualizerOption TakeEqualizerOption(std::string_view option, std::string_view value,
                                    EqualizerChoice& choice) {
  if (option == "--eq") {
    if (value == "list") {
      choice.listAsked = true;
      return EqualizerOption::kTaken;
    }
    choice.gainsDb = engine::ParseEqualizerGains(value);
    return choice.gainsDb ? EqualizerOption::kTaken : EqualizerOption::kBadValue;
  }
  if (option == "--eq-mode") {
    if (value != "freq" && value != "subband") return EqualizerOption::kBadValue;
    choice.mode = value == "freq" ? engine::memFreq : engine::memSubBand;
    return EqualizerOption::kTaken;
  }
  return EqualizerOption::kNotOurs;
}

void PrintEqualizerList(std::FILE* to) {
  const engine::TEqualizerBands bands =
      engine::BandsFromGains(std::vector<double>(engine::kPresetBands), engine::memFreq, 0);
  std::fprintf(to, "%-10s", "band Hz");
  for (int band = 0; band < bands.Count; ++band) std::fprintf(to, "%7d", bands.Frequencies[band]);
  std::fprintf(to, "\n");
  for (const engine::TEqualizerPreset& preset : engine::EqualizerPresets()) {
    std::fprintf(to, "%-10.*s", static_cast<int>(preset.Name.size()), preset.Name.data());
    for (const double gain : preset.GainsDb) std::fprintf(to, "%+7.1f", gain);
    std::fprintf(to, "\n");
  }
}

}  // namespace yumekaze::cli
