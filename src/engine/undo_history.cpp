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

}  // namespace

UndoHistory::UndoHistory(Calculator& calc) : calc_(calc) { calc_.tape_.RecordUndo(true); }

UndoHistory::~UndoHistory() { calc_.tape_.RecordUndo(false); }

UndoHistory::Values UndoHistory::Current() const {
  return {calc_.State(), calc_.Labels(), calc_.GetTape().Selected()};
}

void UndoHistory::BeginStep() {
  if (depth_++ > 0) return;
  before_ = Current();
  logStart_ = calc_.tape_.ChangeLog().size();
}

void UndoHistory::EndStep() {
  if (depth_ == 0 || --depth_ > 0) return;
  Step step;
  step.before = std::move(before_);
  TakeLog(logStart_, step.changes);
  // Clearing a tape that was empty changes nothing either.
  const bool tapeSame =
      step.changes.empty() ||
      (calc_.GetTape().Empty() && std::all_of(step.changes.begin(), step.changes.end(), [](const TapeChange& c) {
        return c.kind == TapeChange::Kind::Reset && c.before.empty();
      }));
  if (tapeSame && step.before.state == calc_.State() && step.before.labels == calc_.Labels()) {
    return;
  }
  DropRedo();
  if (!step.changes.empty()) ++tapeEdits_;
  step.bytes = Measure(step);
  Push(undo_, std::move(step));
}

bool UndoHistory::CanUndo() const { return !undo_.empty() && !calc_.Panel().visible; }
bool UndoHistory::CanRedo() const { return !redo_.empty() && !calc_.Panel().visible; }

bool UndoHistory::Undo() {
  if (!CanUndo() || depth_ > 0) return false;
  Step step = std::move(undo_.back());
  undo_.pop_back();
  bytes_ -= step.bytes;
  Push(redo_, Reverse(std::move(step)));
  return true;
}

bool UndoHistory::Redo() {
  if (!CanRedo() || depth_ > 0) return false;
  Step step = std::move(redo_.back());
  redo_.pop_back();
  bytes_ -= step.bytes;
  Push(undo_, Reverse(std::move(step)));
  return true;
}

void UndoHistory::Clear() {
  undo_.clear();
  redo_.clear();
  bytes_ = 0;
}

UndoHistory::Step UndoHistory::Reverse(Step step) {
  Step back;
  back.before = Current();
  if (!step.changes.empty()) ++tapeEdits_;
  Tape& tape = calc_.tape_;
  const std::size_t from = tape.ChangeLog().size();
  for (auto change = step.changes.rbegin(); change != step.changes.rend(); ++change) {
    tape.Revert(std::move(*change));
  }
  TakeLog(from, back.changes);
  calc_.PutBack(step.before.state, step.before.labels);
  tape.Select(step.before.selected);
  back.bytes = Measure(back);
  return back;
}

void UndoHistory::TakeLog(std::size_t from, std::vector<TapeChange>& into) {
  Tape& tape = calc_.tape_;
  std::vector<TapeChange>& log = tape.ChangeLog();
  // A journal still reads what changed; what undoing needs is the history's.
  const bool journal = tape.KeepsChanges();
  for (std::size_t k = std::min(from, log.size()); k < log.size(); ++k) {
    if (journal) {
      TapeChange& change = into.emplace_back();
      change.kind = log[k].kind;
      change.number = log[k].number;
      change.line = log[k].line;
      change.before = std::move(log[k].before);
    } else {
      into.push_back(std::move(log[k]));
    }
  }
  if (!journal) tape.DropChanges();
}

void UndoHistory::Push(std::deque<Step>& stack, Step step) {
  bytes_ += step.bytes;
  stack.push_back(std::move(step));
  Trim();
}

void UndoHistory::DropRedo() {
  for (const Step& step : redo_) bytes_ -= step.bytes;
  redo_.clear();
}

void UndoHistory::Trim() {
  // The oldest steps go first; the newest one always stays.
  while ((bytes_ > kMaxBytes || undo_.size() + redo_.size() > kMaxSteps) &&
         undo_.size() + redo_.size() > 1) {
    std::deque<Step>& stack = undo_.empty() ? redo_ : undo_;
    bytes_ -= stack.front().bytes;
    stack.pop_front();
  }
}

std::size_t UndoHistory::Measure(const Step& step) {
  std::size_t bytes = sizeof(Step) + HeapOf(step.before.state.NumberFormat) +
                      HeapOf(step.before.labels.lblResult) +
                      HeapOf(step.before.labels.lblOperator) +
                      HeapOf(step.before.labels.lblGrandTotal) +
                      step.changes.capacity() * sizeof(TapeChange);
  for (const TapeChange& change : step.changes) {
    bytes += HeapOf(change.line) + change.before.capacity() * sizeof(TapeLine);
    for (const TapeLine& line : change.before) bytes += HeapOf(line);
  }
  return bytes;
}

}  // namespace tally
