#pragma once
// Undo and redo. A step is whatever one user action changed: the calculator's
// values and labels as they were before it (small), and the tape's own log of
// its changes, each with what undoing it needs. Undoing a step puts the tape
// back change by change, and the putting back is logged in turn: that log is
// the step that redoes it. So a key costs the same at any tape length.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

#include "engine/calculator.h"

namespace tally {

class UndoHistory {
 public:
  // The steps kept at most, and the memory they may take together.
  static constexpr std::size_t kMaxSteps = 10000;
  static constexpr std::size_t kMaxBytes = std::size_t{16} << 20;

  // Starts recording the tape's changes; the history starts empty.
  explicit UndoHistory(Calculator& calc);
  ~UndoHistory();
  UndoHistory(const UndoHistory&) = delete;
  UndoHistory& operator=(const UndoHistory&) = delete;

  // Around each user action. Steps nest: only the outermost one counts. A
  // step that changed nothing but the tape's selection is not kept; one
  // that did drops whatever could be redone.
  void BeginStep();
  void EndStep();

  // Ignored (false) with nothing to undo or redo, or while the edit panel
  // is open. Nothing is stored as a setting.
  bool Undo();
  bool Redo();
  bool CanUndo() const;
  bool CanRedo() const;

  // Forgets every step (a kept session put back starts afresh).
  void Clear();

  std::size_t UndoCount() const { return undo_.size(); }
  std::size_t RedoCount() const { return redo_.size(); }
  // The memory the steps hold, as counted against kMaxBytes.
  std::size_t MemoryBytes() const { return bytes_; }
  // Counts the steps, undos and redos that changed the tape: a host that
  // notes it when the tape is saved knows whether it changed since.
  std::uint64_t TapeEdits() const { return tapeEdits_; }

 private:
  struct Values {
    CalculatorState state;
    DisplayTexts labels;
    std::int32_t selected = -1;
  };
  struct Step {
    Values before;
    std::vector<TapeChange> changes;
    std::size_t bytes = 0;
  };

  Values Current() const;
  // Moves the tape's log from `from` on into `into`, leaving the journal its
  // share.
  void TakeLog(std::size_t from, std::vector<TapeChange>& into);
  // Undoes `step` and returns the step that undoes that.
  Step Reverse(Step step);
  void Push(std::deque<Step>& stack, Step step);
  void DropRedo();
  void Trim();
  static std::size_t Measure(const Step& step);

  Calculator& calc_;
  std::deque<Step> undo_;
  std::deque<Step> redo_;
  std::size_t bytes_ = 0;
  std::uint64_t tapeEdits_ = 0;
  int depth_ = 0;
  Values before_;
  std::size_t logStart_ = 0;
};

}  // namespace tally
