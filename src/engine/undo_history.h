#pragma once
// Undo and redo. A step is whatever one user action changed: the calculator's
// values as they were before it, each of its texts (the picture and the
// labels) as it was before the step first wrote it, and each change of the
// tape with the lines undoing it needs, as the tape tells of it. Undoing a
// step puts all that back, the tape change by change, and what the undo
// overwrites makes the step that redoes it. So a key costs the same at any
// tape length.
// A step is one record of bytes, written as the step goes: a typed key's is
// about a hundred bytes, a cleared full tape's under 1 MiB. The records live
// in a ring of slots reused with their buffers, so a typed key allocates
// nothing once the ring has filled.

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "engine/calculator.h"

namespace tally {

class UndoHistory final : private TextRecorder, private TapeUndoSink {
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
  static constexpr std::size_t kKeptBytes = 1024;
  // What a step keeps of the calculator whole, every time.
  struct Values {
    CalculatorValues state;
    bool memoryVisible = false;
    std::int32_t selected = -1;
  };
  // A step's bytes: its values, then its texts and tape changes in the order
  // they came. The buffer is kept from step to step and never filled in
  // advance.
  // Reads a record back.
  class Reader;
  // The lines of a change that the tape puts back whole, in a record.
  struct WholeLines {
    const std::byte* at = nullptr;
    std::int32_t count = 0;
  };
  struct Record {
    std::unique_ptr<std::byte[]> data;
    std::uint32_t size = 0;
    std::uint32_t capacity = 0;
  };

  Values Read() const;
  void BeforeTextWrite(int text, const std::string& value) override;
  void TapeChanging(TapeChange::Kind kind, std::int32_t number, const std::deque<TapeLine>& lines,
                    std::int32_t first, std::int32_t count) override;
  // Room for `bytes` more at the record's end, for the caller to fill.
  std::byte* Claim(Record& record, std::size_t bytes) {
    if (record.size + bytes > record.capacity) [[unlikely]] {
      Enlarge(record, bytes);
    }
    std::byte* at = record.data.get() + record.size;
    record.size += static_cast<std::uint32_t>(bytes);
    return at;
  }
  void Enlarge(Record& record, std::size_t more);
  void PutLines(const std::deque<TapeLine>& lines, std::int32_t first, std::int32_t count);
  // Whether the step under way, which told of no tape change but empty
  // resets, changed nothing.
  bool Unchanged();
  // Undoes the step in `slot`, which then holds the step that undoes that.
  void Reverse(Record& slot);
  // Step k of the timeline, oldest first: the first done_ are undone by
  // Undo, the ones after them redone by Redo.
  Record& At(std::size_t k) {
    std::size_t index = first_ + k;
    if (index >= ring_.size()) index -= ring_.size();
    return ring_[index];
  }
  // Adds a slot at the ring's end.
  void Grow();
  // A freed slot keeps a small buffer for the next step; a large one, left
  // by a step of many lines, goes.
  void Forget(Record& record) {
    record.size = 0;
    if (record.capacity > kKeptBytes) Release(record);
  }
  void Release(Record& record);
  void DropOldest() {
    Forget(ring_[first_]);
    if (++first_ == ring_.size()) first_ = 0;
    --count_;
    --done_;
  }
  void DropRedo();
  // MemoryBytes, with the texts an undo holds counted at their most.
  std::size_t Footprint() const;
  void Trim() {
    if (Footprint() > kMaxBytes) TrimOldest();
  }
  void TrimOldest();

  Calculator& calc_;
  // One slot more than the steps kept, so that a free one follows the last.
  std::vector<Record> ring_;
  std::size_t first_ = 0;
  std::size_t count_ = 0;
  std::size_t done_ = 0;
  // The records' buffers, pending_'s included.
  std::size_t bytes_ = 0;
  std::uint64_t tapeEdits_ = 0;
  int depth_ = 0;
  // The values as the step under way began.
  Values begun_;
  // While a step or an undo writes pending_: what the tape told of.
  bool recording_ = false;
  bool tapeTold_ = false;
  bool onlyEmptyResets_ = true;
  // The step under way, written as it goes; swapped into its slot when it
  // changed something. An undo writes the step that redoes it here too.
  Record pending_;
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
