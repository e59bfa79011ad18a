// Undo and redo over the calculator: every step undone gives back exactly
// what was there before it, and redone what was there after it.

#include "engine/undo_history.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "fake_host.h"
#include "random_session.h"

namespace tally {
namespace {

using testing::FakeHost;
using testing::FillTape;
using testing::Keys;
using testing::Monkey;
using testing::TapeLines;
using testing::Type;

// Everything a user can see or the next key can use, the edit panel aside.
struct Picture {
  CalculatorState state;
  DisplayTexts labels;
  std::vector<TapeLine> tape;
  std::int32_t selected = -1;
  bool operator==(const Picture&) const = default;
};

Picture Take(const Calculator& calc) {
  return {calc.State(), calc.Labels(),
          std::vector<TapeLine>(calc.GetTape().Lines().begin(), calc.GetTape().Lines().end()),
          calc.GetTape().Selected()};
}

// A fingerprint, to follow a thousand pictures without keeping them.
std::size_t Print(const Calculator& calc) {
  std::string bytes;
  const auto raw = [&](const auto& value) {
    bytes.append(reinterpret_cast<const char*>(&value), sizeof value);
  };
  const auto text = [&](const std::string& t) {
    raw(t.size());
    bytes += t;
  };
  const CalculatorState& s = calc.State();
  for (double d :
       {s.Accumulator, s.Operand, s.LastEntry, s.MemoryValue, s.GrandTotal, s.EntryValue}) {
    raw(d);
  }
  for (int v : {int{s.EntryStarted}, int{s.OperandCount}, static_cast<int>(s.LastInputKind),
                static_cast<int>(s.PendingOperator), int{s.NegativeEntry}, int{s.TotalPending},
                int{s.CancelPressed}}) {
    raw(v);
  }
  text(s.NumberFormat);
  const DisplayTexts& l = calc.Labels();
  text(l.lblResult);
  text(l.lblOperator);
  text(l.lblGrandTotal);
  raw(l.lblMemoryVisible);
  raw(calc.GetTape().Selected());
  for (const TapeLine& line : calc.GetTape().Lines()) {
    text(line.text);
    raw(line.closesWithoutAdding);
    text(line.note);
  }
  return std::hash<std::string>{}(bytes);
}

// `action` as one step of the history, as the front ends run a user action.
void AsStep(UndoHistory& history, const std::function<void()>& action) {
  history.BeginStep();
  action();
  history.EndStep();
}

// The monkey's actions, plus the pastes and opened tapes it does not make.
class Session {
 public:
  Session(Calculator& calc, unsigned seed) : calc_(calc), monkey_(calc, seed), rng_(seed) {}

  void Act() {
    const int pick = std::uniform_int_distribution<int>(0, 99)(rng_);
    if (calc_.Panel().visible || pick >= 8) {
      monkey_.Step();
    } else if (pick < 5) {
      static const char* const kPastes[] = {"12,5", "-3", "abc", "1.234,56", "0", "7E+3"};
      calc_.Paste(kPastes[Pick(std::size(kPastes))]);
    } else {
      static const std::vector<std::vector<TapeLine>> kTapes = {
          {},
          {"+ 12,50", "+ 3,00", "= 15,50", std::string(kSeparatorLine)},
          {"+ 1,00", "x 2,00", "= 2,00"},
      };
      calc_.OpenTape(kTapes[Pick(kTapes.size())]);
    }
  }

 private:
  std::size_t Pick(std::size_t n) {
    return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng_);
  }
  Calculator& calc_;
  Monkey monkey_;
  std::mt19937 rng_;
};

TEST(UndoHistory, EveryStepUndoesToBeforeAndRedoesToAfter) {
  for (unsigned seed : {1u, 2u, 3u, 4u}) {
    SCOPED_TRACE(seed);
    FakeHost host;
    Calculator calc(host, ",");
    UndoHistory history(calc);
    Session session(calc, seed);
    for (int k = 0; k < 1500; ++k) {
      const Picture before = Take(calc);
      const std::size_t steps = history.UndoCount();
      AsStep(history, [&] { session.Act(); });
      const Picture after = Take(calc);
      if (history.UndoCount() == steps) {
        // Not a step: nothing but the selection may have moved.
        Picture moved = before;
        moved.selected = after.selected;
        ASSERT_EQ(moved, after) << "action " << k;
        continue;
      }
      if (calc.Panel().visible) continue;
      ASSERT_TRUE(history.Undo());
      ASSERT_EQ(Take(calc), before) << "action " << k;
      EXPECT_FALSE(calc.Panel().visible);
      ASSERT_TRUE(history.Redo());
      ASSERT_EQ(Take(calc), after) << "action " << k;
    }
  }
}

TEST(UndoHistory, AThousandStepsBackAndForth) {
  for (unsigned seed : {7u, 8u}) {
    SCOPED_TRACE(seed);
    FakeHost host;
    Calculator calc(host, ",");
    UndoHistory history(calc);
    Session session(calc, seed);
    // prints[n]: the calculator with n steps made, as the next step found it.
    std::vector<std::size_t> prints{Print(calc)};
    while (history.UndoCount() < 1200) {
      prints.resize(history.UndoCount() + 1);
      prints[history.UndoCount()] = Print(calc);
      AsStep(history, [&] { session.Act(); });
    }
    // The panel blocks undo; a cancel leaves the calculator as it is.
    if (calc.Panel().visible) calc.cmdCancelChange_Click();
    prints.resize(history.UndoCount() + 1);
    prints[history.UndoCount()] = Print(calc);
    const std::size_t top = history.UndoCount();
    const std::size_t k = 1000;
    for (std::size_t n = 1; n <= k; ++n) {
      ASSERT_TRUE(history.Undo());
      ASSERT_EQ(Print(calc), prints[top - n]) << n << " undone";
    }
    for (std::size_t n = 1; n <= k; ++n) {
      ASSERT_TRUE(history.Redo());
      ASSERT_EQ(Print(calc), prints[top - k + n]) << n << " redone";
    }
    EXPECT_FALSE(history.Redo());
  }
}

// Past its step limit the history forgets its oldest steps and keeps the
// rest exact, with the tape's changes also kept for a journal or not; a new
// step after some undos drops only what could be redone.
TEST(UndoHistory, PastItsLimitTheNewestStepsStayExact) {
  for (const bool journal : {false, true}) {
    SCOPED_TRACE(journal ? "changes kept for a journal" : "no journal");
    FakeHost host;
    Calculator calc(host, ",");
    calc.KeepTapeChanges(journal);
    UndoHistory history(calc);
    std::vector<TapeChange> journalRead;
    // Actions that each change something: digits, "+", a decimals choice,
    // "Limpar" of a tape with lines.
    std::size_t action = 0;
    const auto step = [&] {
      ++action;
      AsStep(history, [&] {
        if (action % 97 == 0) {
          calc.cmdClear_Click();
        } else if (action % 31 == 0) {
          calc.cboDecPlace_Click(static_cast<int>(action / 31 % 7));
        } else {
          Type(calc, action % 2 == 0 ? "+" : "1");
        }
      });
      // A journal takes the tape's changes after each step, as the host's does.
      if (journal) calc.TakeTapeChanges(journalRead);
    };
    // prints[n]: the calculator after n steps.
    std::vector<std::size_t> prints{Print(calc)};
    const std::size_t total = UndoHistory::kMaxSteps + 2500;
    while (prints.size() <= total) {
      step();
      prints.push_back(Print(calc));
      if (prints.size() <= UndoHistory::kMaxSteps + 1) {
        ASSERT_EQ(history.UndoCount(), prints.size() - 1) << "action " << action;
      }
    }
    ASSERT_EQ(history.UndoCount(), UndoHistory::kMaxSteps);
    ASSERT_LE(history.MemoryBytes(), UndoHistory::kMaxBytes);
    for (std::size_t n = 1; n <= 4000; ++n) {
      ASSERT_TRUE(history.Undo());
      ASSERT_EQ(Print(calc), prints[total - n]) << n << " undone";
    }
    ASSERT_EQ(history.RedoCount(), 4000u);
    prints.resize(total - 4000 + 1);
    step();
    prints.push_back(Print(calc));
    EXPECT_EQ(history.RedoCount(), 0u);
    const std::size_t back = history.UndoCount();
    EXPECT_EQ(back, UndoHistory::kMaxSteps - 4000 + 1);
    for (std::size_t n = 1; n <= back; ++n) {
      ASSERT_TRUE(history.Undo());
      ASSERT_EQ(Print(calc), prints[prints.size() - 1 - n]) << n << " undone after the new step";
    }
    EXPECT_FALSE(history.Undo());
  }
}

TEST(UndoHistory, NewStepDropsRedoAndSelectionAloneIsNoStep) {
  FakeHost host;
  Calculator calc(host, ",");
  UndoHistory history(calc);
  const auto step = [&](const std::function<void()>& action) { AsStep(history, action); };
  step([&] { Keys(calc, "12+"); });
  step([&] { Keys(calc, "3+"); });
  ASSERT_EQ(history.UndoCount(), 2u);
  ASSERT_TRUE(history.Undo());
  EXPECT_TRUE(history.CanRedo());
  // A click that only selects: no step, the redo stays.
  step([&] { calc.lstTape_Click(0); });
  EXPECT_EQ(history.UndoCount(), 1u);
  EXPECT_TRUE(history.CanRedo());
  // Clearing an empty tape changes nothing.
  FakeHost host2;
  Calculator empty(host2, ",");
  UndoHistory none(empty);
  AsStep(none, [&] { empty.cmdClear_Click(); });
  EXPECT_FALSE(none.CanUndo());

  step([&] { Keys(calc, "5+"); });
  EXPECT_FALSE(history.CanRedo());
  EXPECT_FALSE(history.Redo());
  EXPECT_EQ(TapeLines(calc), (std::vector<std::string>{"+ 12", "+ 5"}));
}

// A kept session put back while a step is under way forgets the steps before
// it, and that step stays whole.
TEST(UndoHistory, ForgettingDuringAStepKeepsThatStep) {
  FakeHost host;
  Calculator calc(host, ",");
  UndoHistory history(calc);
  AsStep(history, [&] { Keys(calc, "12+"); });
  const Picture before = Take(calc);
  history.BeginStep();
  Keys(calc, "7+");
  history.Clear();
  history.EndStep();
  ASSERT_EQ(history.UndoCount(), 1u);
  ASSERT_TRUE(history.Undo());
  EXPECT_EQ(Take(calc), before);
  EXPECT_FALSE(history.Undo());
}

// The worksheet's commands are one step each, undone by their own inverse:
// the line deleted comes back at its place with its note, the inserted one
// goes, a changed note is the old one again.
TEST(UndoHistory, WorksheetCommandsAreOneStepEach) {
  const struct {
    const char* name;
    std::function<void(Calculator&)> act;
  } cases[] = {
      {"delete", [](Calculator& c) { c.cmdDeleteLine_Click(); }},
      {"insert",
       [](Calculator& c) {
         c.cmdInsertLine_Click();
         c.AppendToChangeTo("7");
         c.cmdSaveChange_Click();
       }},
      {"note changed", [](Calculator& c) { c.SetSelectedNote("depois"); }},
      {"note removed", [](Calculator& c) { c.SetSelectedNote(""); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeHost host;
    Calculator calc(host, ",");
    UndoHistory history(calc);
    Keys(calc, "12+3+4=");
    calc.lstTape_Click(1);
    calc.SetSelectedNote("antes");
    const Picture before = Take(calc);
    AsStep(history, [&] { c.act(calc); });
    const Picture after = Take(calc);
    ASSERT_NE(before, after);
    ASSERT_EQ(history.UndoCount(), 1u);
    ASSERT_TRUE(history.Undo());
    EXPECT_EQ(Take(calc), before);
    EXPECT_EQ(calc.GetTape().Line(1).note, "antes");
    ASSERT_TRUE(history.Redo());
    EXPECT_EQ(Take(calc), after);
  }
}

TEST(UndoHistory, IgnoredWhileThePanelIsOpenAndWritesNoSetting) {
  FakeHost host;
  Calculator calc(host, ",");
  UndoHistory history(calc);
  AsStep(history, [&] { Keys(calc, "12+"); });
  AsStep(history, [&] { calc.cboDecPlace_Click(2); });
  ASSERT_EQ(host.storedPlaces, std::vector<int>{2});
  calc.lstTape_Click(0);
  calc.lstTape_DblClick();
  ASSERT_TRUE(calc.Panel().visible);
  EXPECT_FALSE(history.CanUndo());
  EXPECT_FALSE(history.Undo());
  EXPECT_EQ(calc.State().NumberFormat, "#0.00");
  calc.cmdCancelChange_Click();
  ASSERT_TRUE(history.Undo());
  EXPECT_EQ(calc.State().NumberFormat, "");
  ASSERT_TRUE(history.Redo());
  EXPECT_EQ(calc.State().NumberFormat, "#0.00");
  EXPECT_EQ(host.storedPlaces, std::vector<int>{2});
}

TEST(UndoHistory, UndoneCorrectionComesBackWithThePanelClosed) {
  FakeHost host;
  Calculator calc(host, ",");
  UndoHistory history(calc);
  Type(calc, "12+3+=");
  const Picture before = Take(calc);
  calc.lstTape_Click(1);
  calc.lstTape_DblClick();
  AsStep(history, [&] {
    calc.SetChangeTo("5");
    calc.cmdSaveChange_Click();
  });
  ASSERT_NE(calc.GetTape().Text(1), before.tape[1].text);
  ASSERT_TRUE(history.Undo());
  Picture expected = before;
  expected.selected = 1;
  EXPECT_EQ(Take(calc), expected);
  EXPECT_FALSE(calc.Panel().visible);
}

TEST(UndoHistory, ClearOfAFullTapeComesBackWithItsSelection) {
  FakeHost host;
  Calculator calc(host, ",");
  FillTape(calc);
  calc.lstTape_Click(1234);
  UndoHistory history(calc);
  const Picture before = Take(calc);
  AsStep(history, [&] { calc.cmdClear_Click(); });
  ASSERT_TRUE(calc.GetTape().Empty());
  ASSERT_TRUE(history.Undo());
  EXPECT_EQ(calc.GetTape().Count(), Tape::kMaxLines);
  EXPECT_EQ(calc.GetTape().Selected(), 1234);
  EXPECT_EQ(Take(calc), before);
  // A key at the full tape trims its oldest line; undone, it is back.
  AsStep(history, [&] { Type(calc, "9+"); });
  ASSERT_TRUE(history.Undo());
  EXPECT_EQ(Take(calc), before);
}

TEST(UndoHistory, MemoryStaysWithinItsBudget) {
  FakeHost host;
  Calculator calc(host, ",");
  FillTape(calc);
  std::size_t textBytes = 0;
  for (const TapeLine& line : calc.GetTape().Lines()) textBytes += line.text.size();
  UndoHistory history(calc);
  constexpr std::size_t kClears = 40;
  for (std::size_t k = 0; k < kClears; ++k) {
    const Picture full = Take(calc);
    AsStep(history, [&] { calc.cmdClear_Click(); });
    ASSERT_LE(history.MemoryBytes(), UndoHistory::kMaxBytes);
    ASSERT_TRUE(history.Undo());
    ASSERT_EQ(Take(calc), full);
    // Redone and a new full tape typed: every clear holds a whole tape.
    ASSERT_TRUE(history.Redo());
    FillTape(calc);
  }
  EXPECT_LE(history.MemoryBytes(), UndoHistory::kMaxBytes);
  // A cleared full tape takes under 1 MiB, so many stay, but not all; the
  // budget goes to them, and not to room left over from the keys typed
  // between them.
  EXPECT_GE(history.UndoCount(), 16u);
  EXPECT_LT(history.UndoCount(), kClears);
  EXPECT_GT(history.MemoryBytes(), history.UndoCount() * textBytes);
}

// A step that another engineer's tape change makes, of a kind without an
// inverse of its own, is still undone, by the whole tape.
TEST(UndoHistory, RevertOfEveryKindPutsTheTapeBack) {
  Tape tape;
  for (const char* text : {"+ 1.", "+ 2.", "+ 3."}) tape.AddTapeLine(text);
  UndoRecords step;
  step.Open();
  tape.RecordChangesInto(&step);
  const std::vector<TapeLine> lines(tape.Lines().begin(), tape.Lines().end());
  TapeChange unknown;
  unknown.kind = static_cast<TapeChange::Kind>(200);
  unknown.before = {"a", "b"};
  tape.Revert(std::move(unknown));
  tape.RecordChangesInto(nullptr);
  EXPECT_EQ(std::vector<TapeLine>(tape.Lines().begin(), tape.Lines().end()),
            (std::vector<TapeLine>{"a", "b"}));
  // Its undo in turn is an ordinary reset holding the three lines.
  UndoReader in(step.OpenBegin());
  ASSERT_EQ(in.PeekEntry(), Tape::kUndoEntry);
  TapeChange reset;
  std::int32_t count = 0;
  Tape::ReadChange(in, reset, count);
  EXPECT_EQ(reset.kind, TapeChange::Kind::Reset);
  reset.before.resize(static_cast<std::size_t>(count));
  for (TapeLine& line : reset.before) Tape::ReadLine(in, line);
  EXPECT_EQ(in.At(), step.OpenBegin() + step.OpenSize());
  tape.Revert(std::move(reset));
  EXPECT_EQ(std::vector<TapeLine>(tape.Lines().begin(), tape.Lines().end()), lines);
}

}  // namespace
}  // namespace tally
