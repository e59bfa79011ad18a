#include "tape/tape.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace tally {
namespace {
const TapeLine kNoLine;

bool ClosesCalculation(TapeLineKind kind) {
  return kind == TapeLineKind::Separator || IsGrandTotal(kind);
}

TapeLineKind KindOf(const TapeLine& line) { return ClassifyTapeLine(line.text).kind; }
}  // namespace

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

void Tape::RecountItems() {
  items_ = 0;
  std::int32_t from = Count();
  for (; from > 0; --from) {
    const TapeLineKind kind = KindOf(lines_[static_cast<std::size_t>(from - 1)]);
    if (ClosesCalculation(kind)) break;
    if (IsOperand(kind)) ++items_;
  }
  itemsFrom_ = from;
}

void Tape::Append(TapeLine line) {
  Log(TapeChange::Kind::Append, 0, &line);
  const TapeLineKind kind = KindOf(line);
  if (observer_) observer_->BeforeAppend(Count());
  lines_.push_back(std::move(line));
  if (ClosesCalculation(kind)) {
    items_ = 0;
    itemsFrom_ = Count();
  } else if (IsOperand(kind)) {
    ++items_;
  }
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
  // Items among the lines trimmed are no longer on the tape.
  for (std::int32_t k = itemsFrom_; k < excess; ++k) {
    if (IsOperand(KindOf(lines_[static_cast<std::size_t>(k)]))) --items_;
  }
  itemsFrom_ = std::max(0, itemsFrom_ - excess);
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
  TapeLine& old = lines_[static_cast<std::size_t>(index)];
  const TapeLineKind before = KindOf(old);
  const TapeLineKind after = KindOf(line);
  old = std::move(line);
  if (ClosesCalculation(before) || ClosesCalculation(after)) {
    RecountItems();
  } else if (index >= itemsFrom_) {
    items_ += static_cast<std::int32_t>(IsOperand(after)) - static_cast<std::int32_t>(IsOperand(before));
  }
  if (observer_) observer_->LinesChanged(index, index);
}

void Tape::InsertLine(std::int32_t index, TapeLine line) {
  if (index < 0 || index > Count()) return;
  Log(TapeChange::Kind::Insert, index, &line);
  if (observer_) observer_->BeforeInsert(index);
  lines_.insert(lines_.begin() + index, std::move(line));
  RecountItems();
  // The selection moves down with its line, then goes to the new line.
  if (selected_ >= index) ++selected_;
  if (observer_) observer_->AfterInsert();
  SetSelected(index);
}

void Tape::RemoveLine(std::int32_t index) {
  if (index < 0 || index >= Count()) return;
  Log(TapeChange::Kind::Remove, index, &lines_[static_cast<std::size_t>(index)]);
  if (observer_) observer_->BeforeRemove(index);
  lines_.erase(lines_.begin() + index);
  RecountItems();
  const std::int32_t wasSelected = selected_;
  if (selected_ > index) --selected_;
  if (selected_ >= Count()) selected_ = Count() - 1;
  if (observer_) observer_->AfterRemove();
  if (wasSelected == index || selected_ != wasSelected) {
    if (observer_) observer_->SelectionChanged(selected_);
  }
}

void Tape::SetNote(std::int32_t index, std::string note) {
  if (index < 0 || index >= Count()) return;
  TapeLine& line = lines_[static_cast<std::size_t>(index)];
  if (line.note == note) return;
  line.note = std::move(note);
  Log(TapeChange::Kind::SetNote, index, &line);
  if (observer_) observer_->LinesChanged(index, index);
}

void Tape::RewriteAll(std::vector<TapeLine> lines) {
  if (lines.size() != lines_.size() || lines.empty()) return;
  Log(TapeChange::Kind::Reset);
  for (std::size_t k = 0; k < lines.size(); ++k) {
    lines_[k] = std::move(lines[k]);
  }
  RecountItems();
  if (observer_) observer_->LinesChanged(0, Count() - 1);
}

void Tape::Clear() {
  Log(TapeChange::Kind::Reset);
  if (observer_) observer_->BeforeClear();
  lines_.clear();
  selected_ = -1;
  items_ = 0;
  itemsFrom_ = 0;
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
  RecountItems();
  if (observer_) {
    observer_->AfterClear();
    observer_->SelectionChanged(-1);
  }
}

}  // namespace tally
