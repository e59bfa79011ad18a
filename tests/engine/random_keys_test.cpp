// Long seeded random sessions of keys, clicks and tape corrections. After
// every step nothing that is not finite may be stored, shown or printed, and
// every tape line must be one of the line kinds.

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

#include "engine/calculator.h"
#include "fake_host.h"
#include "random_session.h"
#include "tape/number_text.h"
#include "tape/text_utils.h"

namespace tally {
namespace {

bool ReadsAsNumber(std::string_view text, std::string_view sep) {
  return ReadFormattedNumber(text, sep).has_value();
}

// Returns an empty text when the line is one of the kinds, else why not.
std::string CheckLine(const std::string& line, std::string_view sep) {
  const std::string_view first = FirstChar(line);
  if (line == kSeparatorLine) return {};
  if (first == "=") {
    std::string_view number = FromChar(line, 3);
    while (number.size() >= kSubtotalSuffix.size() &&
           number.substr(number.size() - kSubtotalSuffix.size()) == kSubtotalSuffix) {
      number.remove_suffix(kSubtotalSuffix.size());
    }
    return line.rfind("= ", 0) == 0 && ReadsAsNumber(number, sep) ? "" : "bad total";
  }
  if (line.rfind("GT ", 0) == 0) {
    return ReadsAsNumber(FromChar(line, 4), sep) ? "" : "bad grand total key line";
  }
  if (line.rfind("G ", 0) == 0) {
    return ReadsAsNumber(FromChar(line, 3), sep) ? "" : "bad grand total line";
  }
  if (first == "+" || first == "x" || first == "/" || first == kEnDash) {
    return FromChar(line, 2).substr(0, 1) == " " && ReadsAsNumber(FromChar(line, 3), sep)
               ? ""
               : "bad operand line";
  }
  return "unknown line kind";
}

void CheckInvariants(const Calculator& calc) {
  const auto& s = calc.State();
  for (const double v :
       {s.Accumulator, s.Operand, s.LastEntry, s.MemoryValue, s.GrandTotal, s.EntryValue}) {
    ASSERT_TRUE(std::isfinite(v));
  }
  ASSERT_LE(s.OperandCount, 2);
  const auto& l = calc.Labels();
  for (const std::string* text : {&l.lblResult, &l.lblOperator, &l.lblGrandTotal}) {
    ASSERT_EQ(text->find("inf"), std::string::npos) << *text;
    ASSERT_EQ(text->find("nan"), std::string::npos) << *text;
  }
  const Tape& tape = calc.GetTape();
  ASSERT_GE(tape.Selected(), -1);
  ASSERT_LT(tape.Selected(), tape.Count());
  for (const auto& line : tape.Lines()) {
    ASSERT_EQ(CheckLine(line, calc.DecimalSeparator()), "") << line;
  }
}

TEST(RandomSessions, NothingBreaks) {
  for (unsigned seed = 1; seed <= 12; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    testing::FakeHost host;
    Calculator calc(host, seed % 3 == 0 ? "." : ",");
    testing::Monkey monkey(calc, seed);
    for (int step = 0; step < 20000; ++step) {
      monkey.Step();
      CheckInvariants(calc);
      if (::testing::Test::HasFatalFailure()) {
        ADD_FAILURE() << "at step " << step;
        return;
      }
    }
    EXPECT_FALSE(host.closed);  // "s" and "x" are not in the key set
  }
}

}  // namespace
}  // namespace tally
