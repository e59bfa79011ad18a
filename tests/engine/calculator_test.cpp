#include "engine/calculator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "fake_host.h"
#include "tape/number_text.h"
#include "tape/text_utils.h"

namespace tally {
namespace {

using testing::FakeHost;
using testing::TapeLines;
using testing::Type;
using Lines = std::vector<std::string>;

const std::string kSep(kSeparatorLine);
const std::string kDash(kEnDash);

// Runs a script of tokens separated by blanks: a bracketed name clicks a
// button, anything else is typed key by key.
void Keys(Calculator& calc, const std::string& script) {
  std::istringstream in(script);
  std::string token;
  while (in >> token) {
    if (token.size() > 2 && token.front() == '[' && token.back() == ']') {
      const std::string b = token.substr(1, token.size() - 2);
      if (b == "C") calc.cmdCancel_Click();
      else if (b == "CE") calc.cmdCancelEntry_Click();
      else if (b == "BS") calc.cmdBackspace_Click();
      else if (b == "GT") calc.cmdGrandTotal_Click();
      else if (b == "+/-") calc.cmdNegitive_Click();
      else if (b == "x") calc.cmdOperator_Click(kMultiply);
      else if (b == "sqrt") calc.cmdFunction_Click(kSqrt);
      else if (b == "%") calc.cmdFunction_Click(kPercent);
      else if (b == "1/x") calc.cmdFunction_Click(kReciprocal);
      else if (b == "M+") calc.cmdMemory_Click(kMemoryAdd);
      else if (b == "M-") calc.cmdMemory_Click(kMemorySubtract);
      else if (b == "MR") calc.cmdMemory_Click(kMemoryRecall);
      else if (b == "MC") calc.cmdMemory_Click(kMemoryClear);
      else if (b == "Limpar") calc.cmdClear_Click();
      else ADD_FAILURE() << "unknown button " << b;
    } else {
      Type(calc, token);
    }
  }
}

class CalculatorTest : public ::testing::Test {
 protected:
  FakeHost host;
  Calculator calc{host, ","};
  void TwoPlaces() { calc.cboDecPlace_Click(2); }
};

// ------------------------------------------------------------ start values

TEST_F(CalculatorTest, StartsEmpty) {
  const auto& s = calc.State();
  EXPECT_EQ(calc.Labels().lblResult, "0.");
  EXPECT_EQ(calc.Labels().lblOperator, "+");
  EXPECT_EQ(calc.Labels().lblGrandTotal, "");
  EXPECT_FALSE(calc.Labels().lblMemoryVisible);
  EXPECT_TRUE(calc.GetTape().Empty());
  EXPECT_EQ(calc.GetTape().Selected(), -1);
  EXPECT_EQ(s.PendingOperator, "");
  EXPECT_EQ(s.LastInputKind, "");
  EXPECT_EQ(s.NumberFormat, "");
  EXPECT_EQ(s.OperandCount, 0);
  EXPECT_EQ(s.Accumulator, 0);
  EXPECT_EQ(s.EntryValue, 0);
}

// ------------------------------------------------------------ StartNewTotal

TEST_F(CalculatorTest, StartNewTotalOnAnEmptyTapeWritesNothing) {
  calc.StartNewTotal(false);
  EXPECT_EQ(calc.Labels().lblResult, ".");
  EXPECT_EQ(calc.Labels().lblOperator, "+");
  EXPECT_TRUE(calc.GetTape().Empty());
  EXPECT_EQ(calc.State().PendingOperator, "+");
  EXPECT_EQ(calc.State().LastInputKind, "NUM");
  EXPECT_EQ(host.focusCount, 1);
}

TEST_F(CalculatorTest, StartNewTotalTwiceAddsOnceAndWritesOneSeparator) {
  TwoPlaces();
  Keys(calc, "[C] 12+3=");
  calc.StartNewTotal(true);
  EXPECT_EQ(calc.State().GrandTotal, 15);
  EXPECT_EQ(calc.Labels().lblGrandTotal, "15,00 ");
  calc.cboDecPlace_Click(1);
  calc.StartNewTotal(true);  // adds the 0 the first call left in the entry
  EXPECT_EQ(calc.State().GrandTotal, 15);
  EXPECT_EQ(calc.Labels().lblGrandTotal, "15,0 ");  // rewritten all the same
  EXPECT_EQ(TapeLines(calc), (Lines{"+ 12,00", "+ 3,00", "= 15,00", kSep}));
  EXPECT_TRUE(calc.State().TotalPending);  // survives
}

TEST_F(CalculatorTest, StartNewTotalToZeroEmptiesTheLabel) {
  TwoPlaces();
  Keys(calc, "[C] 15==");
  EXPECT_EQ(calc.State().GrandTotal, 15);
  Keys(calc, "15 [+/-]");
  EXPECT_EQ(calc.State().EntryValue, -15);
  calc.StartNewTotal(true);
  EXPECT_EQ(calc.State().GrandTotal, 0);
  EXPECT_EQ(calc.Labels().lblGrandTotal, "");
}

TEST_F(CalculatorTest, StartNewTotalReportsAnOverflowAndKeepsItsState) {
  calc.cmdCancel_Click();
  Type(calc, std::string(308, '9') + "==");  // 1E+308 into the grand total
  ASSERT_EQ(calc.State().GrandTotal, ParseLeadingNumber(std::string(308, '9')));
  Type(calc, std::string(308, '9'));
  const std::string display = calc.Labels().lblResult;
  calc.StartNewTotal(true);
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].text,
            "Ocorreu erro: 6\r\nDescription: Overflow\r\nModule: frmCalculator\r\n"
            "Function: StartNewTotal");
  ASSERT_EQ(host.errors.size(), 1u);
  EXPECT_TRUE(std::isfinite(calc.State().GrandTotal));
  EXPECT_EQ(calc.Labels().lblResult, display);
}

// ------------------------------------------------------------ SetStartValue

TEST_F(CalculatorTest, SetStartValue) {
  TwoPlaces();
  calc.SetStartValue(125000);
  EXPECT_EQ(calc.Labels().lblResult, "12,50");
  EXPECT_EQ(calc.State().EntryValue, 12.5);
  EXPECT_EQ(calc.State().OperandCount, 1);
  EXPECT_TRUE(calc.State().EntryStarted);
  EXPECT_EQ(calc.State().PendingOperator, "+");
  EXPECT_EQ(calc.State().LastInputKind, "NUM");
  for (const std::int64_t v : {0LL, -1LL, -125000LL}) {
    calc.SetStartValue(v);
    EXPECT_EQ(calc.Labels().lblResult, ".");
    EXPECT_EQ(calc.State().EntryValue, 0);
    EXPECT_EQ(calc.State().OperandCount, 0);
    EXPECT_FALSE(calc.State().EntryStarted);
  }
  calc.SetStartValue(1);
  EXPECT_EQ(calc.State().EntryValue, 0.0001);
  EXPECT_EQ(calc.Labels().lblResult, "0,00");
  EXPECT_EQ(host.focusCount, 1);  // only the decimal places choice
  EXPECT_TRUE(calc.GetTape().Empty());
}

TEST_F(CalculatorTest, SetStartValueThenAnOperator) {
  TwoPlaces();
  Keys(calc, "[C] 1+1= [C]");
  calc.SetStartValue(125000);
  Keys(calc, "+2=");
  EXPECT_EQ(calc.Labels().lblResult, "14,50");
}

// ------------------------------------------------------------ line texts

TEST_F(CalculatorTest, LineTextsOfEveryKind) {
  TwoPlaces();
  Keys(calc, "[C] 12-3+3 [+/-] =");
  EXPECT_EQ(TapeLines(calc),
            (Lines{"+ 12,00", kDash + " 3,00", kSep, "+ 9,00", "+ -3,00", "= 6,00"}));
  Keys(calc, "+4== [C] 34==");
  Keys(calc, "[C] [C]");
  Keys(calc, "40== [GT]");
  const Lines lines = TapeLines(calc);
  EXPECT_EQ(lines[5], "= 6,00 sub total");
  EXPECT_EQ(lines[lines.size() - 4], "G 44,00");
  EXPECT_EQ(lines[lines.size() - 6], "= 10,00");  // 34 went into the total alone
  EXPECT_EQ(lines[lines.size() - 2], "GT 40,00");
  EXPECT_EQ(lines.back(), kSep);
}

TEST_F(CalculatorTest, GeneralFormBeforeAnyChoice) {
  Keys(calc, "12+2.5+");
  EXPECT_EQ(TapeLines(calc), (Lines{"+ 12", "+ 2,5"}));
  EXPECT_EQ(calc.Labels().lblResult, "14,5");
}

TEST_F(CalculatorTest, FirstOperandLineAfterOpeningCarriesPlus) {
  Keys(calc, "7*2=");
  EXPECT_EQ(TapeLines(calc), (Lines{"+ 7", "x 2", "= 14"}));
}

// ------------------------------------------------------------ clear and click

TEST_F(CalculatorTest, ClearKeepsTheGrandTotal) {
  TwoPlaces();
  Keys(calc, "[C] 5== [Limpar]");
  EXPECT_TRUE(calc.GetTape().Empty());
  EXPECT_EQ(calc.State().GrandTotal, 5);
  EXPECT_EQ(calc.Labels().lblGrandTotal, "5,00 ");
  Keys(calc, "5==");
  EXPECT_EQ(calc.Labels().lblGrandTotal, "10,00 ");
}

TEST_F(CalculatorTest, TapeClickSelectsAndFocuses) {
  Keys(calc, "1+2+");
  const int focus = host.focusCount;
  calc.lstTape_Click(0);
  EXPECT_EQ(calc.GetTape().Selected(), 0);
  EXPECT_EQ(host.focusCount, focus + 1);
  EXPECT_EQ(TapeLines(calc), (Lines{"+ 1", "+ 2"}));
}

}  // namespace
}  // namespace tally
