#include "tape/tape.h"

#include <iterator>
#include <utility>

namespace tally {
namespace {
const TapeLine kNoLine;
}

const TapeLine& Tape::Line(std::int32_t index) const {
  if (index < 0 || index >= Count()) return kNoLine;
  return lines_[static_cast<std::size_t>(index)];
}

void Tape::Select(std::int32_t index) {
  if (index < -1 || index >= Count()) return;
  SetSelected(index);
}

void Tape::SetSelected(std::int32_t index) {
  if (index == selected_) return;
  selected_ = index;
  if (observer_) observer_->SelectionChanged(index);
}

void Tape::KeepChanges(bool keep) {
  keepChanges_ = keep;
  changes_.clear();
}

void Tape::TakeChanges(std::vector<TapeChange>& into) {
  into.clear();
  into.swap(changes_);
}

void Tape::Log(TapeChange::Kind kind, std::int32_t number, const TapeLine* line) {
  if (!keepChanges_) return;
  // After a reset the whole tape is taken anyway.
  if (!changes_.empty() && changes_.back().kind == TapeChange::Kind::Reset) return;
  if (kind == TapeChange::Kind::Reset) changes_.clear();
  changes_.push_back({kind, number, line ? *line : TapeLine()});
}

void Tape::Append(TapeLine line) {
  Log(TapeChange::Kind::Append, 0, &line);
  if (observer_) observer_->BeforeAppend(Count());
  lines_.push_back(std::move(line));
  if (observer_) observer_->AfterAppend();
}

void Tape::AddTapeLine(TapeLine line) {
  Append(std::move(line));
  SetSelected(Count() - 1);
  // Direct appends may have taken the tape past its limit: all the excess
  // goes here, so the tape never grows without bound.
  const std::int32_t excess = Count() - kMaxLines;
  if (excess <= 0) return;
  Log(TapeChange::Kind::RemoveOldest, excess);
  if (observer_) observer_->BeforeRemoveOldest(excess);
  lines_.erase(lines_.begin(), lines_.begin() + excess);
  // The selection is the line just added, now at the end.
  selected_ = Count() - 1;
  if (observer_) {
    observer_->AfterRemoveOldest();
    observer_->SelectionChanged(selected_);
  }
}

void Tape::AppendDirect(TapeLine line) { Append(std::move(line)); }

void Tape::SetLine(std::int32_t index, TapeLine line) {
  if (index < 0 || index >= Count()) return;
  Log(TapeChange::Kind::SetLine, index, &line);
  lines_[static_cast<std::size_t>(index)] = std::move(line);
  if (observer_) observer_->LinesChanged(index, index);
}

void Tape::RewriteAll(std::vector<TapeLine> lines) {
  if (lines.size() != lines_.size() || lines.empty()) return;
  Log(TapeChange::Kind::Reset);
  for (std::size_t k = 0; k < lines.size(); ++k) {
    lines_[k] = std::move(lines[k]);
  }
  if (observer_) observer_->LinesChanged(0, Count() - 1);
}

void Tape::Clear() {
  Log(TapeChange::Kind::Reset);
  if (observer_) observer_->BeforeClear();
  lines_.clear();
  selected_ = -1;
  if (observer_) {
    observer_->AfterClear();
    observer_->SelectionChanged(-1);
  }
}

void Tape::Assign(std::vector<TapeLine> lines) {
  Log(TapeChange::Kind::Reset);
  if (observer_) observer_->BeforeClear();
  lines_.assign(std::make_move_iterator(lines.begin()), std::make_move_iterator(lines.end()));
  selected_ = -1;
  if (observer_) {
    observer_->AfterClear();
    observer_->SelectionChanged(-1);
  }
}

}  // namespace tally
