// File names that are not UTF-8: what counts as UTF-8, how the rest is replaced, and the exact
// name as a file:// URI.
#include "platform/text/file_name_text.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace yumekaze::platform {
namespace {

TEST(FileNames, MalformedSequencesAreReplacedOncePerMaximalPart) {
  const std::string r = "\xEF\xBF\xBD";
  const std::pair<std::string, std::string> cases[] = {
      {"caf\xC3\xA9 \xE6\x97\xA5 \xF0\x9F\x8E\xB5", "caf\xC3\xA9 \xE6\x97\xA5 \xF0\x9F\x8E\xB5"},
      {"caf\xE9.mp3", "caf" + r + ".mp3"},
      {"\xC0\xAF", r + r},                  // overlong '/'
      {"\xED\xA0\x80", r + r + r},          // surrogate
      {"\xE2\x82", r},                      // cut short at the end
      {"\xE2\x82x", r + "x"},               // cut short inside
      {"\xF4\x90\x80\x80", r + r + r + r},  // above U+10FFFF
      {"\x80\xFF", r + r},
  };
  for (const auto& [bytes, shown] : cases) {
    EXPECT_EQ(WithReplacementCharacters(bytes), shown) << bytes;
    EXPECT_EQ(IsUtf8(bytes), bytes == shown) << bytes;
  }
}

TEST(FileNames, UriHoldsTheExactBytesOfTheAbsoluteName) {
  EXPECT_EQ(FileUri("/music/caf\xE9 #1%.mp3"), "file:///music/caf%E9%20%231%25.mp3");
  EXPECT_EQ(FileUri("/a-b_c.~/\xC3\xA9"), "file:///a-b_c.~/%C3%A9");
  const std::string cwd = FileUri(std::filesystem::current_path().string());
  EXPECT_EQ(FileUri("x.mp3"), cwd + "/x.mp3") << "relative names start at the working directory";
}

}  // namespace
}  // namespace yumekaze::platform
