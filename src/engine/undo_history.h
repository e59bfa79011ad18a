#pragma once
// Undo and redo. A step is whatever one user action changed: the calculator's
// values as they were before it, each of its texts (the picture and the
// labels) as it was before the step first wrote it, and each change of the
// tape with the lines undoing it needs, as the tape writes it. Undoing a
// step puts all that back, the tape change by change, and what the undo
// overwrites makes the step that redoes it. So a key costs the same at any
// tape length.
// A step is one record of bytes, written as the step goes straight after the
// records before it (undo_records.h): a typed key's is about a hundred
// bytes, a cleared full tape's under 1 MiB.

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "engine/calculator.h"
#include "engine/undo_records.h"

namespace tally {

class UndoHistory final {
 public:
  // The steps kept at most, and the memory they may take together.
  static constexpr std::size_t kMaxSteps = 10000;
  static constexpr std::size_t kMaxBytes = std::size_t{16} << 20;

  // The history starts empty.
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

  std::size_t UndoCount() const { return undo_.Count(); }
  std::size_t RedoCount() const { return redo_.Count(); }
  // The memory the history holds, as counted against kMaxBytes.
  std::size_t MemoryBytes() const;
  // Counts the steps, undos and redos that changed the tape: a host that
  // notes it when the tape is saved knows whether it changed since.
  std::uint64_t TapeEdits() const { return tapeEdits_; }

 private:
  // What a step keeps of the calculator whole, every time: its values, the
  // memory label's visibility and the tape's selection.
  static constexpr std::size_t kValuesBytes =
      sizeof(CalculatorValues) + sizeof(bool) + sizeof(std::int32_t);
  // A step's bytes (a record) are its values, then its texts and tape
  // changes in the order they came: a text as its number and the text, a
  // tape change as the tape writes it, tagged apart.
  static_assert(Calculator::kTextCount <= Tape::kUndoEntry);
  // The lines of a change that the tape puts back whole, in a record.
  struct WholeLines {
    const std::byte* at = nullptr;
    std::int32_t count = 0;
  };

  std::byte* PokeValues(std::byte* at) const;
  // Whether the step under way, which changed nothing on the tape, changed
  // nothing at all.
  bool Unchanged();
  // A tape change of a step being undone, into undone_ and undoneWhole_.
  void ReadChange(UndoReader& in);
  // Undoes the newest step of `from` and adds the step that undoes that to
  // `to`.
  void Reverse(UndoRecords& from, UndoRecords& to);
  // The memory of both sides' steps and of the changes an undo reads,
  // without the texts it reads.
  std::size_t StepsBytes() const;
  // MemoryBytes, with the texts an undo holds counted at their most.
  std::size_t Footprint() const;
  void Trim() {
    if (Footprint() > kMaxBytes) TrimOldest();
  }
  void TrimOldest();

  Calculator& calc_;
  // The steps Undo takes back, oldest first, and the ones Redo does again,
  // the farthest first.
  UndoRecords undo_;
  UndoRecords redo_;
  std::uint64_t tapeEdits_ = 0;
  int depth_ = 0;
  // What an undo reads, kept for their buffers.
  std::array<std::string, Calculator::kTextCount> undoneTexts_;
  std::vector<TapeChange> undone_;
  // Where the lines of each change put back whole are (none for the others,
  // whose lines are in `before`).
  std::vector<WholeLines> undoneWhole_;
#ifndef NDEBUG
  // Every text as the step began: one written past BeforeWrite would be
  // lost to undo.
  std::array<std::string, Calculator::kTextCount> checkTexts_;
#endif
};

}  // namespace tally
