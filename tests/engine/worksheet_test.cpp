// The tape as a worksheet: notes on lines, lines deleted and inserted, the
// number of a line used again, and the item count.

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

struct Keyed {
  FakeHost host;
  Calculator calc{host, ","};
  explicit Keyed(std::string_view keys) {
    calc.cboDecPlace_Click(2);
    Keys(calc, keys);
  }
};

std::vector<std::string> NotesOf(const Calculator& calc) {
  std::vector<std::string> notes;
  for (const TapeLine& line : calc.GetTape().Lines()) notes.push_back(line.note);
  return notes;
}

// What a replayed tape must agree on with a tape keyed that way.
void ExpectSameTotals(const Calculator& replayed, const Calculator& keyed) {
  EXPECT_EQ(TapeLines(replayed), TapeLines(keyed));
  // The replay writes the label without the blank a key leaves after it.
  std::string label = keyed.Labels().lblGrandTotal;
  if (label.ends_with(' ')) label.pop_back();
  EXPECT_EQ(replayed.Labels().lblGrandTotal, label);
  EXPECT_EQ(replayed.State().GrandTotal, keyed.State().GrandTotal);
  EXPECT_EQ(replayed.Items(), keyed.Items());
}

TEST(Worksheet, DeleteReplaysToTheTapeKeyedWithoutTheLine) {
  const struct {
    const char* keys;
    std::int32_t line;
    const char* without;
  } cases[] = {
      {"12+5+3=", 1, "12+3="},
      {"12+5+3=", 0, "5+3="},
      {"12+5+3+", 2, "12+5+"},
      {"10+5==20+3+4==", 5, "10+5==20+4=="},
      {"10+5+2==20+3+4==", 1, "10+2==20+3+4=="},
      {"8*2+1=", 1, "8+1="},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.keys) + " without line " + std::to_string(c.line));
    Keyed r(c.keys);
    r.calc.lstTape_Click(c.line);
    ASSERT_TRUE(r.calc.SelectedIsOperand());
    r.calc.cmdDeleteLine_Click();
    Keyed fresh(c.without);
    ExpectSameTotals(r.calc, fresh.calc);
    EXPECT_TRUE(r.host.messages.empty());
  }
}

TEST(Worksheet, InsertReplaysToTheTapeKeyedWithTheLine) {
  const struct {
    const char* keys;
    std::int32_t before;
    const char* number;
    const char* op;
    const char* with;
  } cases[] = {
      {"12+3=", 1, "5", "+", "12+5+3="},
      {"12+3=", 1, "2", "-", "12-2+3="},
      {"12+3=", 1, "2,5", "x", "12*2.5+3="},
      {"10+5==20+4==", 4, "7", "+", "10+5==7+20+4=="},
      {"10+5==20+4==", 1, "1", "+", "10+1+5==20+4=="},
      {"12+3=", 1, "4", "1/x", "12+.25+3="},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.keys) + " with " + c.op + c.number);
    Keyed r(c.keys);
    r.calc.lstTape_Click(c.before);
    r.calc.cmdInsertLine_Click();
    const ChangePanel& panel = r.calc.Panel();
    ASSERT_TRUE(panel.visible);
    EXPECT_EQ(panel.txtChangeTo, "");
    EXPECT_EQ(panel.cboType, "+");
    r.calc.SetChangeTo(c.number);
    r.calc.SetChangeType(c.op);
    r.calc.cmdSaveChange_Click();
    EXPECT_FALSE(r.calc.Panel().visible);
    EXPECT_EQ(r.calc.GetTape().Selected(), c.before);
    Keyed fresh(c.with);
    ExpectSameTotals(r.calc, fresh.calc);
  }
}

TEST(Worksheet, ACancelledInsertChangesNothingAndTheNextOpeningCorrects) {
  Keyed r("12+3=");
  r.calc.lstTape_Click(1);
  r.calc.cmdInsertLine_Click();
  r.calc.cmdCancelChange_Click();
  EXPECT_EQ(TapeLines(r.calc), (Lines{"+ 12,00", "+ 3,00", "= 15,00"}));
  r.calc.lstTape_DblClick();
  r.calc.SetChangeTo("4");
  r.calc.cmdSaveChange_Click();
  EXPECT_EQ(TapeLines(r.calc), (Lines{"+ 12,00", "+ 4,00", "= 16,00"}));
}

// Only operand lines are deleted or have a line put before them.
TEST(Worksheet, DeleteAndInsertRefuseLinesThatAreNotOperands) {
  Keyed r("12+3==5+[C][C]");
  const Lines before = TapeLines(r.calc);
  for (std::int32_t line = 0; line < r.calc.GetTape().Count(); ++line) {
    const std::string text = r.calc.GetTape().Text(line);
    const bool operand = text.starts_with("+ ") || text.starts_with(kDash);
    r.calc.lstTape_Click(line);
    EXPECT_EQ(r.calc.SelectedIsOperand(), operand) << text;
    if (operand) continue;
    r.calc.cmdDeleteLine_Click();
    r.calc.cmdInsertLine_Click();
    EXPECT_FALSE(r.calc.Panel().visible) << text;
    EXPECT_EQ(TapeLines(r.calc), before) << text;
  }
  r.calc.lstTape_Click(-1);
  EXPECT_FALSE(r.calc.SelectedIsOperand());
}

TEST(Worksheet, NotesFollowTheirLinesThroughCorrectionsDeletesAndInserts) {
  Keyed r("12+5+3=");
  r.calc.lstTape_Click(1);
  ASSERT_TRUE(r.calc.SetSelectedNote("luz"));
  r.calc.lstTape_Click(3);
  ASSERT_TRUE(r.calc.SetSelectedNote("total"));
  EXPECT_EQ(NotesOf(r.calc), (Lines{"", "luz", "", "total"}));

  // A correction of the line itself, and of another line (a replay).
  r.calc.lstTape_Click(1);
  r.calc.lstTape_DblClick();
  r.calc.SetChangeTo("6");
  r.calc.cmdSaveChange_Click();
  r.calc.lstTape_Click(0);
  r.calc.lstTape_DblClick();
  r.calc.SetChangeTo("10");
  r.calc.cmdSaveChange_Click();
  EXPECT_EQ(TapeLines(r.calc), (Lines{"+ 10,00", "+ 6,00", "+ 3,00", "= 19,00"}));
  EXPECT_EQ(NotesOf(r.calc), (Lines{"", "luz", "", "total"}));

  r.calc.lstTape_Click(1);
  r.calc.cmdInsertLine_Click();
  r.calc.SetChangeTo("1");
  r.calc.cmdSaveChange_Click();
  EXPECT_EQ(NotesOf(r.calc), (Lines{"", "", "luz", "", "total"}));
  r.calc.lstTape_Click(3);
  r.calc.cmdDeleteLine_Click();
  EXPECT_EQ(NotesOf(r.calc), (Lines{"", "", "luz", "total"}));
  // The note goes with its line.
  r.calc.lstTape_Click(2);
  r.calc.cmdDeleteLine_Click();
  EXPECT_EQ(TapeLines(r.calc), (Lines{"+ 10,00", "+ 1,00", "= 11,00"}));
  EXPECT_EQ(NotesOf(r.calc), (Lines{"", "", "total"}));
  // Keys go on after notes as before.
  Keys(r.calc, "=");
  r.calc.cmdClear_Click();
  Keys(r.calc, "1+");
  EXPECT_EQ(NotesOf(r.calc), (Lines{""}));
}

TEST(Worksheet, ATrimTakesTheOldestLinesWithTheirNotes) {
  FakeHost host;
  Calculator calc{host, ","};
  testing::FillTape(calc);
  calc.lstTape_Click(0);
  calc.SetSelectedNote("a primeira");
  calc.lstTape_Click(1);
  calc.SetSelectedNote("a segunda");
  const std::string second = calc.GetTape().Text(1);
  while (calc.GetTape().Text(0) != second) Keys(calc, "1+");
  EXPECT_EQ(calc.GetTape().Line(0).note, "a segunda");
  Keys(calc, "1+");
  EXPECT_EQ(calc.GetTape().Line(0).note, "");
}

TEST(Worksheet, NotesAreCheckedBeforeTheyAreKept) {
  const std::string twoHundred(200, 'a');
  std::string cedillas;
  for (int k = 0; k < 200; ++k) cedillas += "\xC3\xA7";
  const struct {
    std::string note;
    bool kept;
  } cases[] = {
      {"aluguel", true},
      {twoHundred, true},
      {cedillas, true},  // characters, not bytes
      {twoHundred + "a", false},
      {cedillas + "\xC3\xA7", false},
      {"com\ttab", false},
      {"duas\nlinhas", false},
      {"volta\rao início", false},
      {"", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.note);
    Keyed r("12+");
    r.calc.lstTape_Click(0);
    ASSERT_TRUE(r.calc.SetSelectedNote("antes"));
    EXPECT_EQ(r.calc.SetSelectedNote(c.note), c.kept);
    EXPECT_EQ(r.calc.GetTape().Line(0).note, c.kept ? c.note : "antes");
    EXPECT_EQ(r.host.messages.size(), c.kept ? 0u : 1u);
    if (!c.kept) {
      EXPECT_EQ(r.host.messages[0].text, kNoteRefusedText);
    }
  }
  Keyed none("12+");
  none.calc.lstTape_Click(-1);
  EXPECT_FALSE(none.calc.SetSelectedNote("sem linha"));
}

// "Usar este número" types the line's number as a paste of it would.
TEST(Worksheet, UseNumberPastesTheSelectedLinesNumber) {
  const struct {
    std::int32_t line;
    const char* pasted;  // "" when the line has no number
  } cases[] = {
      {0, "12,50"}, {1, "3,00"}, {2, "15,50"}, {3, ""}, {4, "2,00"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    Keyed r("12.5+3==2-");
    r.calc.lstTape_Click(c.line);
    EXPECT_EQ(r.calc.SelectedLineNumber(), c.pasted);
    r.calc.cmdUseNumber_Click();
    Keyed pasted("12.5+3==2-");
    if (*c.pasted) pasted.calc.Paste(c.pasted);
    EXPECT_EQ(r.calc.Labels().lblResult, pasted.calc.Labels().lblResult);
    EXPECT_EQ(r.calc.State().EntryValue, pasted.calc.State().EntryValue);
  }
}

TEST(Worksheet, ItemsAfterEachKindOfLine) {
  const struct {
    const char* keys;
    std::int32_t items;
  } cases[] = {
      {"", 0},
      {"12+", 1},
      {"12+3-", 2},
      {"12+3=", 2},         // a total does not close the calculation
      {"12+3=5+", 1},       // a digit after "=" starts a new calculation
      {"12+3=+5+", 3},      // going on after a subtotal
      {"12+3==", 0},        // the separator closes it
      {"12+3==5+", 1},
      {"12+3==[C][C]", 0},  // the grand total line
      {"12+3==[Grande Total]", 0},
      {"12+3[C]", 0},
      {"2*3/4+", 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.keys);
    Keyed r(c.keys);
    EXPECT_EQ(r.calc.Items(), c.items);
  }
}

TEST(Worksheet, ItemsFollowDeletesInsertsAndOpenedTapes) {
  Keyed r("12+5+3=");
  EXPECT_EQ(r.calc.Items(), 3);
  r.calc.lstTape_Click(0);
  r.calc.cmdDeleteLine_Click();
  EXPECT_EQ(r.calc.Items(), 2);
  r.calc.cmdInsertLine_Click();
  r.calc.SetChangeTo("1");
  r.calc.cmdSaveChange_Click();
  EXPECT_EQ(r.calc.Items(), 3);
  r.calc.OpenTape({"+ 1,00", kSep, "+ 2,00", "+ 3,00"});
  EXPECT_EQ(r.calc.Items(), 2);
}

TEST(Worksheet, SelectionMovesWithinTheTape) {
  Keyed r("1+2+3+");
  r.calc.MoveSelection(-5);
  EXPECT_EQ(r.calc.GetTape().Selected(), 0);
  r.calc.MoveSelection(1);
  EXPECT_EQ(r.calc.GetTape().Selected(), 1);
  r.calc.MoveSelection(99);
  EXPECT_EQ(r.calc.GetTape().Selected(), 2);
  r.calc.lstTape_DblClick();
  r.calc.MoveSelection(0);  // the open panel keeps its line
  EXPECT_EQ(r.calc.GetTape().Selected(), 2);
}

}  // namespace
}  // namespace tally
