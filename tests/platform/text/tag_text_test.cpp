#include "platform/text/tag_text.h"

#include <gtest/gtest.h>

namespace yumekaze::platform {
namespace {

TEST(TagText, ValidUtf8PassesAsItIs) {
  EXPECT_EQ(DecodeTagText("Plain ASCII"), "Plain ASCII");
  EXPECT_EQ(DecodeTagText("夢風の歌 🎵"), "夢風の歌 🎵");
  EXPECT_EQ(DecodeTagText(""), "");
}

TEST(TagText, OtherBytesAreReadAsCp932) {
  // "夢風" and "ﾃｽﾄ" (half-width katakana) in Shift-JIS, and the CP932 extensions ① and ～.
  EXPECT_EQ(DecodeTagText("\x96\xB2\x95\x97"), "夢風");
  EXPECT_EQ(DecodeTagText("ABC \xC3\xBD\xC4"), "ABC ﾃｽﾄ");
  EXPECT_EQ(DecodeTagText("\x87\x40\x81\x60"), "①～");
}

TEST(TagText, BytesThatAreNotCp932BecomeReplacementCharacters) {
  // 0xA0 is unassigned, and a lead byte at the end has no trail byte.
  EXPECT_EQ(DecodeTagText("a\xA0"
                          "b\x82"),
            "a\xEF\xBF\xBD"
            "b\xEF\xBF\xBD");
  // Overlong and surrogate forms are not UTF-8; 0xC0 0xAF is not CP932 either.
  EXPECT_NE(DecodeTagText("\xED\xA0\x80"), "\xED\xA0\x80");
  EXPECT_NE(DecodeTagText("\xC0\xAF"), "\xC0\xAF");
}

TEST(TagText, TextEndsAtTheFirstZeroByte) {
  EXPECT_EQ(DecodeTagText(std::string_view("Title\0junk", 10)), "Title");
  EXPECT_EQ(DecodeTagText(std::string_view("\x82\xA0\0\xFF", 4)), "あ");
}

}  // namespace
}  // namespace yumekaze::platform
