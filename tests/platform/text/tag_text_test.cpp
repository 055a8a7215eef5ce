#include "platform/text/tag_text.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <utility>

#include "platform/text/legacy_charset.h"

namespace yumekaze::platform {
namespace {

std::string Cp932(std::string_view bytes) { return DecodeTagText(bytes, "CP932"); }

TEST(TagText, ValidUtf8PassesAsItIs) {
  EXPECT_EQ(DecodeTagText("Plain ASCII"), "Plain ASCII");
  EXPECT_EQ(DecodeTagText("夢風の歌 🎵"), "夢風の歌 🎵");
  EXPECT_EQ(DecodeTagText(""), "");
}

TEST(TagText, OtherBytesAreReadInTheLegacySetCp932) {
  // "夢風" and "ﾃｽﾄ" (half-width katakana) in Shift-JIS, and the CP932 extensions ① and ～.
  EXPECT_EQ(Cp932("\x96\xB2\x95\x97"), "夢風");
  EXPECT_EQ(Cp932("ABC \xC3\xBD\xC4"), "ABC ﾃｽﾄ");
  EXPECT_EQ(Cp932("\x87\x40\x81\x60"), "①～");
}

TEST(TagText, BytesThatAreNotCp932BecomeReplacementCharacters) {
  // 0xA0 is unassigned, and a lead byte at the end has no trail byte.
  EXPECT_EQ(Cp932("a\xA0"
                  "b\x82"),
            "a\xEF\xBF\xBD"
            "b\xEF\xBF\xBD");
  // Overlong and surrogate forms are not UTF-8; 0xC0 0xAF is not CP932 either.
  EXPECT_NE(Cp932("\xED\xA0\x80"), "\xED\xA0\x80");
  EXPECT_NE(Cp932("\xC0\xAF"), "\xC0\xAF");
}

TEST(TagText, TextEndsAtTheFirstZeroByte) {
  EXPECT_EQ(Cp932(std::string_view("Title\0junk", 10)), "Title");
  EXPECT_EQ(Cp932(std::string_view("\x82\xA0\0\xFF", 4)), "あ");
}

TEST(TagText, SeveralValuesShowJoinedAndStaySeparate) {
  // Two artists (as the merge keeps them) and one title that itself holds " / ".
  EXPECT_EQ(DecodeTagText("One\x1F\x96\xB2\x95\x97", "CP932"), "One / 夢風");
  EXPECT_EQ(DecodeTagValues("One\x1FTwo"), (std::vector<std::string>{"One", "Two"}));
  EXPECT_EQ(DecodeTagValues("Prelude / Fugue"), std::vector<std::string>{"Prelude / Fugue"});
  EXPECT_TRUE(DecodeTagValues("").empty());
}

TEST(TagText, LegacySetsOfOtherLanguages) {
  EXPECT_EQ(DecodeTagText("M\xF6tley Cr\xFC"
                          "e, Caf\xE9 \x80",
                          "CP1252"),
            "Mötley Crüe, Café €");
  EXPECT_EQ(DecodeTagText("\xCA\xE8\xED\xEE", "CP1251"), "Кино");
  EXPECT_EQ(DecodeTagText("\xC4\xE3", "GB18030"), "你");
  EXPECT_EQ(DecodeTagText("\xA4\xA4", "BIG5"), "中");
  EXPECT_EQ(DecodeTagText("\xB0\xA1", "CP949"), "가");
  // Valid UTF-8 wins over any set, also when a tag says it holds ISO-8859-1.
  EXPECT_EQ(DecodeTagText("Caf\xC3\xA9", "CP1251"), "Café");
}

TEST(LegacyCharset, FollowsTheLocaleUntilTheUserChooses) {
  const std::pair<const char*, const char*> cases[] = {
      {"ja_JP.UTF-8", "CP932"},  {"ja", "CP932"},           {"zh_CN.UTF-8", "GB18030"},
      {"zh_SG", "GB18030"},      {"zh_TW.UTF-8", "BIG5"},   {"zh_HK.UTF-8", "BIG5"},
      {"ko_KR.UTF-8", "CP949"},  {"ru_RU.UTF-8", "CP1251"}, {"uk_UA", "CP1251"},
      {"bg_BG.UTF-8", "CP1251"}, {"sr_RS", "CP1251"},       {"en_US.UTF-8", "CP1252"},
      {"de_DE@euro", "CP1252"},  {"C.UTF-8", "CP1252"},     {"", "CP1252"}};
  for (const auto& [locale, charset] : cases) {
    EXPECT_EQ(LegacyCharsetForLocale(locale), charset) << locale;
    EXPECT_TRUE(IsKnownCharset(charset)) << charset;
  }
  EXPECT_FALSE(IsKnownCharset("NO-SUCH-SET"));

  const char* saved = std::getenv("LC_ALL");
  const std::string saved_value = saved ? saved : "";
  ::setenv("LC_ALL", "ja_JP.UTF-8", 1);
  EXPECT_EQ(LegacyCharset(), "CP932");
  EXPECT_EQ(DecodeTagText("\x82\xA0"), "あ");
  SetLegacyCharset("CP1252");
  EXPECT_EQ(DecodeTagText("\xE9"), "é");
  SetLegacyCharset("");
  EXPECT_EQ(LegacyCharset(), "CP932");

  // Without a choice each text is read as Latin-1 or in the locale's set, whichever reads as
  // text; the key and the value of a tag line each on their own.
  const std::pair<const char*, std::pair<const char*, const char*>> texts[] = {
      {"ja_JP.UTF-8", {"Bj\xF6rk Gu\xF0mundsd\xF3ttir", "Björk Guðmundsdóttir"}},
      {"ja_JP.UTF-8", {"Fran\xE7oise", "Françoise"}},
      {"ja_JP.UTF-8", {"\x96\xB2\x95\x97", "夢風"}},
      {"ja_JP.UTF-8", {"ARTIST=\x95\x97", "ARTIST=風"}},
      {"ru_RU.UTF-8", {"Mot\xF6rhead", "Motörhead"}},
      {"ru_RU.UTF-8", {"\xC1\xE8-2", "Би-2"}},
      {"en_US.UTF-8", {"\xCA\xE8\xED\xEE", "Êèíî"}}};
  for (const auto& [locale, text] : texts) {
    ::setenv("LC_ALL", locale, 1);
    EXPECT_EQ(DecodeTagLine(text.first), text.second) << locale;
  }
  if (saved) {
    ::setenv("LC_ALL", saved_value.c_str(), 1);
  } else {
    ::unsetenv("LC_ALL");
  }
}

}  // namespace
}  // namespace yumekaze::platform
