// Hostile files for the robustness tests: cut downloads, mislabelled files, broken and huge tags,
// things that are not audio at all. Each is written to disk once per test program, with what a
// player must make of it.
#pragma once

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

namespace yumekaze::robustness {

enum class Expect {
  kPlays,    // valid audio is in there: it opens and plays it
  kRefused,  // nothing to play: a clear error
  kEither,   // either of the two, as long as it is one of them
};

struct HostileFile {
  std::string name;
  std::filesystem::path path;
  Expect expect;
};

// gtest prints parameters with this.
inline void PrintTo(const HostileFile& file, std::ostream* out) { *out << file.name; }

// Every hostile file, made when first asked for; empty when the encoders the source streams need
// are missing.
const std::vector<HostileFile>& HostileFiles();
// Their names, known without making them: the parameters of the tests.
std::vector<std::string> HostileFileNames();
// nullptr when the files could not be made.
const HostileFile* HostileFileNamed(const std::string& name);

}  // namespace yumekaze::robustness
