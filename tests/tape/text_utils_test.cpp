#include "tape/text_utils.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace tally {
namespace {

const std::string kDashLine = std::string(kEnDash) + " 3,00";

TEST(TextUtils, CountsCharactersNotBytes) {
  EXPECT_EQ(Utf8Length(kDashLine), 6u);
  EXPECT_EQ(FirstChar(kDashLine), kEnDash);
  EXPECT_EQ(FromChar(kDashLine, 3), "3,00");
  EXPECT_EQ(FromChar("+ 12,00", 3), "12,00");
  EXPECT_EQ(FromChar("+", 3), "");
  EXPECT_EQ(FirstChar(""), "");
}

TEST(TextUtils, DropsWholeCharacters) {
  std::string text = "1" + std::string(kEnDash);
  DropLastChars(text, 1);
  EXPECT_EQ(text, "1");
  text = "\xE2\x80";  // a broken sequence goes byte by byte
  DropLastChars(text, 1);
  EXPECT_EQ(text, "\xE2");
  text = "ab";
  DropLastChars(text, 5);
  EXPECT_EQ(text, "");
}

// What a backspace needs from a display of any length, at a bounded cost.
TEST(TextUtils, CountsUpToALimitAndSizesTheLastCharacter) {
  const struct {
    std::string text;
    std::size_t upToThree;
    std::size_t lastSize;
  } cases[] = {
      {"", 0, 0},
      {".", 1, 1},
      {"5.", 2, 1},
      {kDashLine, 3, 1},
      {std::string(100000, '9') + ".", 3, 1},
      {"1" + std::string(kEnDash), 2, 3},
      {"12\xD9\xAB", 3, 2},
      {"\xE2\x80", 2, 1},  // a broken sequence counts byte by byte
      {"a\xF0\x9F\x98\x80", 2, 4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 8));
    EXPECT_EQ(Utf8Length(c.text, 3), c.upToThree);
    EXPECT_EQ(Utf8Length(c.text, 3), std::min<std::size_t>(Utf8Length(c.text), 3));
    EXPECT_EQ(Utf8LastCharSize(c.text), c.lastSize);
  }
}

// Codes checked against the published Windows-1252 table: the plain ASCII
// and Latin-1 ranges, every row of the 0x80..0x9F block that differs from
// Latin-1, and the five codes it leaves undefined.
TEST(TextUtils, Windows1252RoundTrip) {
  const struct {
    int code;
    char32_t unicode;
  } table[] = {
      {0x00, U'\u0000'}, {0x0A, U'\u000A'}, {0x41, U'A'},       {0x7F, U'\u007F'},
      {0x80, U'\u20AC'}, {0x81, U'\u0081'}, {0x82, U'\u201A'}, {0x83, U'\u0192'},
      {0x84, U'\u201E'}, {0x85, U'\u2026'}, {0x86, U'\u2020'}, {0x87, U'\u2021'},
      {0x88, U'\u02C6'}, {0x89, U'\u2030'}, {0x8A, U'\u0160'}, {0x8B, U'\u2039'},
      {0x8C, U'\u0152'}, {0x8D, U'\u008D'}, {0x8E, U'\u017D'}, {0x8F, U'\u008F'},
      {0x90, U'\u0090'}, {0x91, U'\u2018'}, {0x92, U'\u2019'}, {0x93, U'\u201C'},
      {0x94, U'\u201D'}, {0x95, U'\u2022'}, {0x96, U'\u2013'}, {0x97, U'\u2014'},
      {0x98, U'\u02DC'}, {0x99, U'\u2122'}, {0x9A, U'\u0161'}, {0x9B, U'\u203A'},
      {0x9C, U'\u0153'}, {0x9D, U'\u009D'}, {0x9E, U'\u017E'}, {0x9F, U'\u0178'},
      {0xA0, U'\u00A0'}, {0xC7, U'\u00C7'}, {0xE3, U'\u00E3'}, {0xFF, U'\u00FF'},
  };
  for (const auto& row : table) {
    SCOPED_TRACE(row.code);
    EXPECT_EQ(Cp1252ToUnicode(static_cast<unsigned char>(row.code)), row.unicode);
    EXPECT_EQ(UnicodeToCp1252(row.unicode), row.code);
  }
  // Every code comes back as itself.
  for (int code = 0; code < 256; ++code) {
    EXPECT_EQ(UnicodeToCp1252(Cp1252ToUnicode(static_cast<unsigned char>(code))), code);
  }
  // Latin-1's C1 controls that Windows-1252 puts other characters in, and
  // a character it lacks, have no code.
  EXPECT_EQ(UnicodeToCp1252(U'\u0080'), -1);
  EXPECT_EQ(UnicodeToCp1252(U'\u0096'), -1);
  EXPECT_EQ(UnicodeToCp1252(U'\u4E2D'), -1);
}

}  // namespace
}  // namespace tally
