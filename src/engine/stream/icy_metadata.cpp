#include "engine/stream/icy_metadata.h"

#include <algorithm>

namespace yumekaze::engine {
namespace {

// Windows-1252's characters at 0x80..0x9F (0 where it has none); Latin-1 elsewhere.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

bool ValidUtf8(std::string_view text) {
  size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    size_t length = 1;
    uint32_t lowest = 0;
    if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      lowest = 0x10000;
    } else if (lead >= 0xE0) {
      length = lead <= 0xEF ? 3 : 0;
      lowest = 0x800;
    } else if (lead >= 0xC2) {
      length = 2;
      lowest = 0x80;
    } else if (lead >= 0x80) {
      length = 0;
    }
    if (length == 0 || i + length > text.size()) return false;
    uint32_t code = length == 1 ? lead : lead & (0x7F >> length);
    for (size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      code = code << 6 | (next & 0x3F);
    }
    if (code < lowest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
    i += length;
  }
  return true;
}

void AppendUtf8(std::string& out, char16_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | code >> 6);
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | code >> 12);
    out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

std::string FromCp1252(std::string_view text) {
  std::string out;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    const char16_t code = byte >= 0x80 && byte < 0xA0 ? kCp1252High[byte - 0x80] : byte;
    AppendUtf8(out, code == 0 ? u'?' : code);
  }
  return out;
}

bool IsQuote(char c) { return c == '\'' || c == '"'; }

}  // namespace

void TIcyDemuxer::Feed(const uint8_t* bytes, size_t count, std::vector<uint8_t>& audio,
                       std::vector<std::string>& blocks) {
  if (interval_ <= 0) {
    audio.insert(audio.end(), bytes, bytes + count);
    return;
  }
  while (count > 0) {
    if (left_ > 0) {
      const size_t n = static_cast<size_t>(std::min<int64_t>(left_, static_cast<int64_t>(count)));
      audio.insert(audio.end(), bytes, bytes + n);
      bytes += n;
      count -= n;
      left_ -= static_cast<int64_t>(n);
    } else if (block_left_ == 0 && block_.empty()) {
      // The length byte, in units of 16 bytes.
      block_left_ = size_t{*bytes++} * 16;
      --count;
      if (block_left_ == 0) left_ = interval_;
    } else {
      const size_t n = std::min(block_left_, count);
      block_.append(reinterpret_cast<const char*>(bytes), n);
      bytes += n;
      count -= n;
      block_left_ -= n;
      if (block_left_ == 0) {
        blocks.push_back(std::move(block_));
        block_.clear();
        left_ = interval_;
      }
    }
  }
}

std::string StreamTitleOf(std::string_view block) {
  constexpr std::string_view kKey = "StreamTitle=";
  const size_t key = block.find(kKey);
  if (key == std::string_view::npos) return {};
  std::string_view value = block.substr(key + kKey.size());
  value = value.substr(0, value.find('\0'));
  if (!value.empty() && IsQuote(value.front())) {
    // Titles may hold the quote themselves: the value ends at the quote before the next ';'.
    const char quote = value.front();
    const size_t end = value.find(std::string{quote} + ";", 1);
    const size_t last = value.rfind(quote);
    value = value.substr(1, end != std::string_view::npos                ? end - 1
                            : last > 0 && last != std::string_view::npos ? last - 1
                                                                         : value.size() - 1);
  } else {
    value = value.substr(0, value.find(';'));
  }
  return std::string(value);
}

std::string CleanStationText(std::string_view raw) {
  const std::string text = ValidUtf8(raw) ? std::string(raw) : FromCp1252(raw);
  std::string out;
  for (const char c : text) {
    const bool blank = static_cast<unsigned char>(c) < 0x20 || c == 0x7F || c == ' ';
    if (blank) {
      if (!out.empty() && out.back() != ' ') out += ' ';
    } else {
      out += c;
    }
  }
  while (!out.empty() && out.back() == ' ') out.pop_back();
  while (out.size() >= 2 && IsQuote(out.front()) && out.back() == out.front()) {
    out = out.substr(1, out.size() - 2);
  }
  if (out.size() == 1 && IsQuote(out.front())) out.clear();
  if (out.empty()) return out;
  // A lone stray quote at either end.
  if (IsQuote(out.front()) && std::count(out.begin(), out.end(), out.front()) == 1) out.erase(0, 1);
  if (!out.empty() && IsQuote(out.back()) && std::count(out.begin(), out.end(), out.back()) == 1) {
    out.pop_back();
  }
  const size_t first = out.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return out.substr(first, out.find_last_not_of(' ') - first + 1);
}

void SplitStreamTitle(const std::string& title, std::string& artist, std::string& song) {
  const size_t dash = title.find(" - ");
  if (dash == std::string::npos || dash == 0 || dash + 3 >= title.size()) {
    artist.clear();
    song = title;
    return;
  }
  artist = title.substr(0, dash);
  song = title.substr(dash + 3);
}

}  // namespace yumekaze::engine
