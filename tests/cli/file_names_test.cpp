// File names that are not UTF-8: what counts as UTF-8, how the rest is replaced, and the exact
// name as a file:// URI.
#include "cli/file_names.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

namespace yumekaze::cli {
namespace {

constexpr const char* kReplacement = "\xEF\xBF\xBD";

TEST(FileNames, MalformedSequencesAreReplacedOncePerMaximalPart) {
  const std::pair<std::string, std::string> cases[] = {
      {"caf\xC3\xA9 \xE6\x97\xA5 \xF0\x9F\x8E\xB5", "caf\xC3\xA9 \xE6\x97\xA5 \xF0\x9F\x8E\xB5"},
      {"caf\xE9.mp3", "caf" + std::string(kReplacement) + ".mp3"},
      {"\xC0\xAF", std::string(kReplacement) + kReplacement},                     // overlong '/'
      {"\xED\xA0\x80", std::string(kReplacement) + kReplacement + kReplacement},  // surrogate
      {"\xE2\x82", kReplacement},                      // cut short at the end
      {"\xE2\x82x", std::string(kReplacement) + "x"},  // cut short inside
      {"\xF4\x90\x80\x80", std::string(4, '?')},       // above U+10FFFF
      {"\x80\xFF", std::string(kReplacement) + kReplacement},
  };
  for (const auto& [bytes, shown] : cases) {
    const std::string expected =
        shown == std::string(4, '?')
            ? std::string(kReplacement) + kReplacement + kReplacement + kReplacement
            : shown;
    EXPECT_EQ(WithReplacementCharacters(bytes), expected) << bytes;
    EXPECT_EQ(IsUtf8(bytes), bytes == shown) << bytes;
  }
}

TEST(FileNames, UriHoldsTheExactBytesOfTheAbsoluteName) {
  EXPECT_EQ(FileUri("/music/caf\xE9 #1%.mp3"), "file:///music/caf%E9%20%231%25.mp3");
  EXPECT_EQ(FileUri("/a-b_c.~/\xC3\xA9"), "file:///a-b_c.~/%C3%A9");
  const std::string cwd = std::filesystem::current_path().string();
  EXPECT_EQ(FileUri("x.mp3").rfind("file://" + FileUri(cwd).substr(7) + "/x.mp3", 0), 0u);
}

}  // namespace
}  // namespace yumekaze::cli
