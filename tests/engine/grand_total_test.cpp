// The grand total is kept as the keys made it when the tape rebuilds it: a
// separator written by "C" or by a sign change's restatement closes without
// adding, and carries that with its line.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>
#include <variant>
#include <string>
#include <vector>

#include "engine/calculator.h"
#include "fake_host.h"
#include "grand_total_sessions.h"
#include "random_session.h"
#include "tape/line_kind.h"
#include "tape/tape_file.h"

namespace tally {
namespace {

using testing::FakeHost;
using testing::Keys;
using testing::kGrandTotalSessions;
using testing::RunSession;
using testing::TapeLines;
using testing::WholeLines;

// The indexes of the separators that close without adding.
std::vector<int> MarkedSeparators(const Calculator& calc) {
  std::vector<int> marked;
  for (int i = 0; i < calc.GetTape().Count(); ++i) {
    if (calc.GetTape().Line(i).closesWithoutAdding) marked.push_back(i);
  }
  return marked;
}

double GrandTotalAfterSaveAndOpen(const Calculator& calc);

TEST(SeparatorMark, SetWhereTheCalculationWasNotAdded) {
  const struct {
    const char* script;
    std::vector<std::string> tape;
    std::vector<int> marked;
  } cases[] = {
      // "C" closes without adding; the closing "=" adds.
      {"100+50+C5+==", {"+ 100,00", "+ 50,00", kSeparatorLine.data(), "+ 5,00", "= 5,00",
                        kSeparatorLine.data()}, {2}},
      // The restatement of a sign change starts over from the running result.
      {"100+50[+/-]+=", {"+ 100,00", kSeparatorLine.data(), "+ 100,00", "+ -50,00", "= 50,00"},
       {1}},
      // After "C C" the grand total line and its separator: only the first
      // separator is marked.
      {"5+==3+CC", {"+ 5,00", "= 5,00", kSeparatorLine.data(), "+ 3,00", kSeparatorLine.data(),
                    "G 5,00", kSeparatorLine.data()}, {4}},
      // The grand total key's separator adds (nothing is left to add).
      {"5+=g", {"+ 5,00", "= 5,00", "GT 5,00", kSeparatorLine.data()}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.script);
    FakeHost host;
    Calculator calc(host, ",");
    calc.cboDecPlace_Click(2);
    Keys(calc, c.script);
    EXPECT_EQ(TapeLines(calc), c.tape);
    EXPECT_EQ(MarkedSeparators(calc), c.marked);
  }
}

// Every correctable line of every session, saved unchanged, and the whole
// tape opened again: the grand total and the tape stay as the keys left them.
TEST(SeparatorMark, TheGrandTotalSurvivesARebuildOfTheTape) {
  for (const auto& session : kGrandTotalSessions) {
    SCOPED_TRACE(session.name);
    const auto run = [&](Calculator& calc) {
      calc.cboDecPlace_Click(2);
      RunSession(calc, session.script);
    };
    FakeHost host;
    Calculator keyed(host, ",");
    run(keyed);
    ASSERT_TRUE(host.messages.empty());
    const double grandTotal = keyed.State().GrandTotal;
    // A replay writes the grand total key's line as a "G" line.
    auto texts = TapeLines(keyed);
    for (std::string& text : texts) {
      if (text.starts_with("GT ")) text.erase(1, 1);
    }

    int corrected = 0;
    for (int i = 0; i < keyed.GetTape().Count(); ++i) {
      if (!IsOperand(ClassifyTapeLine(keyed.GetTape().Text(i)).kind)) continue;
      SCOPED_TRACE("line " + std::to_string(i));
      FakeHost h;
      Calculator calc(h, ",");
      run(calc);
      calc.lstTape_Click(i);
      calc.lstTape_DblClick();
      ASSERT_TRUE(calc.Panel().visible);
      calc.cmdSaveChange_Click();
      EXPECT_EQ(calc.State().GrandTotal, grandTotal);
      EXPECT_EQ(TapeLines(calc), texts);
      EXPECT_EQ(MarkedSeparators(calc), MarkedSeparators(keyed));
      ++corrected;
    }
    EXPECT_GT(corrected, 0);

    FakeHost h;
    Calculator opened(h, ",");
    opened.cboDecPlace_Click(2);
    opened.OpenTape(WholeLines(keyed));
    EXPECT_EQ(opened.State().GrandTotal, grandTotal);
    EXPECT_EQ(GrandTotalAfterSaveAndOpen(keyed), grandTotal);
  }
}

// A trimmed tape keeps each mark on its own line.
TEST(SeparatorMark, GoesWithItsLineInATrim) {
  FakeHost host;
  Calculator calc(host, ",");
  calc.cboDecPlace_Click(2);
  while (calc.GetTape().Count() < Tape::kMaxLines - 3) Keys(calc, "1+2+C");
  const auto before = MarkedSeparators(calc);
  ASSERT_FALSE(before.empty());
  Keys(calc, "1+2+C1+2+C");
  ASSERT_EQ(calc.GetTape().Count(), Tape::kMaxLines);
  for (int i = 0; i < calc.GetTape().Count(); ++i) {
    const bool separator = calc.GetTape().Text(i) == kSeparatorLine;
    EXPECT_EQ(calc.GetTape().Line(i).closesWithoutAdding, separator) << i;
  }
  calc.cmdClear_Click();
  Keys(calc, "4+=");
  EXPECT_TRUE(MarkedSeparators(calc).empty());
}

// The tape as text, marked separators with a "!".
std::string Shown(const Calculator& calc) {
  std::string out;
  for (const TapeLine& line : calc.GetTape().Lines()) {
    out += line.text + (line.closesWithoutAdding ? "!\n" : "\n");
  }
  return out;
}

// The tape saved to a file and opened again in a fresh calculator of the
// other locale.
double GrandTotalAfterSaveAndOpen(const Calculator& calc) {
  const std::string other = calc.DecimalSeparator() == "," ? "." : ",";
  const auto read = ReadTapeFileText(TapeFileText(calc.GetTape()), other);
  if (!std::holds_alternative<std::vector<TapeLine>>(read)) return -1e300;
  FakeHost h;
  Calculator opened(h, other);
  opened.OpenTape(std::get<std::vector<TapeLine>>(read));
  return opened.State().GrandTotal;
}

// The calculator as a kept session would put it back.
CalculatorSnapshot Of(const Calculator& calc) {
  return {calc.State(), calc.Labels(), WholeLines(calc), calc.GetTape().Selected()};
}

// Any operand line of the calculator saved unchanged; false when it has none.
bool SaveUnchanged(Calculator& calc, std::mt19937& rng) {
  std::vector<int> operands;
  for (int i = 0; i < calc.GetTape().Count(); ++i) {
    if (IsOperand(ClassifyTapeLine(calc.GetTape().Text(i)).kind)) operands.push_back(i);
  }
  if (operands.empty()) return false;
  calc.lstTape_Click(operands[std::uniform_int_distribution<std::size_t>(0, operands.size() - 1)(rng)]);
  calc.lstTape_DblClick();
  calc.cmdSaveChange_Click();
  return true;
}

// Seeded random sessions with "C", sign changes and pasted negatives: once a
// correction has worked the grand total out from the tape, saving any other
// line unchanged, or opening the tape again, gives the same grand total.
TEST(SeparatorMark, RandomSessionsKeepTheirGrandTotal) {
  int checks = 0;
  for (unsigned seed = 1; seed <= 30; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    const std::string sep = seed % 2 ? "," : ".";
    FakeHost host;
    Calculator calc(host, sep);
    testing::WholeNumberMonkey monkey(calc, seed);
    std::mt19937 rng(seed);
    for (int step = 0; step < 1500; ++step) {
      monkey.Step();
      if (step % 25 != 24) continue;
      FakeHost h;
      Calculator first(h, sep);
      first.Restore(Of(calc));
      if (!SaveUnchanged(first, rng)) continue;
      const double grandTotal = first.State().GrandTotal;

      Calculator again(h, sep);
      again.Restore(Of(first));
      ASSERT_TRUE(SaveUnchanged(again, rng));
      ASSERT_EQ(again.State().GrandTotal, grandTotal) << "step " << step << "\n" << Shown(first);

      ASSERT_EQ(GrandTotalAfterSaveAndOpen(first), grandTotal)
          << "step " << step << "\n" << Shown(first);
      ++checks;
    }
  }
  EXPECT_GT(checks, 500);
}

// A tape saved before lines had marks opens as it did: every separator adds.
TEST(SeparatorMark, AFileFromBeforeMarksOpensAsBefore) {
  std::ifstream in(TALLYROLLER_FIXTURES "/tape-before-marks.txt", std::ios::binary);
  const std::string text{std::istreambuf_iterator<char>(in), {}};
  const auto read = ReadTapeFileText(text, ",");
  ASSERT_TRUE(std::holds_alternative<std::vector<TapeLine>>(read));
  FakeHost host;
  Calculator calc(host, ",");
  calc.cboDecPlace_Click(6);
  calc.OpenTape(std::get<std::vector<TapeLine>>(read));
  EXPECT_EQ(calc.State().GrandTotal, 12);
  EXPECT_EQ(calc.Labels().lblGrandTotal, "12,000000 ");
  EXPECT_EQ(TapeFileText(calc.GetTape()), text);
}

}  // namespace
}  // namespace tally
