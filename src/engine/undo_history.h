#pragma once
// Undo and redo. A step is whatever one user action changed: the calculator's
// values and labels as they were before it (small), and the tape's own log of
// its changes, each with what undoing it needs. Undoing a step puts the tape
// back change by change, and the putting back is logged in turn: that log is
// the step that redoes it. So a key costs the same at any tape length.
// The steps live in a ring of slots that are reused, with the buffers they
// hold: a typed key allocates nothing beyond the lines its tape change keeps.

#include <cstddef>
#include <cstdint>
#include <memory>
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

  std::size_t UndoCount() const { return done_; }
  std::size_t RedoCount() const { return count_ - done_; }
  // The memory the history holds, its slots included, as counted against
  // kMaxBytes.
  std::size_t MemoryBytes() const;
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

  // Copies the calculator's values into `into`, reusing its buffers.
  void Read(Values& into) const;
  // Moves the tape's log from `from` on into `into`, leaving the journal its
  // share.
  void TakeLog(std::size_t from, std::vector<TapeChange>& into);
  // Undoes the step in `slot`, which then holds the step that undoes that.
  void Reverse(std::unique_ptr<Step>& slot);
  // Step k of the timeline, oldest first: the first done_ are undone by
  // Undo, the ones after them redone by Redo.
  std::unique_ptr<Step>& At(std::size_t k) {
    std::size_t index = first_ + k;
    if (index >= ring_.size()) index -= ring_.size();
    return ring_[index];
  }
  // The slot after the done steps, made room for.
  std::unique_ptr<Step>& NextSlot();
  void Forget(Step& slot);
  void Account(Step& slot);
  void DropOldest();
  void DropRedo();
  void Trim();

  Calculator& calc_;
  // Slots are swapped in and out whole: a step is kept without copying it.
  std::vector<std::unique_ptr<Step>> ring_;
  std::size_t first_ = 0;
  std::size_t count_ = 0;
  std::size_t done_ = 0;
  // The heap the slots hold, live or free; the slots themselves are counted
  // from the ring's size.
  std::size_t bytes_ = 0;
  std::uint64_t tapeEdits_ = 0;
  int depth_ = 0;
  std::size_t logStart_ = 0;
  // The step under way, or the one an undo makes; swapped into its slot,
  // whose old buffers come back here.
  std::unique_ptr<Step> spare_;
};

}  // namespace tally
