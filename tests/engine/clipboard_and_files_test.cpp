// The clipboard and tape files from the calculator's side: what Ctrl+C
// copies, what Ctrl+V types, and a tape opened from its file text.

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <variant>
#include <vector>

#include "engine/calculator.h"
#include "fake_host.h"
#include "identity.h"
#include "random_session.h"
#include "tape/number_text.h"
#include "tape/tape_file.h"

namespace tally {
namespace {

using testing::FakeHost;
using testing::Keys;
using testing::kSep;
using testing::TapeLines;
using Lines = std::vector<std::string>;

TEST(Clipboard, CopiesTheDisplaysNumberAsTheUserSeesIt) {
  const struct {
    const char* separator;
    int places;  // -1: no choice made
    const char* keys;
    const char* copied;
  } cases[] = {
      {",", -1, "", "0"},          // "0." when the window opens
      {",", -1, "12.5", "12,5"},   // being keyed
      {",", -1, "12", "12"},       // "12."
      {",", 2, "12+3=", "15,00"},  // after a total
      {",", 2, "12+3==", "0"},     // "." after a closed total
      {",", 0, "7.5+1=", "9"},     // "9," without decimals
      {",", -1, "5e", "0"},        // "0" after C&E
      {",", -1, "c-", "0"},        // "-." begun by the minus key
      {",", -1, "c-5", "-5"},      // "-5."
      {".", 2, "12.5+1=", "13.50"},
      {".", -1, "12.5", "12.5"},
      {",", -1, "1000000000000000*1000=", "1E+18"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.keys) + " with " + c.separator);
    FakeHost host;
    Calculator calc(host, c.separator);
    if (c.places >= 0) calc.cboDecPlace_Click(c.places);
    Keys(calc, c.keys);
    EXPECT_EQ(calc.DisplayNumberText(), c.copied);
  }
}

TEST(Clipboard, PasteTypesTheNumberAfterClearingTheEntry) {
  const struct {
    const char* before;
    const char* pasted;
    const char* display;
    double value;
    const char* tape;  // the last line after "+" is typed next
  } cases[] = {
      {"", "1.234,56", "1234.56", 1234.56, "+ 1234,56"},
      {"99", "12,5", "12.5", 12.5, "+ 12,5"},      // replaces an entry being keyed
      {"7+", "R$ -2,50", "-2,5", -2.5, "+ -2,5"},  // "+/-" after the digits
      {"12+3=", "4", "4.", 4, "+ 4"},              // a new calculation, as "C&E 4" starts
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.pasted);
    FakeHost host;
    Calculator calc(host, ",");
    Keys(calc, c.before);
    ASSERT_TRUE(calc.Paste(c.pasted));
    EXPECT_EQ(calc.Labels().lblResult, c.display);
    EXPECT_EQ(calc.State().EntryValue, c.value);
    EXPECT_TRUE(host.messages.empty());
    Keys(calc, "+");
    EXPECT_EQ(TapeLines(calc).back(), c.tape);
  }
}

TEST(Clipboard, ATextThatIsNotANumberChangesNothing) {
  FakeHost host;
  Calculator calc(host, ",");
  Keys(calc, "12+3");
  const auto before = calc.State();
  const auto labels = calc.Labels();
  for (const char* text : {"abc", "", "12 + 3", "1e5"}) {
    EXPECT_FALSE(calc.Paste(text));
  }
  ASSERT_EQ(host.messages.size(), 4u);
  EXPECT_EQ(host.messages[0].title, kProgramTitle);
  EXPECT_EQ(host.messages[0].text, kNotANumberText);
  EXPECT_EQ(calc.Labels().lblResult, labels.lblResult);
  EXPECT_EQ(calc.State().EntryValue, before.EntryValue);
  EXPECT_EQ(calc.State().LastInputKind, before.LastInputKind);
  EXPECT_EQ(TapeLines(calc), (Lines{"+ 12"}));
}

TEST(OpenedTape, TheLinesAsTheyAreAndANewCalculation) {
  FakeHost host;
  Calculator calc(host, ",");
  calc.cboDecPlace_Click(2);
  Keys(calc, "5+5= [M+] 8");  // a calculation left open, memory in use
  const Lines lines = {"+ 10,00", "+ 5,00",  "= 15,00", kSep,    "+ 20,00",
                       "+ 3,00",  "= 23,00", kSep,      "+ 2,00"};
  calc.OpenTape(testing::LinesOf(lines));
  EXPECT_EQ(TapeLines(calc), lines);
  EXPECT_EQ(calc.GetTape().Selected(), -1);
  EXPECT_EQ(calc.State().GrandTotal, 38);
  EXPECT_EQ(calc.Labels().lblGrandTotal, "38,00 ");
  EXPECT_EQ(calc.Labels().lblResult, ".");
  EXPECT_EQ(calc.Labels().lblOperator, "+");
  EXPECT_EQ(calc.State().PendingOperator, PendingOp::Add);
  EXPECT_EQ(calc.State().Accumulator, 0);
  EXPECT_EQ(calc.State().OperandCount, 0);
  EXPECT_FALSE(calc.State().TotalPending);
  EXPECT_EQ(calc.State().MemoryValue, 10);  // the memory is not the tape
  EXPECT_TRUE(calc.Labels().lblMemoryVisible);
  // The calculation goes on from the opened tape.
  Keys(calc, "4+6==");
  EXPECT_EQ(calc.State().GrandTotal, 48);
  EXPECT_EQ(TapeLines(calc).back(), kSep);
}

// Seeded random sessions, with corrections and every decimal setting: saved,
// opened in a fresh calculator under the other locale, the tape reads the
// same numbers and the same grand total; saved again and opened in the first
// locale, the file is the first byte for byte.
TEST(OpenedTape, RoundTripsBetweenLocales) {
  for (unsigned seed = 1; seed <= 40; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    const std::string first = seed % 2 ? "," : ".";
    const std::string other = seed % 2 ? "." : ",";
    FakeHost host;
    Calculator calc(host, first);
    testing::Monkey monkey(calc, seed);
    std::mt19937 rng(seed);
    const int steps = std::uniform_int_distribution<int>(50, 3000)(rng);
    for (int k = 0; k < steps; ++k) monkey.Step();
    if (calc.Panel().visible) calc.cmdCancelChange_Click();
    if (calc.GetTape().Empty()) continue;
    const std::string file = TapeFileText(calc.GetTape());

    FakeHost otherHost;
    Calculator opened(otherHost, other);
    const auto read = ReadTapeFileText(file, other);
    ASSERT_TRUE(std::holds_alternative<std::vector<TapeLine>>(read)) << std::get<TapeFileError>(read).reason;
    opened.OpenTape(std::get<std::vector<TapeLine>>(read));
    ASSERT_EQ(opened.GetTape().Count(), calc.GetTape().Count());
    for (std::int32_t i = 0; i < calc.GetTape().Count(); ++i) {
      const TapeLineParts a = SplitTapeFileLine(calc.GetTape().Text(i));
      const TapeLineParts b = SplitTapeFileLine(opened.GetTape().Text(i));
      ASSERT_EQ(a.kind, b.kind) << i;
      ASSERT_EQ(a.op, b.op) << i;
      ASSERT_EQ(ReadFormattedNumber(a.number, first), ReadFormattedNumber(b.number, other)) << i;
    }
    FakeHost checkHost;
    Calculator replayed(checkHost, first);
    replayed.OpenTape(testing::WholeLines(calc));
    EXPECT_EQ(opened.State().GrandTotal, replayed.State().GrandTotal);

    const auto back = ReadTapeFileText(TapeFileText(opened.GetTape()), first);
    ASSERT_TRUE(std::holds_alternative<std::vector<TapeLine>>(back));
    Calculator again(checkHost, first);
    again.OpenTape(std::get<std::vector<TapeLine>>(back));
    EXPECT_EQ(TapeFileText(again.GetTape()), file);
  }
}

}  // namespace
}  // namespace tally
