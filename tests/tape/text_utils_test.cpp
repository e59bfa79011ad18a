#include "tape/text_utils.h"

#include <gtest/gtest.h>

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
