#include "engine/undo_history.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <type_traits>
#include <utility>

namespace tally {
namespace {

// A new buffer has room for most steps.
constexpr std::size_t kFirstBytes = 192;
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

// Writing a record: values are copied as they lie in memory (a record never
// leaves the process), texts as their length and bytes.
template <typename T>
std::byte* Poke(std::byte* at, const T& value) {
  static_assert(std::is_trivially_copyable_v<T>);
  std::memcpy(at, &value, sizeof value);
  return at + sizeof value;
}

std::size_t TextBytes(const std::string& text) { return sizeof(std::uint32_t) + text.size(); }

std::byte* Poke(std::byte* at, const std::string& text) {
  at = Poke(at, static_cast<std::uint32_t>(text.size()));
  if (!text.empty()) std::memcpy(at, text.data(), text.size());
  return at + text.size();
}

std::size_t LineBytes(const TapeLine& line) {
  return TextBytes(line.text) + sizeof line.closesWithoutAdding + TextBytes(line.note);
}

void Poke(std::byte* at, const TapeLine& line) {
  at = Poke(at, line.text);
  at = Poke(at, line.closesWithoutAdding);
  Poke(at, line.note);
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

UndoHistory::Values UndoHistory::Read() const {
  Values values;
  values.state = calc_.s_;
  values.memoryVisible = calc_.labels_.lblMemoryVisible;
  values.selected = calc_.tape_.Selected();
  return values;
}

void UndoHistory::Enlarge(Record& record, std::size_t more) {
  const std::size_t capacity =
      std::max({record.size + more, kFirstBytes, std::size_t{2} * record.capacity});
  auto data = std::make_unique_for_overwrite<std::byte[]>(capacity);
  if (record.size > 0) std::memcpy(data.get(), record.data.get(), record.size);
  bytes_ += capacity - record.capacity;
  record.data = std::move(data);
  record.capacity = static_cast<std::uint32_t>(capacity);
}

void UndoHistory::BeforeTextWrite(int text, const std::string& value) {
  std::byte* at = Claim(pending_, sizeof(std::uint8_t) + TextBytes(value));
  Poke(Poke(at, static_cast<std::uint8_t>(text)), value);
}

void UndoHistory::TapeChanging(TapeChange::Kind kind, std::int32_t number,
                               const std::deque<TapeLine>& lines, std::int32_t first,
                               std::int32_t count) {
  // Changes made outside any step are not undone.
  if (!recording_) return;
  tapeTold_ = true;
  if (kind != TapeChange::Kind::Reset || count > 0) onlyEmptyResets_ = false;
  Poke(Claim(pending_, sizeof(ChangeHead)), ChangeHead{kTapeEntry, kind, number, count});
  if (count == 1) {
    // A full tape's trim, a rewritten or removed line.
    const TapeLine& line = lines[static_cast<std::size_t>(first)];
    Poke(Claim(pending_, LineBytes(line)), line);
  } else if (count > 1) {
    PutLines(lines, first, count);
  }
}

void UndoHistory::PutLines(const std::deque<TapeLine>& lines, std::int32_t first,
                           std::int32_t count) {
  auto line = lines.begin() + first;
  for (std::int32_t k = 0; k < count; ++k, ++line) Poke(Claim(pending_, LineBytes(*line)), *line);
}

void UndoHistory::BeginStep() {
  if (depth_++ > 0) return;
  // The values go first in the record, once the step proves to be one.
  begun_ = Read();
  pending_.size = 0;
  Claim(pending_, sizeof(Values));
  calc_.RecordTextsInto(this);
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
  if ((!tapeTold_ || (onlyEmptyResets_ && calc_.tape_.Empty())) && Unchanged()) return;
  Poke(pending_.data.get(), begun_);
  if (tapeTold_) ++tapeEdits_;
  if (done_ < count_) DropRedo();
  if (count_ == ring_.size()) Grow();
  std::swap(pending_, At(count_));
  ++count_;
  ++done_;
  if (count_ > kMaxSteps) DropOldest();
  Trim();
}

bool UndoHistory::Unchanged() {
  // The texts first: most keys change the display.
  Reader in(pending_.data.get() + sizeof(Values));
  const std::byte* end = pending_.data.get() + pending_.size;
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
  return begun_.state == calc_.s_ && begun_.memoryVisible == calc_.labels_.lblMemoryVisible;
}

void UndoHistory::Grow() {
  // The ring grows at its end, so it must start at its first slot.
  std::rotate(ring_.begin(), ring_.begin() + static_cast<std::ptrdiff_t>(first_), ring_.end());
  first_ = 0;
  if (ring_.size() == ring_.capacity()) {
    ring_.reserve(std::min(kMaxSteps + 1, std::max<std::size_t>(64, 2 * ring_.capacity())));
  }
  ring_.emplace_back();
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
  // A step under way keeps what it wrote so far, outside the ring.
  for (Record& record : ring_) bytes_ -= record.capacity;
  std::vector<Record>().swap(ring_);
  first_ = count_ = done_ = 0;
}

std::size_t UndoHistory::MemoryBytes() const {
  std::size_t bytes = bytes_ + ring_.capacity() * sizeof(Record) +
                      undone_.capacity() * sizeof(TapeChange);
  for (const std::string& text : undoneTexts_) bytes += HeapOf(text);
  return bytes;
}

std::size_t UndoHistory::Footprint() const {
  return bytes_ + ring_.capacity() * sizeof(Record) + undone_.capacity() * sizeof(TapeChange) +
         undoneTexts_.size() * (kKeptText + 1);
}

void UndoHistory::Reverse(Record& slot) {
  Reader in(slot.data.get());
  const std::byte* end = slot.data.get() + slot.size;
  const auto values = in.Get<Values>();
  // What redoes it: the values and texts as they are now, and the tape's
  // changes as it is put back.
  pending_.size = 0;
  Poke(Claim(pending_, sizeof(Values)), Read());
  std::uint8_t texts = 0;
  while (in.At() != end) {
    const auto entry = in.Get<std::uint8_t>();
    if (entry == kTapeEntry) {
      in.Get(undone_.emplace_back(), undoneWhole_.emplace_back());
    } else {
      in.Get(undoneTexts_[entry]);
      texts |= static_cast<std::uint8_t>(1U << entry);
      BeforeTextWrite(entry, calc_.TextAt(entry));
    }
  }
  if (!undone_.empty()) ++tapeEdits_;

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
  undone_.clear();
  undoneWhole_.clear();
  if (undone_.capacity() > 8) std::vector<TapeChange>().swap(undone_);

  static_cast<CalculatorValues&>(calc_.s_) = values.state;
  calc_.labels_.lblMemoryVisible = values.memoryVisible;
  for (int k = 0; k < Calculator::kTextCount; ++k) {
    if ((texts >> k & 1) == 0) continue;
    calc_.TextAt(k).swap(undoneTexts_[k]);
    if (undoneTexts_[k].capacity() > kKeptText) std::string().swap(undoneTexts_[k]);
  }
  calc_.AfterPutBack();
  tape.Select(values.selected);
  std::swap(pending_, slot);
  Forget(pending_);
}

void UndoHistory::Release(Record& record) {
  bytes_ -= record.capacity;
  record.data.reset();
  record.capacity = 0;
}

void UndoHistory::DropRedo() {
  for (std::size_t k = done_; k < count_; ++k) Forget(At(k));
  count_ = done_;
}

void UndoHistory::TrimOldest() {
  // The oldest steps go first; the newest one always stays.
  // (The step limit is kept by EndStep.)
  while (Footprint() > kMaxBytes && count_ > 1) {
    if (done_ > 0) {
      DropOldest();
    } else {
      Forget(At(count_ - 1));
      --count_;
    }
  }
}

}  // namespace tally
