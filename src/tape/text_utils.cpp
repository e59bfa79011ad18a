#include "tape/text_utils.h"

#include <array>

namespace tally {
namespace {

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

std::size_t CharSizeAt(std::string_view text, std::size_t pos) {
  const auto lead = static_cast<unsigned char>(text[pos]);
  std::size_t size = 1;
  if (lead >= 0xF0) {
    size = 4;
  } else if (lead >= 0xE0) {
    size = 3;
  } else if (lead >= 0xC0) {
    size = 2;
  }
  // A truncated or broken sequence counts as single bytes.
  for (std::size_t k = 1; k < size; ++k) {
    if (pos + k >= text.size() || !IsContinuation(static_cast<unsigned char>(text[pos + k]))) {
      return 1;
    }
  }
  return size;
}

// Code points 0x80..0x9F of Windows-1252, eight to a row.
// clang-format off
constexpr std::array<char32_t, 32> kHighTable = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
// clang-format on

}  // namespace

std::optional<char32_t> DecodeUtf8At(std::string_view text, std::size_t& pos) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(pos);
  std::size_t size = 0;
  char32_t cp = 0;
  if (lead < 0x80) {
    ++pos;
    return lead;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    size = 2;
    cp = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    size = 3;
    cp = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    size = 4;
    cp = lead & 0x07;
  } else {
    return std::nullopt;
  }
  if (pos + size > text.size()) return std::nullopt;
  for (std::size_t k = 1; k < size; ++k) {
    if ((byte(pos + k) & 0xC0) != 0x80) return std::nullopt;
    cp = (cp << 6) | (byte(pos + k) & 0x3F);
  }
  if ((size == 3 && cp < 0x800) || (size == 4 && cp < 0x10000) || (cp >= 0xD800 && cp <= 0xDFFF) ||
      cp > 0x10FFFF) {
    return std::nullopt;
  }
  pos += size;
  return cp;
}

bool IsValidUtf8(std::string_view text) {
  std::size_t pos = 0;
  while (pos < text.size()) {
    if (!DecodeUtf8At(text, pos)) return false;
  }
  return true;
}

std::size_t Utf8Length(std::string_view text) {
  std::size_t count = 0;
  for (std::size_t pos = 0; pos < text.size(); pos += CharSizeAt(text, pos)) {
    ++count;
  }
  return count;
}

std::size_t Utf8FirstCharSize(std::string_view text) {
  return text.empty() ? 0 : CharSizeAt(text, 0);
}

std::string_view FirstChar(std::string_view text) {
  return text.substr(0, Utf8FirstCharSize(text));
}

std::string_view FromChar(std::string_view text, std::size_t position) {
  std::size_t pos = 0;
  for (std::size_t n = 1; n < position && pos < text.size(); ++n) {
    pos += CharSizeAt(text, pos);
  }
  return pos < text.size() ? text.substr(pos) : std::string_view{};
}

std::size_t Utf8Length(std::string_view text, std::size_t limit) {
  std::size_t count = 0;
  for (std::size_t pos = 0; pos < text.size() && count < limit; pos += CharSizeAt(text, pos)) {
    ++count;
  }
  return count;
}

std::size_t Utf8LastCharSize(std::string_view text) {
  if (text.empty()) return 0;
  std::size_t pos = text.size() - 1;
  // Step back over continuation bytes, but only as far as one sequence goes.
  std::size_t back = 0;
  while (back < 3 && pos > 0 && IsContinuation(static_cast<unsigned char>(text[pos]))) {
    --pos;
    ++back;
  }
  return CharSizeAt(text, pos) == text.size() - pos ? text.size() - pos : 1;
}

void DropLastChars(std::string& text, std::size_t count) {
  for (; count > 0 && !text.empty(); --count) {
    text.resize(text.size() - Utf8LastCharSize(text));
  }
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

char32_t Cp1252ToUnicode(unsigned char code) {
  if (code >= 0x80 && code <= 0x9F) {
    return kHighTable[code - 0x80];
  }
  return code;
}

int UnicodeToCp1252(char32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
    return static_cast<int>(cp);
  }
  for (std::size_t k = 0; k < kHighTable.size(); ++k) {
    if (kHighTable[k] == cp) {
      return static_cast<int>(0x80 + k);
    }
  }
  return -1;
}

}  // namespace tally
