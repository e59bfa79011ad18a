#include "tape/line_kind.h"

#include <gtest/gtest.h>

#include <string>

#include "tape/text_utils.h"

namespace tally {
namespace {

using K = TapeLineKind;
const std::string kDash(kEnDash);
const std::string kSep(kSeparatorLine);

TEST(LineKind, ClassifiesEveryKindAndTheNearMisses) {
  const struct {
    std::string line;
    K kind;
    const char* op;
    const char* number;
  } cases[] = {
      {"+ 12,00", K::Add, "+", "12,00"},
      {kDash + " 3,00", K::Subtract, "\xE2\x80\x93", "3,00"},
      {"- 3.5", K::Subtract, "-", "3.5"},
      {"x -2,5", K::Multiply, "x", "-2,5"},
      {"/ 4,", K::Divide, "/", "4,"},
      {"= 15,00", K::Total, "=", "15,00"},
      {"= 15,00 sub total", K::Subtotal, "=", "15,00"},
      {"= 15 sub total sub total", K::Subtotal, "=", "15"},
      {"G 19,00", K::GrandTotal, "G", "19,00"},
      {"GT 19,00", K::GrandTotalKey, "GT", "19,00"},
      {kSep, K::Separator, "", ""},
      // The number is not checked here: whoever reads it decides.
      {"= abc", K::Total, "=", "abc"},
      {"+ ", K::Add, "+", ""},
      // Near misses.
      {"", K::Other, "", ""},
      {"=5", K::Other, "", ""},
      {"=", K::Other, "", ""},
      {"G", K::Other, "", ""},
      {"G5", K::Other, "", ""},
      {"GT", K::Other, "", ""},
      {"GTX", K::Other, "", ""},
      {"GTX 5", K::Other, "", ""},
      {"+12,00", K::Other, "", ""},
      {" + 12,00", K::Other, "", ""},
      {"X 2", K::Other, "", ""},
      {"* 2", K::Other, "", ""},
      {"1/x 4,00", K::Other, "", ""},
      {std::string(22, '*'), K::Other, "", ""},
      {std::string(24, '*'), K::Other, "", ""},
      {kSep + " ", K::Other, "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("\"" + c.line + "\"");
    const TapeLineParts parts = ClassifyTapeLine(c.line);
    EXPECT_EQ(parts.kind, c.kind);
    EXPECT_EQ(parts.op, c.op);
    EXPECT_EQ(parts.number, c.number);
  }
}

TEST(LineKind, WritesEachKindAsItIsRead) {
  const struct {
    K kind;
    std::string text;
  } cases[] = {
      {K::Add, "+ 1,50"},
      {K::Subtract, kDash + " 1,50"},
      {K::Multiply, "x 1,50"},
      {K::Divide, "/ 1,50"},
      {K::Total, "= 1,50"},
      {K::Subtotal, "= 1,50 sub total"},
      {K::GrandTotal, "G 1,50"},
      {K::GrandTotalKey, "GT 1,50"},
      {K::Separator, kSep},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(TapeLineText(c.kind, "1,50"), c.text);
    const TapeLineParts parts = ClassifyTapeLine(c.text);
    EXPECT_EQ(parts.kind, c.kind);
    EXPECT_EQ(parts.op, TapeLineOperator(c.kind));
    EXPECT_EQ(parts.number, c.kind == K::Separator ? "" : "1,50");
  }
  EXPECT_EQ(TapeLineOperator(K::Other), "");
}

TEST(LineKind, Groups) {
  for (const K k : {K::Add, K::Subtract, K::Multiply, K::Divide}) {
    EXPECT_TRUE(IsOperand(k));
    EXPECT_FALSE(IsTotal(k) || IsGrandTotal(k));
  }
  for (const K k : {K::Total, K::Subtotal, K::GrandTotal, K::GrandTotalKey, K::Separator, K::Other}) {
    EXPECT_FALSE(IsOperand(k));
  }
  EXPECT_TRUE(IsTotal(K::Total) && IsTotal(K::Subtotal));
  EXPECT_TRUE(IsGrandTotal(K::GrandTotal) && IsGrandTotal(K::GrandTotalKey));
  EXPECT_FALSE(IsTotal(K::GrandTotal) || IsGrandTotal(K::Total) || IsTotal(K::Separator) ||
               IsGrandTotal(K::Other));
}

}  // namespace
}  // namespace tally
