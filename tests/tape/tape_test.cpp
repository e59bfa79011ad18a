#include "tape/tape.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tally {
namespace {

// Records what a list view would hear.
class RecordingObserver final : public TapeObserver {
 public:
  std::vector<std::string> events;
  void BeforeAppend(std::int32_t i) override {
    events.push_back("before-append " + std::to_string(i));
  }
  void AfterAppend() override { events.push_back("append"); }
  void BeforeRemoveOldest(std::int32_t count) override {
    events.push_back("before-remove " + std::to_string(count));
  }
  void AfterRemoveOldest() override { events.push_back("remove"); }
  void LinesChanged(std::int32_t a, std::int32_t b) override {
    events.push_back("changed " + std::to_string(a) + "-" + std::to_string(b));
  }
  void BeforeClear() override { events.push_back("before-clear"); }
  void AfterClear() override { events.push_back("clear"); }
  void SelectionChanged(std::int32_t i) override {
    events.push_back("select " + std::to_string(i));
  }
  void BeforeInsert(std::int32_t i) override {
    events.push_back("before-insert " + std::to_string(i));
  }
  void AfterInsert() override { events.push_back("insert"); }
  void BeforeRemove(std::int32_t i) override {
    events.push_back("before-remove-line " + std::to_string(i));
  }
  void AfterRemove() override { events.push_back("remove-line"); }
};

Tape FullTape() {
  Tape tape;
  for (std::int32_t k = 0; k < Tape::kMaxLines; ++k) {
    tape.AppendDirect("+ " + std::to_string(k));
  }
  return tape;
}

TEST(Tape, AddTapeLineAppendsAndSelects) {
  Tape tape;
  RecordingObserver obs;
  tape.SetObserver(&obs);
  tape.AddTapeLine("+ 12,00");
  tape.AppendDirect("***********************");
  EXPECT_EQ(tape.Count(), 2);
  EXPECT_EQ(tape.Selected(), 0);  // direct appends are not selected
  EXPECT_EQ(tape.LastText(), kSeparatorLine);
  EXPECT_EQ(obs.events, (std::vector<std::string>{"before-append 0", "append", "select 0",
                                                  "before-append 1", "append"}));
}

TEST(Tape, LinesOutsideTheTapeAreEmpty) {
  Tape tape;
  EXPECT_EQ(tape.Line(-1), "");
  EXPECT_EQ(tape.LastLine(), "");
  tape.AddTapeLine("= 5");
  EXPECT_EQ(tape.Line(1), "");
  EXPECT_EQ(tape.Line(-2), "");
}

TEST(Tape, TrimKeepsTheNewLineSelectedAndDropsTheOldest) {
  Tape tape = FullTape();
  RecordingObserver obs;
  tape.SetObserver(&obs);
  tape.AddTapeLine("= new");
  EXPECT_EQ(tape.Count(), Tape::kMaxLines);
  EXPECT_EQ(tape.Line(0), "+ 1");
  EXPECT_EQ(tape.LastLine(), "= new");
  EXPECT_EQ(tape.Selected(), Tape::kMaxLines - 1);
  EXPECT_EQ(obs.events, (std::vector<std::string>{"before-append 32766", "append", "select 32766",
                                                  "before-remove 1", "remove", "select 32765"}));
}

// Direct appends (grand total and sign-change lines) neither select nor trim;
// the next AddTapeLine brings the tape back to its limit however far past it
// they went, so the tape cannot grow without bound.
TEST(Tape, DirectAppendsGoPastTheLimitUntilTheNextAddTrimsThemAll) {
  const struct {
    int direct;  // direct appends on a full tape before the next AddTapeLine
  } cases[] = {{1}, {2}, {5}, {Tape::kMaxLines + 3}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.direct);
    Tape tape = FullTape();
    tape.Select(7);
    for (int k = 0; k < c.direct; ++k) tape.AppendDirect("G " + std::to_string(k));
    EXPECT_EQ(tape.Count(), Tape::kMaxLines + c.direct);
    EXPECT_EQ(tape.Selected(), 7);
    // Every line stays addressable.
    EXPECT_EQ(tape.LastLine(), "G " + std::to_string(c.direct - 1));

    RecordingObserver obs;
    tape.SetObserver(&obs);
    tape.AddTapeLine("*");
    const std::int32_t removed = c.direct + 1;
    EXPECT_EQ(tape.Count(), Tape::kMaxLines);
    EXPECT_EQ(tape.LastLine(), "*");
    EXPECT_EQ(tape.Selected(), Tape::kMaxLines - 1);
    // The oldest lines went, the newest stayed in order.
    const std::int32_t firstKept = removed;
    const std::string expectedFirst = firstKept < Tape::kMaxLines
                                          ? "+ " + std::to_string(firstKept)
                                          : "G " + std::to_string(firstKept - Tape::kMaxLines);
    EXPECT_EQ(tape.Line(0), expectedFirst);
    EXPECT_EQ(tape.Line(Tape::kMaxLines - 2), "G " + std::to_string(c.direct - 1));
    // One removal of a range, as a list model maps it onto its rows.
    EXPECT_EQ(obs.events, (std::vector<std::string>{
                              "before-append " + std::to_string(Tape::kMaxLines + c.direct),
                              "append", "select " + std::to_string(Tape::kMaxLines + c.direct),
                              "before-remove " + std::to_string(removed), "remove",
                              "select " + std::to_string(Tape::kMaxLines - 1)}));
  }
}

TEST(Tape, SelectionClickAndClear) {
  Tape tape;
  tape.AddTapeLine("a");
  tape.AddTapeLine("b");
  tape.Select(0);
  EXPECT_EQ(tape.Selected(), 0);
  tape.Select(7);  // past the last line: ignored
  EXPECT_EQ(tape.Selected(), 0);
  tape.Select(-1);
  EXPECT_EQ(tape.Selected(), -1);
  tape.Clear();
  EXPECT_TRUE(tape.Empty());
  EXPECT_EQ(tape.Selected(), -1);
  tape.AddTapeLine("c");
  EXPECT_EQ(tape.Selected(), 0);
}

TEST(Tape, RewritesInPlaceWithoutMovingTheSelection) {
  Tape tape;
  RecordingObserver obs;
  tape.AddTapeLine("= 15,00");
  tape.AddTapeLine("+ 1");
  tape.Select(0);
  tape.SetObserver(&obs);
  tape.SetLine(0, "= 15,00 sub total");
  tape.SetLine(5, "ignored");
  tape.RewriteAll({"x", "y"});
  tape.RewriteAll({"wrong count"});
  EXPECT_EQ(tape.Line(0), "x");
  EXPECT_EQ(tape.Line(1), "y");
  EXPECT_EQ(tape.Selected(), 0);
  EXPECT_EQ(obs.events, (std::vector<std::string>{"changed 0-0", "changed 0-1"}));
}

// What a line holds besides its text goes wherever the line goes: into the
// tape, through a rewrite, and into the changes a journal takes.
TEST(Tape, ALineKeepsMoreThanItsText) {
  TapeLine marked{std::string(kSeparatorLine)};
  marked.closesWithoutAdding = true;
  TapeLine noted("+ 5,00");
  noted.note = "aluguel";

  Tape tape;
  tape.KeepChanges(true);
  tape.AddTapeLine(noted);
  tape.AppendDirect(marked);
  EXPECT_EQ(tape.Line(0), noted);
  EXPECT_EQ(tape.Text(0), "+ 5,00");
  EXPECT_EQ(tape.LastLine(), marked);
  EXPECT_EQ(tape.LastText(), kSeparatorLine);
  EXPECT_EQ(tape.Text(2), "");
  EXPECT_FALSE(tape.Line(2).closesWithoutAdding);

  noted.text = "+ 6,00";
  tape.SetLine(0, noted);
  std::vector<TapeChange> changes;
  tape.TakeChanges(changes);
  ASSERT_EQ(changes.size(), 3u);
  EXPECT_EQ(changes[0].kind, TapeChange::Kind::Append);
  EXPECT_EQ(changes[0].line.note, "aluguel");
  EXPECT_TRUE(changes[1].line.closesWithoutAdding);
  EXPECT_EQ(changes[2].kind, TapeChange::Kind::SetLine);
  EXPECT_EQ(changes[2].number, 0);
  EXPECT_EQ(changes[2].line, noted);

  std::vector<TapeLine> lines(tape.Lines().begin(), tape.Lines().end());
  lines[0].text = "+ 7,00";
  tape.RewriteAll(lines);
  EXPECT_EQ(tape.Line(0).note, "aluguel");
  EXPECT_TRUE(tape.Line(1).closesWithoutAdding);
}


TapeLine Noted(std::string text, std::string note) {
  TapeLine line(std::move(text));
  line.note = std::move(note);
  return line;
}

std::vector<std::string> Notes(const Tape& tape) {
  std::vector<std::string> notes;
  for (const TapeLine& line : tape.Lines()) notes.push_back(line.text + "|" + line.note);
  return notes;
}

// Inserting, removing and noting lines: the observer hears of each as a row
// change, the selection follows, and the journal gets the whole line.
TEST(Tape, InsertRemoveAndNoteAreLoggedAndObserved) {
  Tape tape;
  tape.AddTapeLine("+ 1");
  tape.AddTapeLine("+ 2");
  tape.AddTapeLine("+ 3");
  tape.Select(1);
  RecordingObserver obs;
  tape.SetObserver(&obs);
  tape.KeepChanges(true);

  tape.InsertLine(1, "+ 9");
  EXPECT_EQ(tape.Selected(), 1);
  tape.SetNote(1, "esquecido");
  tape.SetNote(1, "esquecido");  // unchanged: nothing
  tape.RemoveLine(2);            // "+ 2", not selected: the selection stays
  EXPECT_EQ(tape.Selected(), 1);
  tape.RemoveLine(1);  // the selected line: the one after it takes its place
  EXPECT_EQ(tape.Selected(), 1);
  tape.RemoveLine(1);  // the last line: the one before it is selected
  EXPECT_EQ(tape.Selected(), 0);
  tape.InsertLine(5, "ignored");
  tape.RemoveLine(-1);
  tape.SetNote(3, "ignored");
  tape.InsertLine(1, "+ 4");  // at the end
  EXPECT_EQ(tape.Selected(), 1);

  EXPECT_EQ(Notes(tape), (std::vector<std::string>{"+ 1|", "+ 4|"}));
  EXPECT_EQ(obs.events,
            (std::vector<std::string>{"before-insert 1", "insert", "select 1", "changed 1-1",
                                      "before-remove-line 2", "remove-line",
                                      "before-remove-line 1", "remove-line", "select 1",
                                      "before-remove-line 1", "remove-line", "select 0",
                                      "before-insert 1", "insert", "select 1"}));
  std::vector<TapeChange> changes;
  tape.TakeChanges(changes);
  ASSERT_EQ(changes.size(), 6u);
  EXPECT_EQ(changes[0].kind, TapeChange::Kind::Insert);
  EXPECT_EQ(changes[0].number, 1);
  EXPECT_EQ(changes[0].line, TapeLine("+ 9"));
  EXPECT_EQ(changes[1].kind, TapeChange::Kind::SetNote);
  EXPECT_EQ(changes[1].line, Noted("+ 9", "esquecido"));
  EXPECT_EQ(changes[2].kind, TapeChange::Kind::Remove);
  EXPECT_EQ(changes[2].number, 2);
  EXPECT_EQ(changes[2].line, TapeLine("+ 2"));
  // The line removed is logged with its note, for whoever puts it back.
  EXPECT_EQ(changes[3].line, Noted("+ 9", "esquecido"));
  EXPECT_EQ(changes[5].kind, TapeChange::Kind::Insert);
}

// A note stays with its line while lines come and go around it, and goes
// with its line.
TEST(Tape, NotesFollowTheirLines) {
  Tape tape;
  for (const char* text : {"+ 1", "+ 2", "+ 3"}) tape.AddTapeLine(text);
  tape.SetNote(1, "dois");
  tape.InsertLine(0, "+ 0");
  EXPECT_EQ(Notes(tape), (std::vector<std::string>{"+ 0|", "+ 1|", "+ 2|dois", "+ 3|"}));
  tape.RemoveLine(1);
  EXPECT_EQ(Notes(tape), (std::vector<std::string>{"+ 0|", "+ 2|dois", "+ 3|"}));
  tape.SetLine(1, Noted("+ 22", tape.Line(1).note));
  EXPECT_EQ(tape.Line(1).note, "dois");
  tape.RemoveLine(1);
  EXPECT_EQ(Notes(tape), (std::vector<std::string>{"+ 0|", "+ 3|"}));
  tape.SetNote(1, "");
  EXPECT_EQ(tape.Line(1).note, "");
  tape.SetNote(0, "zero");
  tape.Clear();
  tape.AddTapeLine("+ 0");
  EXPECT_EQ(tape.Line(0).note, "");
}

TEST(Tape, ATrimTakesTheNotesOfTheOldestLines) {
  Tape tape = FullTape();
  tape.SetNote(0, "primeira");
  tape.SetNote(1, "segunda");
  tape.AddTapeLine("+ nova");
  EXPECT_EQ(tape.Line(0).text, "+ 1");
  EXPECT_EQ(tape.Line(0).note, "segunda");
}

// The items are the operand lines after the last separator or grand total
// line, whatever changed the tape.
TEST(Tape, ItemsCountTheOperandLinesOfTheOpenCalculation) {
  const std::string sep(kSeparatorLine);
  const struct {
    std::vector<std::string> lines;
    std::int32_t items;
  } cases[] = {
      {{}, 0},
      {{"+ 1,00"}, 1},
      {{"+ 1,00", "\xE2\x80\x93 2,00", "x 3", "/ 4"}, 4},
      {{"+ 1,00", "+ 2,00", "= 3,00"}, 2},
      {{"+ 1,00", "= 1,00 sub total", "+ 2,00"}, 2},
      {{"+ 1,00", "+ 2,00", "= 3,00", sep}, 0},
      {{"+ 1,00", sep, "+ 5,00"}, 1},
      {{"+ 1,00", "G 1,00", "+ 5,00", "+ 6,00"}, 2},
      {{"+ 1,00", "GT 1,00"}, 0},
      // A sign change's restatement is one item.
      {{"+ 100,00", "+ 50,00", sep, "+ 150,00", "\xE2\x80\x93 20,00"}, 2},
      {{"+ 1,00", "Other", "- 2"}, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.lines));
    Tape appended;
    for (const std::string& line : c.lines) appended.AddTapeLine(line);
    EXPECT_EQ(appended.Items(), c.items);
    Tape assigned;
    assigned.Assign({c.lines.begin(), c.lines.end()});
    EXPECT_EQ(assigned.Items(), c.items);
  }
}

TEST(Tape, ItemsFollowEveryChange) {
  const std::string sep(kSeparatorLine);
  Tape tape;
  for (const char* text : {"+ 1", "+ 2", "= 3", "*", "+ 4"}) {
    tape.AddTapeLine(std::string(text) == "*" ? sep : std::string(text));
  }
  EXPECT_EQ(tape.Items(), 1);
  tape.InsertLine(4, "+ 5");
  EXPECT_EQ(tape.Items(), 2);
  tape.InsertLine(0, "+ 0");  // before the separator: not counted
  EXPECT_EQ(tape.Items(), 2);
  tape.RemoveLine(4);  // the separator: the calculations join
  EXPECT_EQ(tape.Items(), 5);
  tape.SetLine(3, sep);
  EXPECT_EQ(tape.Items(), 2);
  tape.SetLine(4, "= 5");
  EXPECT_EQ(tape.Items(), 1);
  tape.SetLine(4, "+ 5");
  EXPECT_EQ(tape.Items(), 2);
  std::vector<TapeLine> lines(tape.Lines().begin(), tape.Lines().end());
  lines[5].text = "G 9";
  tape.RewriteAll(lines);
  EXPECT_EQ(tape.Items(), 0);
  tape.AddTapeLine("x 2");
  EXPECT_EQ(tape.Items(), 1);
  tape.SetNote(6, "nota");
  EXPECT_EQ(tape.Items(), 1);
  tape.Clear();
  EXPECT_EQ(tape.Items(), 0);
}

// Lines trimmed off the top of a tape with no separator take their items
// with them.
TEST(Tape, ATrimOfCountedLinesLowersTheItems) {
  Tape tape = FullTape();
  EXPECT_EQ(tape.Items(), Tape::kMaxLines);
  tape.AddTapeLine("+ nova");
  EXPECT_EQ(tape.Items(), Tape::kMaxLines);
  tape.AppendDirect("= 1");
  tape.AppendDirect("= 2");
  tape.AddTapeLine("+ outra");  // three counted lines trimmed, one added
  EXPECT_EQ(tape.Count(), Tape::kMaxLines);
  EXPECT_EQ(tape.Items(), Tape::kMaxLines - 2);
  tape.AddTapeLine(std::string(kSeparatorLine));
  tape.AddTapeLine("+ 1");
  EXPECT_EQ(tape.Items(), 1);
  tape.AddTapeLine("+ 2");  // a trim above the separator
  EXPECT_EQ(tape.Items(), 2);
}

}  // namespace
}  // namespace tally
