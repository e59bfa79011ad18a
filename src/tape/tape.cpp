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

// A line in an undo step is its text, then a byte of these flags, then its
// note if it has one: most have none.
constexpr std::uint8_t kClosesWithoutAdding = 1;
constexpr std::uint8_t kHasNote = 2;

std::size_t UndoLineBytes(const TapeLine& line) {
  const std::size_t flags = sizeof(std::uint8_t);
  return UndoBytes::TextBytes(line.text) + flags +
         (line.note.empty() ? 0 : UndoBytes::TextBytes(line.note));
}

std::byte* PokeUndoLine(std::byte* at, const TapeLine& line) {
  const std::uint8_t flags =
      (line.closesWithoutAdding ? kClosesWithoutAdding : 0) | (line.note.empty() ? 0 : kHasNote);
  at = UndoBytes::Poke(UndoBytes::Poke(at, line.text), flags);
  return (flags & kHasNote) ? UndoBytes::Poke(at, line.note) : at;
}
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

void Tape::RecordUndoLines(TapeChange::Kind kind, std::int32_t number) {
  std::int32_t first = 0;
  std::int32_t count = 0;
  switch (kind) {
    case TapeChange::Kind::SetLine:
    case TapeChange::Kind::SetNote:
    case TapeChange::Kind::Remove:
      first = number;
      count = 1;
      break;
    case TapeChange::Kind::RemoveLast:
      first = std::max(0, Count() - 1);
      count = std::min(1, Count());
      break;
    case TapeChange::Kind::RemoveOldest: count = number; break;
    // A reset, or a change without an inverse of its own: the whole tape.
    default: count = Count(); break;
  }
  PutUndoHead(kind, number, count);
  if (count == 1) {
    RecordUndoLine(lines_[static_cast<std::size_t>(first)]);
    return;
  }
  // Room for every line at once: a whole tape grows the step past its
  // chunk once, not at every doubling of its buffer.
  const auto begin = lines_.begin() + first;
  const auto end = begin + count;
  std::size_t bytes = 0;
  for (auto line = begin; line != end; ++line) bytes += UndoLineBytes(*line);
  std::byte* at = undoStep_->Room(bytes);
  for (auto line = begin; line != end; ++line) at = PokeUndoLine(at, *line);
  undoStep_->Commit(at);
}

void Tape::RecordUndoLine(const TapeLine& line) {
  if (!line.note.empty()) {
    undoStep_->Commit(PokeUndoLine(undoStep_->Room(UndoLineBytes(line)), line));
    return;
  }
  // The line a full tape trims at every key, as a rule without a note.
  const std::uint8_t flags = line.closesWithoutAdding ? kClosesWithoutAdding : 0;
  std::byte* at = undoStep_->Room(UndoBytes::TextBytes(line.text) + sizeof flags);
  undoStep_->Commit(UndoBytes::Poke(UndoBytes::Poke(at, line.text), flags));
}

void Tape::ReadChange(UndoReader& in, TapeChange& change, std::int32_t& lines) {
  const auto head = in.Get<UndoHead>();
  change.kind = head.kind;
  change.number = head.number;
  lines = head.lines;
}

void Tape::ReadLine(UndoReader& in, TapeLine& line) {
  in.Get(line.text);
  const auto flags = in.Get<std::uint8_t>();
  line.closesWithoutAdding = (flags & kClosesWithoutAdding) != 0;
  if (flags & kHasNote) {
    in.Get(line.note);
  } else {
    line.note.clear();
  }
}

void Tape::SkipChange(UndoReader& in) { SkipLines(in, in.Get<UndoHead>().lines); }

void Tape::SkipLines(UndoReader& in, std::int32_t count) {
  for (std::int32_t k = 0; k < count; ++k) {
    in.SkipText();
    if (in.Get<std::uint8_t>() & kHasNote) in.SkipText();
  }
}

void Tape::Journal(TapeChange::Kind kind, std::int32_t number, const TapeLine* line) {
  // After a reset the whole tape is taken anyway.
  if (!changes_.empty() && changes_.back().kind == TapeChange::Kind::Reset) return;
  if (kind == TapeChange::Kind::Reset) changes_.clear();
  TapeChange& change = changes_.emplace_back();
  change.kind = kind;
  change.number = number;
  if (line) change.line = *line;
}

bool Tape::RevertsWhole(TapeChange::Kind kind) {
  switch (kind) {
    case TapeChange::Kind::Append:
    case TapeChange::Kind::RemoveLast:
    case TapeChange::Kind::RemoveOldest:
    case TapeChange::Kind::InsertOldest:
    case TapeChange::Kind::SetLine:
    case TapeChange::Kind::Insert:
    case TapeChange::Kind::Remove:
    case TapeChange::Kind::SetNote: return false;
    case TapeChange::Kind::Reset:
    default: return true;
  }
}

void Tape::Revert(TapeChange&& change) {
  if (RevertsWhole(change.kind)) {
    Assign(std::move(change.before));
    return;
  }
  switch (change.kind) {
    case TapeChange::Kind::Append: RemoveLast(); break;
    case TapeChange::Kind::RemoveLast:
      if (!change.before.empty()) AppendDirect(std::move(change.before.front()));
      break;
    case TapeChange::Kind::RemoveOldest: InsertOldest(std::move(change.before)); break;
    case TapeChange::Kind::InsertOldest: RemoveOldest(change.number); break;
    case TapeChange::Kind::SetLine:
      if (!change.before.empty()) SetLine(change.number, std::move(change.before.front()));
      break;
    case TapeChange::Kind::Insert: RemoveLine(change.number); break;
    case TapeChange::Kind::Remove:
      if (!change.before.empty()) InsertLine(change.number, std::move(change.before.front()));
      break;
    case TapeChange::Kind::SetNote:
      if (!change.before.empty()) SetNote(change.number, std::move(change.before.front().note));
      break;
    default: break;
  }
}

void Tape::AssignWhole(std::deque<TapeLine>&& lines) {
  // Filling an empty tape is a change its reset does not count.
  if (undoStep_ && Empty() && !lines.empty()) ++undoChanges_;
  Log(TapeChange::Kind::Reset);
  if (observer_) observer_->BeforeClear();
  lines_.swap(lines);
  selected_ = -1;
  RecountItems();
  if (observer_) {
    observer_->AfterClear();
    observer_->SelectionChanged(-1);
  }
}

void Tape::RemoveLast() {
  if (Empty()) return;
  Log(TapeChange::Kind::RemoveLast);
  if (observer_) observer_->BeforeRemoveLast();
  lines_.pop_back();
  RecountItems();
  if (selected_ >= Count()) selected_ = -1;
  if (observer_) {
    observer_->AfterRemoveLast();
    observer_->SelectionChanged(selected_);
  }
}

void Tape::InsertOldest(std::vector<TapeLine> lines) {
  if (lines.empty()) return;
  const auto count = static_cast<std::int32_t>(lines.size());
  Log(TapeChange::Kind::InsertOldest, count);
  if (observer_) observer_->BeforeInsertOldest(count);
  lines_.insert(lines_.begin(), std::make_move_iterator(lines.begin()),
                std::make_move_iterator(lines.end()));
  RecountItems();
  if (selected_ >= 0) selected_ += count;
  if (observer_) {
    observer_->AfterInsertOldest();
    observer_->SelectionChanged(selected_);
  }
}

void Tape::RemoveOldest(std::int32_t count) {
  count = std::min(count, Count());
  if (count <= 0) return;
  Log(TapeChange::Kind::RemoveOldest, count);
  if (observer_) observer_->BeforeRemoveOldest(count);
  // Items among the lines trimmed are no longer on the tape.
  for (std::int32_t k = itemsFrom_; k < count; ++k) {
    if (IsOperand(KindOf(lines_[static_cast<std::size_t>(k)]))) --items_;
  }
  itemsFrom_ = std::max(0, itemsFrom_ - count);
  lines_.erase(lines_.begin(), lines_.begin() + count);
  // The selection stays on its line, or goes with it.
  selected_ = selected_ < count ? -1 : selected_ - count;
  if (observer_) {
    observer_->AfterRemoveOldest();
    observer_->SelectionChanged(selected_);
  }
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
  // The selection, the line just added, stays at the end.
  RemoveOldest(Count() - kMaxLines);
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
    items_ +=
        static_cast<std::int32_t>(IsOperand(after)) - static_cast<std::int32_t>(IsOperand(before));
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
  if (lines_[static_cast<std::size_t>(index)].note == note) return;
  // Logged before the change, so that undo keeps the old note.
  TapeLine changed = lines_[static_cast<std::size_t>(index)];
  changed.note = std::move(note);
  Log(TapeChange::Kind::SetNote, index, &changed);
  lines_[static_cast<std::size_t>(index)] = std::move(changed);
  if (observer_) observer_->LinesChanged(index, index);
}

void Tape::RewriteAll(std::vector<TapeLine> lines) {
  if (lines.size() != lines_.size() || lines.empty()) return;
  Log(TapeChange::Kind::Reset);
  for (std::size_t k = 0; k < lines.size(); ++k) lines_[k] = std::move(lines[k]);
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
  AssignWhole(
      std::deque<TapeLine>(std::make_move_iterator(lines.begin()), std::make_move_iterator(lines.end())));
}

}  // namespace tally
