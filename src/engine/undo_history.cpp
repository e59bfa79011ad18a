#include "engine/undo_history.h"

#include <cassert>
#include <cstring>
#include <utility>

namespace tally {
namespace {

// The texts an undo reads are let go past this length.
constexpr std::size_t kKeptText = 64;

using Bytes = UndoBytes;

std::size_t HeapOf(const std::string& text) {
  return text.capacity() > 15 ? text.capacity() + 1 : 0;
}

}  // namespace

UndoHistory::UndoHistory(Calculator& calc) : calc_(calc) {}

UndoHistory::~UndoHistory() {
  calc_.RecordTextsInto(nullptr);
  calc_.tape_.RecordChangesInto(nullptr);
}

std::byte* UndoHistory::PokeValues(std::byte* at) const {
  at = Bytes::Poke(at, static_cast<const CalculatorValues&>(calc_.s_));
  at = Bytes::Poke(at, calc_.labels_.lblMemoryVisible);
  return Bytes::Poke(at, calc_.tape_.Selected());
}

void UndoHistory::BeginStep() {
  if (depth_++ > 0) return;
  // The values go first in the record.
  undo_.Open();
  undo_.Commit(PokeValues(undo_.Room(kValuesBytes)));
  calc_.RecordTextsInto(&undo_);
  calc_.tape_.RecordChangesInto(&undo_);
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
  const bool tapeChanged = calc_.tape_.RecordedChanges() != 0;
  calc_.tape_.RecordChangesInto(nullptr);
  if (!tapeChanged && Unchanged()) {
    undo_.Abandon();
    return;
  }
  if (tapeChanged) ++tapeEdits_;
  if (!redo_.Empty()) redo_.Clear();
  undo_.Close();
  if (undo_.Count() > kMaxSteps) undo_.DropOldest();
  Trim();
}

bool UndoHistory::Unchanged() {
  // The texts first: most keys change the display.
  UndoReader in(undo_.OpenBegin() + kValuesBytes);
  const std::byte* end = undo_.OpenBegin() + undo_.OpenSize();
  while (in.At() != end) {
    if (in.PeekEntry() == Tape::kUndoEntry) {
      // A reset of an empty tape, the only change written here.
      Tape::SkipChange(in);
      continue;
    }
    const auto entry = in.Get<std::uint8_t>();
    if (!in.Same(calc_.TextAt(entry))) return false;
  }
  UndoReader values(undo_.OpenBegin());
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

std::size_t UndoHistory::StepsBytes() const {
  return undo_.Bytes() + redo_.Bytes() + undone_.capacity() * sizeof(TapeChange);
}

std::size_t UndoHistory::MemoryBytes() const {
  std::size_t bytes = StepsBytes();
  for (const std::string& text : undoneTexts_) bytes += HeapOf(text);
  return bytes;
}

std::size_t UndoHistory::Footprint() const {
  return StepsBytes() + undoneTexts_.size() * (kKeptText + 1);
}

void UndoHistory::Reverse(UndoRecords& from, UndoRecords& to) {
  const UndoRecords::Span step = from.Newest();
  UndoReader in(step.begin);
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
    if (in.PeekEntry() == Tape::kUndoEntry) {
      ReadChange(in);
    } else {
      const auto entry = in.Get<std::uint8_t>();
      in.Get(undoneTexts_[entry]);
      texts |= static_cast<std::uint8_t>(1U << entry);
      to.PutText(entry, calc_.TextAt(entry));
    }
  }
  if (!undone_.empty()) ++tapeEdits_;

  Tape& tape = calc_.tape_;
  tape.RecordChangesInto(&to);
  for (std::size_t k = undone_.size(); k-- > 0;) {
    if (undoneWhole_[k].at == nullptr) {
      tape.Revert(std::move(undone_[k]));
      continue;
    }
    // A whole tape is read straight into the tape's own kind of list.
    UndoReader lines(undoneWhole_[k].at);
    std::deque<TapeLine> whole(static_cast<std::size_t>(undoneWhole_[k].count));
    for (TapeLine& line : whole) Tape::ReadLine(lines, line);
    tape.AssignWhole(std::move(whole));
  }
  tape.RecordChangesInto(nullptr);
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

void UndoHistory::ReadChange(UndoReader& in) {
  TapeChange& change = undone_.emplace_back();
  WholeLines& whole = undoneWhole_.emplace_back();
  std::int32_t lines = 0;
  Tape::ReadChange(in, change, lines);
  if (!Tape::RevertsWhole(change.kind)) {
    change.before.resize(static_cast<std::size_t>(lines));
    for (TapeLine& line : change.before) Tape::ReadLine(in, line);
    return;
  }
  // Read later straight into the tape's own kind of list.
  whole = {in.At(), lines};
  Tape::SkipLines(in, lines);
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
