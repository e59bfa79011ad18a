#include "tape/replay.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "tape/text_utils.h"

namespace tally {
namespace {

using Lines = std::vector<TapeLine>;
const std::string S = "***********************";
const std::string D(kEnDash);
// A separator that closed its calculation without adding it.
const TapeLine M = [] {
  TapeLine line(S);
  line.closesWithoutAdding = true;
  return line;
}();

struct ReplayCase {
  const char* name;
  Lines before;
  Lines after;
  double grandTotal;
  double runningValue;
  std::optional<std::string> display;
  std::optional<std::string> grandTotalLabel;
  std::size_t divisionsByZero = 0;
};

const ReplayCase kCases[] = {
    {"worked example after changing line 1 to 25",
     {"+ 10,00", "+ 25,00", "+ 5,00", "= 35,00", S, "+ 8,00", "x 3,00", "= 24,00", S, "G 59,00", S},
     {"+ 10,00", "+ 25,00", "+ 5,00", "= 40,00", S, "+ 8,00", "x 3,00", "= 24,00", S, "G 64,00", S},
     0,
     0,
     "64,00",
     "0,00"},
    {"subtotal decided by the next line",
     {"+ 20,00", "+ 5,00", "= 15,00 sub total", "x 2,00", "= 30,00"},
     {"+ 20,00", "+ 5,00", "= 25,00 sub total", "x 2,00", "= 50,00"},
     0,
     50,
     "50,00",
     std::nullopt},
    {"a cancelled calculation counts",
     {"+ 10,00", "+ 5,00", "= 15,00", S, "+ 20,00", "+ 3,00", "= 22,00", S, "G 22,00", S},
     {"+ 10,00", "+ 5,00", "= 15,00", S, "+ 20,00", "+ 3,00", "= 23,00", S, "G 38,00", S},
     0,
     0,
     "38,00",
     "0,00"},
    {"a calculation closed without adding stays out of the grand total",
     {"+ 10,00", "+ 5,00", "= 15,00", M, "+ 20,00", "+ 3,00", "= 22,00", S, "G 22,00", S},
     {"+ 10,00", "+ 5,00", "= 15,00", M, "+ 20,00", "+ 3,00", "= 23,00", S, "G 23,00", S},
     0,
     0,
     "23,00",
     "0,00"},
    {"such a separator leaves the grand total label as it was",
     {"+ 5,00", "= 5,00", S, "+ 7,00", "+ 1,00", M},
     {"+ 5,00", "= 5,00", S, "+ 7,00", "+ 1,00", M},
     5,
     0,
     std::nullopt,
     "5,00"},
    {"a sign change restates the running result after such a separator",
     {"+ 100,00", M, "+ 100,00", "+ -50,00", "= 50,00", S, "GT 50,00", S},
     {"+ 100,00", M, "+ 100,00", "+ -50,00", "= 50,00", S, "G 50,00", S},
     0,
     0,
     "50,00",
     "0,00"},
    {"en dash and hyphen both subtract",
     {"+ 12,00", D + " 3,00", "- 1,00", "= 9,00"},
     {"+ 12,00", D + " 3,00", "- 1,00", "= 8,00"},
     0,
     8,
     "8,00",
     std::nullopt},
    {"a grand total key line closes its calculation and becomes G",
     {"+ 12,00", "+ 3,00", "= 15,00", "GT 15,00", S},
     {"+ 12,00", "+ 3,00", "= 15,00", "G 15,00", S},
     0,
     0,
     "15,00",
     "0,00"},
    {"a separator before the G line changes nothing",
     {"+ 12,00", "= 12,00", S, "GT 59,00", S},
     {"+ 12,00", "= 12,00", S, "G 12,00", S},
     0,
     0,
     "12,00",
     "0,00"},
    {"a zero divisor is passed over",
     {"+ 5,00", "/ 0,00", "= 5000,00", "/ 0,00"},
     {"+ 5,00", "/ 0,00", "= 5,00 sub total", "/ 0,00"},
     0,
     5,
     std::nullopt,
     std::nullopt,
     2},
    {"unreadable numbers and unknown lines are passed over",
     {"+ 5,00", "+ abc", "1/x 4,00", " 7,00", "+ 12.50", "", "= 0,00"},
     {"+ 5,00", "+ abc", "1/x 4,00", " 7,00", "+ 12.50", "", "= 5,00"},
     0,
     5,
     "5,00",
     std::nullopt},
    {"a zero operand times zeroes the running value",
     {"+ 5,00", "x 0,00", "= 5,00"},
     {"+ 5,00", "x 0,00", "= 0,00"},
     0,
     0,
     "0,00",
     std::nullopt},
    {"the running value runs on through totals",
     {"+ 1,00", "= 1,00", "+ 1,00", "= 9,00", S, "+ 4,00"},
     {"+ 1,00", "= 1,00 sub total", "+ 1,00", "= 2,00", S, "+ 4,00"},
     2,
     4,
     std::nullopt,
     "2,00"},
    {"empty tape", {}, {}, 0, 0, std::nullopt, std::nullopt},
};

TEST(Replay, Cases) {
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    const ReplayResult r = ReplayTape(c.before, "#0.00", ",");
    EXPECT_EQ(r.lines, c.after);
    EXPECT_EQ(r.grandTotal, c.grandTotal);
    EXPECT_EQ(r.runningValue, c.runningValue);
    EXPECT_EQ(r.display, c.display);
    EXPECT_EQ(r.grandTotalLabel, c.grandTotalLabel);
    EXPECT_EQ(r.divisionsByZero, c.divisionsByZero);
  }
}

TEST(Replay, RewritesTextsAndKeepsTheRestOfEachLine) {
  Lines lines = {"+ 1,00", "= 9,00", S};
  lines[1].note = "total do mês";
  lines[2].closesWithoutAdding = true;
  const ReplayResult r = ReplayTape(lines, "#0.00", ",");
  ASSERT_EQ(r.lines.size(), 3u);
  EXPECT_EQ(r.lines[1].text, "= 1,00");
  EXPECT_EQ(r.lines[1].note, "total do mês");
  EXPECT_TRUE(r.lines[2].closesWithoutAdding);
}

TEST(Replay, UsesTheNumbersAsShownWithNoDecimals) {
  const ReplayResult r = ReplayTape({"+ 3,", "+ 3,", "= 5,"}, "#0.", ",");
  EXPECT_EQ(r.lines.back(), "= 6,");
  EXPECT_EQ(r.entryValue, 6);
}

TEST(Replay, ReadsTheGeneralFormAndDotLocales) {
  const ReplayResult r = ReplayTape({"+ 1.5E-07", "x 2", "+ 0.25", "= 0"}, "", ".");
  EXPECT_EQ(r.lines.back(), "= 0.2500003");
  const ReplayResult big = ReplayTape({"+ 1E+15", "+ 1", "= 0"}, "", ".");
  EXPECT_EQ(big.lines.back(), "= 1E+15");
}

TEST(Replay, AnOverflowLeavesTheRunningValue) {
  const ReplayResult r = ReplayTape({"+ 1E+300", "x 1E+300", "= 0"}, "", ",");
  EXPECT_EQ(r.lines.back(), "= 1E+300");
  EXPECT_EQ(r.runningValue, 1e300);
}

// The largest double is written with 15 significant digits, past its own
// value: the replay still reads it, in every picture.
TEST(Replay, TheLargestNumberKeepsItsLine) {
  const struct {
    const char* picture;
    std::string largest;
  } cases[] = {
      {"", "1,79769313486232E+308"},
      {"#0.00", "179769313486232" + std::string(294, '0') + ",00"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.picture);
    const ReplayResult r = ReplayTape(
        {"+ " + c.largest, D + " 5", "= 0", S, "+ " + c.largest, "G 0", S}, c.picture, ",");
    EXPECT_EQ(r.lines[0], "+ " + c.largest);
    EXPECT_EQ(r.lines[2], "= " + c.largest);
    EXPECT_EQ(r.lines[5], "G " + c.largest);
    EXPECT_EQ(r.entryValue, std::numeric_limits<double>::max());
  }
}

TEST(Replay, OverflowingGrandTotalsKeepTheirValue) {
  const ReplayResult r =
      ReplayTape({"+ 1E+308", "=", S, "+ 1E+308", "= 0", S, "+ 1E+308", "G 0"}, "", ",");
  // The second separator's sum is not finite: passed over entirely, so the
  // running value carries on into the G line, whose sum is not finite either.
  EXPECT_EQ(r.lines[7], "G 1E+308");
  EXPECT_EQ(r.lines[4], "= 1E+308");
  for (const auto& line : r.lines) {
    EXPECT_EQ(line.text.find("inf"), std::string::npos) << line.text;
  }
}

}  // namespace
}  // namespace tally
