// Add mode: an entry keyed without a point that "+" or "–" applies is read
// with its last two digits as decimals; everything else is taken as it is.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/calculator.h"
#include "fake_host.h"

namespace tally {
namespace {

using testing::FakeHost;
using testing::kDash;
using testing::Keys;
using testing::kSep;
using testing::TapeLines;
using Lines = std::vector<std::string>;

struct KeyCase {
  const char* keys;
  Lines tape;
  const char* display;
  double entryValue;
  const char* grandTotal = "";
};

// The keys typed with `places` decimal places (-1: no choice), the separator
// "," and add mode on. Cases begin with "C" where they need the calculation
// that "C" starts rather than the first one after the window opens.
void ExpectCases(int places, const std::vector<KeyCase>& cases) {
  for (const KeyCase& c : cases) {
    SCOPED_TRACE(std::string(c.keys) + " with " + std::to_string(places) + " places");
    FakeHost host;
    Calculator calc(host, ",");
    if (places >= 0) calc.cboDecPlace_Click(places);
    calc.SetAddMode(true);
    Keys(calc, c.keys);
    EXPECT_EQ(TapeLines(calc), c.tape);
    EXPECT_EQ(calc.Labels().lblResult, c.display);
    EXPECT_DOUBLE_EQ(calc.State().EntryValue, c.entryValue);
    EXPECT_EQ(calc.Labels().lblGrandTotal, c.grandTotal);
    EXPECT_TRUE(host.messages.empty());
  }
}

TEST(AddMode, KeyedWholeEntriesThatPlusOrMinusApplyAreCents) {
  ExpectCases(2, {
      {"1234+5=", {"+ 12,34", "+ 0,05", "= 12,39"}, "12,39", 12.39},
      {"100-2550=", {"+ 1,00", kDash + " 25,50", "= -24,50"}, "-24,50", -24.5},
      // The first operand is read when its key takes it: the display shows it.
      {"1234+", {"+ 12,34"}, "12,34", 12.34},
      {"C2550-", {"+ 25,50"}, "25,50", 25.5},
      // "=" applies the pending operator, "+" at the start of a calculation.
      {"C1234=", {"= 12,34"}, "12,34", 12.34},
      {"1234=", {"= 12,34"}, "12,34", 12.34},
      // A negative entry begun with the minus key.
      {"C-1234+5=", {"+ -12,34", "+ 0,05", "= -12,29"}, "-12,29", -12.29},
      // Backspace keeps an entry keyed.
      {"C12345[Backspace]+", {"+ 12,34"}, "12,34", 12.34},
      // A repeated operator repeats the number as it was read.
      {"C1234++=", {"+ 12,34", "+ 12,34", "= 24,68"}, "24,68", 24.68},
      // Leading zeros and a single digit.
      {"C007+5=", {"+ 0,07", "+ 0,05", "= 0,12"}, "0,12", 0.12},
  });
}

TEST(AddMode, EntriesWithAPointAndOperandsOfTimesAndDivideAreUnchanged) {
  ExpectCases(2, {
      {"12.5+3=", {"+ 12,50", "+ 0,03", "= 12,53"}, "12,53", 12.53},
      {"C1234.+5=", {"+ 1234,00", "+ 0,05", "= 1234,05"}, "1234,05", 1234.05},
      {"6*3=", {"+ 6,00", "x 3,00", "= 18,00"}, "18,00", 18},
      // A first operand followed by "x" or "/" is not read as cents.
      {"C1234*2=", {"+ 1234,00", "x 2,00", "= 2468,00"}, "2468,00", 2468},
      {"C1234/2=", {"+ 1234,00", "/ 2,00", "= 617,00"}, "617,00", 617},
      // Each operand by the operator that applies it.
      {"C6*3+5=", {"+ 6,00", "x 3,00", "+ 0,05", "= 18,05"}, "18,05", 18.05},
      {"C2550-100/4=", {"+ 25,50", kDash + " 1,00", "/ 4,00", "= 6,13"}, "6,13", 6.125},
      // A zero operand still does nothing at all: the display keeps "0.".
      {"C0+", {}, "0.", 0},
  });
}

TEST(AddMode, AfterTotalsCancelFunctionsAndMemory) {
  ExpectCases(2, {
      // After "=": going on from the total, and a new calculation.
      {"1234+5=+100=", {"+ 12,34", "+ 0,05", "= 12,39 sub total", "+ 1,00", "= 13,39"}, "13,39",
       13.39},
      {"1234+5=67+1=", {"+ 12,34", "+ 0,05", "= 12,39", kSep, "+ 0,67", "+ 0,01", "= 0,68"},
       "0,68", 0.68, "12,39 "},
      // A number keyed after a closed total and closed by "=" is added as read.
      {"C1234+5==7=", {"+ 12,34", "+ 0,05", "= 12,39", kSep}, ".", 0, "12,46 "},
      // After "C".
      {"1234+C56+7=", {"+ 12,34", kSep, "+ 0,56", "+ 0,07", "= 0,63"}, "0,63", 0.63},
      // A function's value is a result, not a keyed entry; what follows is.
      {"C16[sqrt]+1234=", {"+ 4,00", "+ 12,34", "= 16,34"}, "16,34", 16.34},
      {"C1000+10%=", {"+ 10,00", "+ 1,00", "= 11,00"}, "11,00", 11},
      // A recalled number is taken as it is.
      {"C5.[M+]C[MR]+3=", {"+ 5,00", "+ 0,03", "= 5,03"}, "5,03", 5.03},
      // The next entry after it is keyed, begun by a digit or by the point.
      {"C5.[M+][MR]+.5[Backspace]3=", {"+ 5,00", "+ 0,03", "= 5,03"}, "5,03", 5.03},
      // So is a number whose sign was changed: the display shows it whole.
      {"C5+1234[+/-]=", {"+ 0,05", kSep, "+ 0,05", "+ -1234,00", "= -1233,95"}, "-1233,95",
       -1233.95},
      // The grand total in the display is a result too.
      {"C1234+5==[Grande Total]+", {"+ 12,34", "+ 0,05", "= 12,39", kSep, "GT 12,39", kSep,
                                    "+ 12,39"},
       "12,39", 12.39},
  });
}

TEST(AddMode, TheLinesFollowThePicture) {
  ExpectCases(0, {
      {"1234+5=", {"+ 12,", "+ 0,", "= 12,"}, "12,", 12.39},
      {"100-2550=", {"+ 1,", kDash + " 26,", "= -25,"}, "-25,", -24.5},
  });
  ExpectCases(6, {
      {"1234+5=", {"+ 12,340000", "+ 0,050000", "= 12,390000"}, "12,390000", 12.39},
      {"12.5+3=", {"+ 12,500000", "+ 0,030000", "= 12,530000"}, "12,530000", 12.53},
  });
  // Before any choice: the general form.
  ExpectCases(-1, {{"1234+5=", {"+ 12,34", "+ 0,05", "= 12,39"}, "12,39", 12.39}});
}

TEST(AddMode, OffByDefaultAndOffChangesNothing) {
  FakeHost host;
  Calculator calc(host, ",");
  EXPECT_FALSE(calc.State().AddMode);
  calc.cboDecPlace_Click(2);
  Keys(calc, "1234+5=");
  EXPECT_EQ(TapeLines(calc), (Lines{"+ 1234,00", "+ 5,00", "= 1239,00"}));

  // Turned off again, entries are whole numbers again.
  calc.SetAddMode(true);
  Keys(calc, "C100+");
  calc.SetAddMode(false);
  Keys(calc, "100=");
  EXPECT_EQ(TapeLines(calc), (Lines{"+ 1234,00", "+ 5,00", "= 1239,00", kSep, "+ 1,00",
                                    "+ 100,00", "= 101,00"}));
}

TEST(AddMode, PastedAndStartNumbersAreTakenAsTheyAre) {
  FakeHost host;
  Calculator calc(host, ",");
  calc.cboDecPlace_Click(2);
  calc.SetAddMode(true);
  Keys(calc, "C");
  ASSERT_TRUE(calc.Paste("1234"));
  Keys(calc, "+5=");
  EXPECT_EQ(TapeLines(calc), (Lines{"+ 1234,00", "+ 0,05", "= 1234,05"}));

  Keys(calc, "C");
  calc.SetStartValue(12340000);  // 1234
  Keys(calc, "+5=");
  EXPECT_EQ(TapeLines(calc), (Lines{"+ 1234,00", "+ 0,05", "= 1234,05", kSep, "+ 1234,00",
                                    "+ 0,05", "= 1234,05"}));

  // A start value of 0 empties the entry: the digits after it are keyed.
  Keys(calc, "C[MR]");
  calc.SetStartValue(0);
  Keys(calc, "1234+");
  EXPECT_EQ(TapeLines(calc).back(), "+ 12,34");
}

TEST(AddMode, ARecalledNumberErasedToAnEmptyEntryIsKeyedAgain) {
  // With "." as the separator a recalled "5.00" can be erased key by key.
  FakeHost host;
  Calculator calc(host, ".");
  calc.cboDecPlace_Click(2);
  calc.SetAddMode(true);
  Keys(calc, "C5.[M+][MR][Backspace][Backspace]");
  EXPECT_EQ(calc.Labels().lblResult, "5.");
  Keys(calc, "[Backspace]7+");
  EXPECT_EQ(TapeLines(calc), (Lines{"+ 0.07"}));
}

TEST(AddMode, AReplayOfTheTapeGivesTheSameTotals) {
  FakeHost host;
  Calculator calc(host, ",");
  calc.cboDecPlace_Click(2);
  calc.SetAddMode(true);
  Keys(calc, "1234+5=+100-2550==");
  const Lines before = TapeLines(calc);
  const double grandTotal = calc.State().GrandTotal;

  // An unchanged save replays the whole tape from its texts.
  calc.lstTape_Click(0);
  calc.lstTape_DblClick();
  ASSERT_TRUE(calc.Panel().visible);
  calc.cmdSaveChange_Click();
  EXPECT_EQ(TapeLines(calc), before);
  EXPECT_DOUBLE_EQ(calc.State().GrandTotal, grandTotal);
  EXPECT_EQ(calc.Labels().lblGrandTotal, "-12,11");
}

TEST(AddMode, AReplayedTotalInTheDisplayIsTakenAsItIs) {
  FakeHost host;
  Calculator calc(host, ",");
  calc.cboDecPlace_Click(2);
  calc.SetAddMode(true);
  // The grand total line that the second "C" writes puts the grand total in
  // the display when the tape is replayed.
  Keys(calc, "1234+5==CC");
  calc.lstTape_Click(0);
  calc.lstTape_DblClick();
  calc.cmdSaveChange_Click();
  ASSERT_EQ(calc.Labels().lblResult, "12,39");
  Keys(calc, "+");
  EXPECT_EQ(TapeLines(calc).back(), "+ 12,39");
}

}  // namespace
}  // namespace tally
