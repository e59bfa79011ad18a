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

TEST(TextUtils, Windows1252RoundTrip) {
  for (int code = 0; code < 256; ++code) {
    EXPECT_EQ(UnicodeToCp1252(Cp1252ToUnicode(static_cast<unsigned char>(code))), code);
  }
  EXPECT_EQ(Cp1252ToUnicode(150), U'\u2013');
  EXPECT_EQ(UnicodeToCp1252(U'\u20AC'), 128);
  EXPECT_EQ(UnicodeToCp1252(U'\u4E2D'), -1);
}

}  // namespace
}  // namespace tally
