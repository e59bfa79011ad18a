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

}  // namespace
}  // namespace tally
