#include "platform/text/charset_guess.h"

#include <strings.h>
#include <uchardet/uchardet.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/text/file_name_text.h"
#include "platform/text/legacy_converter.h"

namespace yumekaze::platform {

namespace {

enum class Script { kCjk, kCyrillic, kOther };

Script ScriptOf(const std::string& legacy) {
  for (const char* cjk : {"CP932", "SHIFT_JIS", "SJIS", "EUC-JP", "GB18030", "GBK", "GB2312",
                          "BIG5", "BIG5-HKSCS", "CP949", "EUC-KR", "UHC"}) {
    if (strcasecmp(legacy.c_str(), cjk) == 0) return Script::kCjk;
  }
  for (const char* cyrillic : {"CP1251", "WINDOWS-1251", "KOI8-R", "KOI8-U", "ISO-8859-5"}) {
    if (strcasecmp(legacy.c_str(), cyrillic) == 0) return Script::kCyrillic;
  }
  return Script::kOther;
}

// The names uchardet gives to text in legacy or in a set legacy contains.
bool SameFamily(const std::string& legacy, const char* detected) {
  static const std::vector<std::vector<const char*>> kFamilies = {
      {"CP932", "SHIFT_JIS"},     {"GB18030", "GB2312", "GBK"}, {"BIG5"},
      {"CP949", "EUC-KR", "UHC"}, {"CP1251", "WINDOWS-1251"},   {"KOI8-R"}};
  if (strcasecmp(legacy.c_str(), detected) == 0) return true;
  for (const auto& family : kFamilies) {
    bool has_legacy = false, has_detected = false;
    for (const char* name : family) {
      has_legacy = has_legacy || strcasecmp(name, legacy.c_str()) == 0;
      has_detected = has_detected || strcasecmp(name, detected) == 0;
    }
    if (has_legacy && has_detected) return true;
  }
  return false;
}

bool IsAsciiLetter(uint32_t c) { return (c | 0x20) >= 'a' && (c | 0x20) <= 'z'; }

// Letters of Latin-1 and CP1252's additions (Š Œ Ž š œ ž Ÿ).
bool IsLatinLetter(uint8_t byte) {
  if (byte >= 0xC0) return byte != 0xD7 && byte != 0xF7;
  for (const uint8_t letter : {0x8A, 0x8C, 0x8E, 0x9A, 0x9C, 0x9E, 0x9F}) {
    if (byte == letter) return true;
  }
  return false;
}

// Punctuation and signs Western titles and names use: € … ‘ ’ “ ” • – — ™, no-break space,
// ¡ £ § © « ® ° ´ · » ¿.
bool IsLatinSign(uint8_t byte) {
  for (const uint8_t sign : {0x80, 0x85, 0x91, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0x99, 0xA0,
                             0xA1, 0xA3, 0xA7, 0xA9, 0xAB, 0xAE, 0xB0, 0xB4, 0xB7, 0xBB, 0xBF}) {
    if (byte == sign) return true;
  }
  return false;
}

// Latin text has its accented letters among plain ones, a few in a row at most; words of other
// scripts read as Latin-1 give runs of accented letters, or signs no title uses (² ¶ ¼ ƒ ‡).
// Only called for text with bytes above 0x7F.
bool PlausibleLatin1(std::string_view bytes) {
  size_t letters = 0, accented = 0, run = 0;
  for (const char c : bytes) {
    const auto byte = static_cast<uint8_t>(c);
    if (byte < 0x80) {
      run = 0;
      if (IsAsciiLetter(byte)) ++letters;
      continue;
    }
    if (IsLatinSign(byte)) {
      run = 0;
      continue;
    }
    if (!IsLatinLetter(byte) || ++run > 2) return false;
    ++letters;
    ++accented;
  }
  // Signs alone ("•—") are no title; they are how two-byte characters read as Latin-1.
  return letters > 0 && accented * 2 <= letters;
}

std::vector<uint32_t> CodePoints(std::string_view utf8) {
  std::vector<uint32_t> points;
  for (size_t at = 0; at < utf8.size();) {
    const size_t length = std::max<size_t>(Utf8SequenceLength(utf8, at), 1);
    const auto lead = static_cast<uint8_t>(utf8[at]);
    uint32_t c = length == 1 ? lead : lead & (0xFF >> (length + 1));
    for (size_t k = 1; k < length; ++k) c = c << 6 | (static_cast<uint8_t>(utf8[at + k]) & 0x3F);
    points.push_back(c);
    at += length;
  }
  return points;
}

bool InRanges(uint32_t c, std::initializer_list<std::pair<uint32_t, uint32_t>> ranges) {
  for (const auto& [low, high] : ranges) {
    if (c >= low && c <= high) return true;
  }
  return false;
}

// What the CJK sets hold beyond ASCII: their scripts, and the Greek, Cyrillic, signs and
// symbols of their national standards; not the vendors' private areas.
bool IsCjkCharacter(uint32_t c) {
  return InRanges(c, {{0x00A1, 0x00FF},
                      {0x0391, 0x03C9},
                      {0x0401, 0x0451},
                      {0x2010, 0x203B},
                      {0x2100, 0x2199},
                      {0x2200, 0x22FF},
                      {0x2460, 0x24FF},
                      {0x2500, 0x26FF},
                      {0x3000, 0x33FF},
                      {0x3400, 0x4DBF},
                      {0x4E00, 0x9FFF},
                      {0xAC00, 0xD7A3},
                      {0xF900, 0xFAFF},
                      {0xFE30, 0xFE4F},
                      {0xFF01, 0xFFE6}});
}

bool IsHalfwidthKatakana(uint32_t c) { return c >= 0xFF61 && c <= 0xFF9F; }

// Kana, hangul and ideographs: letters of words, not punctuation such as 「」.
bool IsCjkLetter(uint32_t c) {
  return InRanges(
      c,
      {{0x3040, 0x30FF}, {0x3400, 0x4DBF}, {0x4E00, 0x9FFF}, {0xAC00, 0xD7A3}, {0xF900, 0xFAFF}});
}

bool IsCyrillicLetter(uint32_t c) { return c >= 0x0400 && c <= 0x04FF; }

bool IsCyrillicSign(uint32_t c) {
  return InRanges(c, {{0x00A0, 0x00BB}, {0x2013, 0x2026}, {0x20AC, 0x20AC}, {0x2116, 0x2122}});
}

// The legacy reading holds only characters of its script, and none glued into a Latin word
// (where accented Latin letters read in another set land: "Fran?ise", "Mot?rhead").
bool PlausibleLegacy(const std::vector<uint32_t>& text, Script script) {
  const auto ascii_letter_at = [&](size_t i) { return i < text.size() && IsAsciiLetter(text[i]); };
  for (size_t i = 0; i < text.size(); ++i) {
    const uint32_t c = text[i];
    if (c < 0x80) continue;
    const bool left = i > 0 && ascii_letter_at(i - 1);
    const bool right = ascii_letter_at(i + 1);
    switch (script) {
      case Script::kCjk:
        if (!IsCjkCharacter(c) || (IsCjkLetter(c) && left && right)) return false;
        if (IsHalfwidthKatakana(c) && (left || right)) return false;
        break;
      case Script::kCyrillic:
        if (IsCyrillicLetter(c) ? (left || right) : !IsCyrillicSign(c)) return false;
        break;
      case Script::kOther:
        if ((c >= 0x80 && c < 0xA0) || (c >= 0xE000 && c <= 0xF8FF) || c == 0xFFFD) return false;
        break;
    }
  }
  return true;
}

bool DetectorNamesFamily(std::string_view bytes, const std::string& legacy) {
  const std::unique_ptr<std::remove_pointer_t<uchardet_t>, void (*)(uchardet_t)> detector(
      uchardet_new(), uchardet_delete);
  if (!detector || uchardet_handle_data(detector.get(), bytes.data(), bytes.size()) != 0) {
    return false;
  }
  uchardet_data_end(detector.get());
  return SameFamily(legacy, uchardet_get_charset(detector.get()));
}

}  // namespace

bool ReadsAsLegacy(std::string_view bytes, const std::string& legacy) {
  if (strcasecmp(legacy.c_str(), kLatin1Charset.c_str()) == 0) return false;
  LegacyConverter converter(legacy);
  const std::optional<std::string> decoded = converter.ConvertExactly(bytes);
  if (!decoded || !PlausibleLegacy(CodePoints(*decoded), ScriptOf(legacy))) return false;
  return !PlausibleLatin1(bytes) || DetectorNamesFamily(bytes, legacy);
}

}  // namespace yumekaze::platform
