#include "engine/undo_history.h"

#include <cassert>
#include <cstring>
#include <type_traits>
#include <utility>

namespace tally {
namespace {

// The texts an undo reads are let go past this length.
constexpr std::size_t kKeptText = 64;
// An entry of a record is a text's number (below kTextCount) and the text,
// or this tag and a tape change.
constexpr std::uint8_t kTapeEntry = 0x10;
struct ChangeHead {
  std::uint8_t entry;
  TapeChange::Kind kind;
  std::int32_t number;
  std::int32_t lines;
};

using Bytes = UndoBytes;

std::size_t LineBytes(const TapeLine& line) {
  return Bytes::TextBytes(line.text) + sizeof line.closesWithoutAdding +
         Bytes::TextBytes(line.note);
}

std::byte* Poke(std::byte* at, const TapeLine& line) {
  at = Bytes::Poke(at, line.text);
  at = Bytes::Poke(at, line.closesWithoutAdding);
  return Bytes::Poke(at, line.note);
}

std::size_t HeapOf(const std::string& text) {
  return text.capacity() > 15 ? text.capacity() + 1 : 0;
}

}  // namespace

class UndoHistory::Reader {
 public:
  explicit Reader(const std::byte* at) : at_(at) {}
  template <typename T>
  T Get() {
    static_assert(std::is_trivially_copyable_v<T>);
    T value;
    std::memcpy(&value, at_, sizeof value);
    at_ += sizeof value;
    return value;
  }
  void Get(std::string& text) {
    const auto size = Get<std::uint32_t>();
    text.assign(reinterpret_cast<const char*>(at_), size);
    at_ += size;
  }
  // A text written for the step compared with the text now.
  bool Same(const std::string& now) {
    const auto size = Get<std::uint32_t>();
    const bool same = size == now.size() && std::memcmp(at_, now.data(), size) == 0;
    at_ += size;
    return same;
  }
  void Get(TapeLine& line) {
    Get(line.text);
    line.closesWithoutAdding = Get<bool>();
    Get(line.note);
  }
  // After the entry's first byte. The lines of a change the tape puts back
  // whole are skipped, and where they are is kept in `whole`.
  void Get(TapeChange& change, WholeLines& whole) {
    at_ -= sizeof(std::uint8_t);
    const auto head = Get<ChangeHead>();
    change.kind = head.kind;
    change.number = head.number;
    whole = {};
    if (Tape::RevertsWhole(head.kind)) {
      whole = {at_, head.lines};
      for (std::int32_t k = 0; k < head.lines; ++k) SkipLine();
      return;
    }
    change.before.resize(static_cast<std::size_t>(head.lines));
    for (TapeLine& line : change.before) Get(line);
  }
  void Get(std::int32_t count, std::deque<TapeLine>& lines) {
    lines.resize(static_cast<std::size_t>(count));
    for (TapeLine& line : lines) Get(line);
  }
  // Past a line: its text, its flag and its note.
  void SkipLine() {
    const auto text = Get<std::uint32_t>();
    at_ += text + sizeof(bool);
    const auto note = Get<std::uint32_t>();
    at_ += note;
  }
  const std::byte* At() const { return at_; }

 private:
  const std::byte* at_;
};

UndoHistory::UndoHistory(Calculator& calc) : calc_(calc) { calc_.tape_.SetUndoSink(this); }

UndoHistory::~UndoHistory() {
  calc_.RecordTextsInto(nullptr);
  calc_.tape_.SetUndoSink(nullptr);
}

std::byte* UndoHistory::PokeValues(std::byte* at) const {
  at = Bytes::Poke(at, static_cast<const CalculatorValues&>(calc_.s_));
  at = Bytes::Poke(at, calc_.labels_.lblMemoryVisible);
  return Bytes::Poke(at, calc_.tape_.Selected());
}

void UndoHistory::TapeChanging(TapeChange::Kind kind, std::int32_t number,
                               const std::deque<TapeLine>& lines, std::int32_t first,
                               std::int32_t count) {
  // Changes made outside any step are not undone.
  if (!recording_) return;
  tapeTold_ = true;
  if (kind != TapeChange::Kind::Reset || count > 0) onlyEmptyResets_ = false;
  const ChangeHead head{kTapeEntry, kind, number, count};
  if (count == 1) {
    // A full tape's trim (its first line, found without the list's
    // arithmetic), a rewritten or removed line.
    const TapeLine& line = first == 0 ? lines.front() : lines[static_cast<std::size_t>(first)];
    std::byte* at = writing_->Room(sizeof head + LineBytes(line));
    writing_->Commit(Poke(Bytes::Poke(at, head), line));
  } else {
    writing_->Commit(Bytes::Poke(writing_->Room(sizeof head), head));
    if (count > 1) PutLines(lines, first, count);
  }
}

void UndoHistory::PutLines(const std::deque<TapeLine>& lines, std::int32_t first,
                           std::int32_t count) {
  const auto begin = lines.begin() + first;
  const auto end = begin + count;
  std::size_t bytes = 0;
  for (auto line = begin; line != end; ++line) bytes += LineBytes(*line);
  std::byte* at = writing_->Room(bytes);
  for (auto line = begin; line != end; ++line) at = Poke(at, *line);
  writing_->Commit(at);
}

void UndoHistory::BeginStep() {
  if (depth_++ > 0) return;
  // The values go first in the record.
  undo_.Open();
  undo_.Commit(PokeValues(undo_.Room(kValuesBytes)));
  calc_.RecordTextsInto(&undo_);
  writing_ = &undo_;
  recording_ = true;
  tapeTold_ = false;
  onlyEmptyResets_ = true;
#ifndef NDEBUG
  for (int k = 0; k < Calculator::kTextCount; ++k) checkTexts_[k] = calc_.TextAt(k);
#endif
}

void UndoHistory::EndStep() {
  if (depth_ == 0 || --depth_ > 0) return;
#ifndef NDEBUG
  for (int k = 0; k < Calculator::kTextCount; ++k) {
    assert((calc_.TextsWritten() >> k & 1) != 0 || calc_.TextAt(k) == checkTexts_[k]);
  }
#endif
  calc_.RecordTextsInto(nullptr);
  recording_ = false;
  // Clearing a tape that was empty changes nothing either.
  if ((!tapeTold_ || (onlyEmptyResets_ && calc_.tape_.Empty())) && Unchanged()) {
    undo_.Abandon();
    return;
  }
  if (tapeTold_) ++tapeEdits_;
  if (!redo_.Empty()) redo_.Clear();
  undo_.Close();
  if (undo_.Count() > kMaxSteps) undo_.DropOldest();
  Trim();
}

bool UndoHistory::Unchanged() {
  // The texts first: most keys change the display.
  Reader in(undo_.OpenBegin() + kValuesBytes);
  const std::byte* end = undo_.OpenBegin() + undo_.OpenSize();
  while (in.At() != end) {
    const auto entry = in.Get<std::uint8_t>();
    if (entry == kTapeEntry) {
      // An empty reset (the only change told of here).
      TapeChange reset;
      WholeLines lines;
      in.Get(reset, lines);
    } else if (!in.Same(calc_.TextAt(entry))) {
      return false;
    }
  }
  Reader values(undo_.OpenBegin());
  return values.Get<CalculatorValues>() == calc_.s_ &&
         values.Get<bool>() == calc_.labels_.lblMemoryVisible;
}

bool UndoHistory::CanUndo() const { return !undo_.Empty() && !calc_.Panel().visible; }
bool UndoHistory::CanRedo() const { return !redo_.Empty() && !calc_.Panel().visible; }

bool UndoHistory::Undo() {
  if (!CanUndo() || depth_ > 0) return false;
  Reverse(undo_, redo_);
  Trim();
  return true;
}

bool UndoHistory::Redo() {
  if (!CanRedo() || depth_ > 0) return false;
  Reverse(redo_, undo_);
  Trim();
  return true;
}

void UndoHistory::Clear() {
  if (depth_ == 0) {
    undo_.Clear();
    redo_.Clear();
    return;
  }
  // A step under way keeps what it wrote so far.
  const std::vector<std::byte> open(undo_.OpenBegin(), undo_.OpenBegin() + undo_.OpenSize());
  undo_.Clear();
  redo_.Clear();
  undo_.Open();
  std::byte* at = undo_.Room(open.size());
  std::memcpy(at, open.data(), open.size());
  undo_.Commit(at + open.size());
}

std::size_t UndoHistory::MemoryBytes() const {
  std::size_t bytes = undo_.Bytes() + redo_.Bytes() + undone_.capacity() * sizeof(TapeChange);
  for (const std::string& text : undoneTexts_) bytes += HeapOf(text);
  return bytes;
}

std::size_t UndoHistory::Footprint() const {
  return undo_.Bytes() + redo_.Bytes() + undone_.capacity() * sizeof(TapeChange) +
         undoneTexts_.size() * (kKeptText + 1);
}

void UndoHistory::Reverse(UndoRecords& from, UndoRecords& to) {
  const UndoRecords::Span step = from.Newest();
  Reader in(step.begin);
  const std::byte* end = step.begin + step.size;
  const auto state = in.Get<CalculatorValues>();
  const auto memoryVisible = in.Get<bool>();
  const auto selected = in.Get<std::int32_t>();
  // What redoes it: the values and texts as they are now, and the tape's
  // changes as it is put back.
  to.Open();
  to.Commit(PokeValues(to.Room(kValuesBytes)));
  std::uint8_t texts = 0;
  while (in.At() != end) {
    const auto entry = in.Get<std::uint8_t>();
    if (entry == kTapeEntry) {
      in.Get(undone_.emplace_back(), undoneWhole_.emplace_back());
    } else {
      in.Get(undoneTexts_[entry]);
      texts |= static_cast<std::uint8_t>(1U << entry);
      to.PutText(entry, calc_.TextAt(entry));
    }
  }
  if (!undone_.empty()) ++tapeEdits_;

  writing_ = &to;
  recording_ = true;
  Tape& tape = calc_.tape_;
  for (std::size_t k = undone_.size(); k-- > 0;) {
    if (undoneWhole_[k].at == nullptr) {
      tape.Revert(std::move(undone_[k]));
      continue;
    }
    // A whole tape is read straight into the tape's own kind of list.
    std::deque<TapeLine> lines;
    Reader(undoneWhole_[k].at).Get(undoneWhole_[k].count, lines);
    tape.AssignWhole(std::move(lines));
  }
  recording_ = false;
  writing_ = &undo_;
  undone_.clear();
  undoneWhole_.clear();
  if (undone_.capacity() > 8) std::vector<TapeChange>().swap(undone_);

  static_cast<CalculatorValues&>(calc_.s_) = state;
  calc_.labels_.lblMemoryVisible = memoryVisible;
  for (int k = 0; k < Calculator::kTextCount; ++k) {
    if ((texts >> k & 1) == 0) continue;
    calc_.TextAt(k).swap(undoneTexts_[k]);
    if (undoneTexts_[k].capacity() > kKeptText) std::string().swap(undoneTexts_[k]);
  }
  calc_.AfterPutBack();
  tape.Select(selected);
  to.Close();
  from.DropNewest();
}

void UndoHistory::TrimOldest() {
  // The oldest steps go first, then the farthest to redo; the newest one
  // always stays. (The step limit is kept by EndStep.)
  while (Footprint() > kMaxBytes && undo_.Count() + redo_.Count() > 1) {
    if (!undo_.Empty()) {
      undo_.DropOldest();
    } else {
      redo_.DropOldest();
    }
  }
}

}  // namespace tally
