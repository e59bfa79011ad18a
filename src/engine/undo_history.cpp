#include "engine/undo_history.h"

#include <algorithm>
#include <utility>

namespace tally {
namespace {

// The heap a string takes beyond its own object (none while it fits inside).
std::size_t HeapOf(const std::string& text) {
  return text.capacity() > 15 ? text.capacity() + 1 : 0;
}

std::size_t HeapOf(const TapeLine& line) { return HeapOf(line.text) + HeapOf(line.note); }

// A freed slot keeps a buffer this small for the next step; a larger one,
// left by a step of many changes, goes.
constexpr std::size_t kKeptChanges = 8;

}  // namespace

UndoHistory::UndoHistory(Calculator& calc) : calc_(calc), spare_(std::make_unique<Step>()) {
  calc_.tape_.RecordUndo(true);
}

UndoHistory::~UndoHistory() { calc_.tape_.RecordUndo(false); }

void UndoHistory::Read(Values& into) const {
  into.state = calc_.State();
  into.labels = calc_.Labels();
  into.selected = calc_.GetTape().Selected();
}

void UndoHistory::BeginStep() {
  if (depth_++ > 0) return;
  Read(spare_->before);
  logStart_ = calc_.tape_.ChangeLog().size();
}

void UndoHistory::EndStep() {
  if (depth_ == 0 || --depth_ > 0) return;
  Step& step = *spare_;
  TakeLog(logStart_, step.changes);
  // Clearing a tape that was empty changes nothing either.
  const bool tapeSame =
      step.changes.empty() ||
      (calc_.GetTape().Empty() &&
       std::all_of(step.changes.begin(), step.changes.end(), [](const TapeChange& c) {
         return c.kind == TapeChange::Kind::Reset && c.before.empty();
       }));
  // The display, which most keys change, is compared first.
  if (tapeSame && step.before.labels.lblResult == calc_.Labels().lblResult &&
      step.before.state == calc_.State() && step.before.labels == calc_.Labels()) {
    step.changes.clear();
    return;
  }
  DropRedo();
  std::unique_ptr<Step>& slot = NextSlot();
  slot.swap(spare_);
  if (!slot->changes.empty()) ++tapeEdits_;
  Account(*slot);
  ++count_;
  ++done_;
  Trim();
}

bool UndoHistory::CanUndo() const { return done_ > 0 && !calc_.Panel().visible; }
bool UndoHistory::CanRedo() const { return count_ > done_ && !calc_.Panel().visible; }

bool UndoHistory::Undo() {
  if (!CanUndo() || depth_ > 0) return false;
  Reverse(At(--done_));
  Trim();
  return true;
}

bool UndoHistory::Redo() {
  if (!CanRedo() || depth_ > 0) return false;
  Reverse(At(done_++));
  Trim();
  return true;
}

void UndoHistory::Clear() {
  std::vector<std::unique_ptr<Step>>().swap(ring_);
  // A step under way keeps what it read before it began.
  if (depth_ == 0) spare_ = std::make_unique<Step>();
  spare_->bytes = 0;
  first_ = count_ = done_ = bytes_ = 0;
}

std::size_t UndoHistory::MemoryBytes() const {
  // bytes_ counts the heap of every slot, the spare one included.
  return bytes_ + (ring_.size() + 1) * sizeof(Step) +
         ring_.capacity() * sizeof(std::unique_ptr<Step>);
}

void UndoHistory::Reverse(std::unique_ptr<Step>& slot) {
  // No step is under way here, so the spare slot is free.
  Step& back = *spare_;
  Read(back.before);
  back.changes.clear();
  if (!slot->changes.empty()) ++tapeEdits_;
  Tape& tape = calc_.tape_;
  const std::size_t from = tape.ChangeLog().size();
  for (auto change = slot->changes.rbegin(); change != slot->changes.rend(); ++change) {
    tape.Revert(std::move(*change));
  }
  TakeLog(from, back.changes);
  calc_.PutBack(slot->before.state, slot->before.labels);
  tape.Select(slot->before.selected);
  Forget(*slot);
  slot.swap(spare_);
  Account(*slot);
}

void UndoHistory::TakeLog(std::size_t from, std::vector<TapeChange>& into) {
  Tape& tape = calc_.tape_;
  std::vector<TapeChange>& log = tape.ChangeLog();
  // A journal still reads what changed; what undoing needs is the history's.
  if (tape.KeepsChanges()) {
    for (std::size_t k = std::min(from, log.size()); k < log.size(); ++k) {
      TapeChange& change = into.emplace_back();
      change.kind = log[k].kind;
      change.number = log[k].number;
      if (change.kind == TapeChange::Kind::RemoveOldest) change.line = std::move(log[k].line);
      change.before = std::move(log[k].before);
    }
    return;
  }
  if (from == 0 && into.empty() && log.capacity() <= kKeptChanges) {
    // The whole log is the step's: its buffer changes hands, no change moves.
    into.swap(log);
  } else {
    for (std::size_t k = std::min(from, log.size()); k < log.size(); ++k) {
      into.push_back(std::move(log[k]));
    }
    // Changes made outside any step grew the log: its room goes too.
    if (log.capacity() > kKeptChanges) std::vector<TapeChange>().swap(log);
  }
  tape.DropChanges();
}

std::unique_ptr<UndoHistory::Step>& UndoHistory::NextSlot() {
  if (count_ == ring_.size()) {
    if (ring_.size() < kMaxSteps) {
      // The ring grows at its end, so it must start at its first slot.
      std::rotate(ring_.begin(), ring_.begin() + static_cast<std::ptrdiff_t>(first_), ring_.end());
      first_ = 0;
      if (ring_.capacity() == 0) ring_.reserve(kMaxSteps);
      ring_.push_back(std::make_unique<Step>());
    } else {
      DropOldest();
    }
  }
  return At(count_);
}

void UndoHistory::Forget(Step& slot) {
  bytes_ -= slot.bytes;
  slot.changes.clear();
  if (slot.changes.capacity() > kKeptChanges) slot.changes = {};
  slot.bytes = slot.changes.capacity() * sizeof(TapeChange);
  bytes_ += slot.bytes;
}

void UndoHistory::Account(Step& slot) {
  bytes_ -= slot.bytes;
  std::size_t bytes =
      HeapOf(slot.before.state.NumberFormat) + HeapOf(slot.before.labels.lblResult) +
      HeapOf(slot.before.labels.lblOperator) + HeapOf(slot.before.labels.lblGrandTotal) +
      slot.changes.capacity() * sizeof(TapeChange);
  for (const TapeChange& change : slot.changes) {
    bytes += HeapOf(change.line) + change.before.capacity() * sizeof(TapeLine);
    for (const TapeLine& line : change.before) bytes += HeapOf(line);
  }
  slot.bytes = bytes;
  bytes_ += bytes;
}

void UndoHistory::DropOldest() {
  Forget(*At(0));
  first_ = first_ + 1 == ring_.size() ? 0 : first_ + 1;
  --count_;
  --done_;
}

void UndoHistory::DropRedo() {
  for (std::size_t k = done_; k < count_; ++k) Forget(*At(k));
  count_ = done_;
}

void UndoHistory::Trim() {
  // The oldest steps go first; the newest one always stays.
  // (The step limit is kept by NextSlot, which reuses the oldest slot.)
  while (MemoryBytes() > kMaxBytes && count_ > 1) {
    if (done_ > 0) {
      DropOldest();
    } else {
      Forget(*At(count_ - 1));
      --count_;
    }
  }
}

}  // namespace tally
