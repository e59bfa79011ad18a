#pragma once
// The tape: the ordered list of printed lines, oldest first, with at most one
// selected line. It owns the lines; a view follows it through the
// observer, which hears of every change before and after it happens so that a
// list model can map each one onto its row signals.

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "tape/line_kind.h"
#include "tape/undo_bytes.h"

namespace tally {

// One line of the tape: the text it shows and what else is known of it.
struct TapeLine {
  TapeLine() = default;
  // A line given by its text alone has nothing else set.
  TapeLine(std::string text) : text(std::move(text)) {}
  TapeLine(const char* text) : text(text) {}

  std::string text;
  // Set on a separator that closes its calculation without adding it to the
  // grand total; unset, the calculation above is added.
  bool closesWithoutAdding = false;
  // The user's note on the line; empty for none.
  std::string note;

  bool operator==(const TapeLine&) const = default;
};

class TapeObserver {
 public:
  virtual ~TapeObserver() = default;
  virtual void BeforeAppend(std::int32_t index) = 0;
  virtual void AfterAppend() = 0;
  // The `count` oldest lines (indexes 0..count-1) are about to go.
  virtual void BeforeRemoveOldest(std::int32_t count) = 0;
  virtual void AfterRemoveOldest() = 0;
  // Lines first..last (inclusive) have changed.
  virtual void LinesChanged(std::int32_t first, std::int32_t last) = 0;
  // Every line goes: the tape is cleared, or given new lines at once.
  virtual void BeforeClear() = 0;
  virtual void AfterClear() = 0;
  virtual void SelectionChanged(std::int32_t index) = 0;
  // The last line is about to go (an undone append). A view that does not
  // follow it line by line hears of a clear.
  virtual void BeforeRemoveLast() { BeforeClear(); }
  virtual void AfterRemoveLast() { AfterClear(); }
  // `count` lines are about to come in before the oldest (an undone trim).
  virtual void BeforeInsertOldest(std::int32_t) { BeforeClear(); }
  virtual void AfterInsertOldest() { AfterClear(); }
  // A line is about to come in at `index` (the lines from there move down
  // by one), or the line at `index` is about to go.
  virtual void BeforeInsert(std::int32_t index) = 0;
  virtual void AfterInsert() = 0;
  virtual void BeforeRemove(std::int32_t index) = 0;
  virtual void AfterRemove() = 0;
};

// A change of the tape, as a journal of it or an undo history records it.
struct TapeChange {
  enum class Kind : std::uint8_t {
    Append,        // `line` became the last line
    RemoveOldest,  // the `number` oldest lines went
    SetLine,       // line `number` became `line`
    Reset,         // many lines changed at once: the journal takes the whole tape
    // Kinds added later stay after the first ones, whose values are on disk.
    RemoveLast,    // the last line went
    InsertOldest,  // `number` lines came in before the oldest
    Insert,        // `line` came in before line `number`
    Remove,        // line `number`, which was `line`, went
    SetNote,       // line `number` became `line` (its note changed)
  };
  Kind kind = Kind::Reset;
  std::int32_t number = 0;
  // The new line, written for a journal.
  TapeLine line;
  // What undoing the change needs, as an undo sink was told of it: the lines
  // a trim, a removal or a reset took away, the line a rewrite replaced. For
  // a kind without its own inverse, the whole tape before it.
  std::vector<TapeLine> before;
};

class Tape {
 public:
  // AddTapeLine trims the tape back to this many lines.
  static constexpr std::int32_t kMaxLines = 32766;

  std::int32_t Count() const { return static_cast<std::int32_t>(lines_.size()); }
  bool Empty() const { return lines_.empty(); }

  // Line i; an empty line for an index outside the tape (line -1 of an empty
  // tape, for instance).
  const TapeLine& Line(std::int32_t index) const;
  const TapeLine& LastLine() const { return Line(Count() - 1); }
  // The text of line i, the empty text outside the tape.
  const std::string& Text(std::int32_t index) const { return Line(index).text; }
  const std::string& LastText() const { return LastLine().text; }
  const std::deque<TapeLine>& Lines() const { return lines_; }

  // Index of the selected line, -1 for none.
  std::int32_t Selected() const { return selected_; }
  // Selects a line (the click of the user); -1 clears the selection. An index
  // outside the tape is ignored.
  void Select(std::int32_t index);

  // The common append: the line is added and selected, and as many of the
  // oldest lines are removed as bring the tape back to kMaxLines.
  void AddTapeLine(TapeLine line);
  // Appends at the end as is: not selected, no trim.
  void AppendDirect(TapeLine line);
  // Rewrites a line in place; an index outside the tape is ignored.
  void SetLine(std::int32_t index, TapeLine line);
  // Replaces all lines at once (the count must not change); the observer
  // hears of one change covering every line.
  void RewriteAll(std::vector<TapeLine> lines);
  // Puts a line in before line `index` (at the end for Count()) and selects
  // it; an index outside 0..Count() is ignored.
  void InsertLine(std::int32_t index, TapeLine line);
  // Takes line `index` away; the line after it, or else the one before it,
  // becomes the selection. An index outside the tape is ignored.
  void RemoveLine(std::int32_t index);
  // Sets the note of a line; an index outside the tape is ignored.
  void SetNote(std::int32_t index, std::string note);
  // Removes every line.
  void Clear();
  // Replaces every line at once (a tape opened from a file); nothing is
  // selected. The observer hears of it as of a clear.
  void Assign(std::vector<TapeLine> lines);
  // The same, taking the lines whole; `lines` is left with the ones replaced.
  void AssignWhole(std::deque<TapeLine>&& lines);

  void SetObserver(TapeObserver* observer) { observer_ = observer; }

  // The operand lines written since the last separator or grand total line:
  // the items of the calculation under way.
  std::int32_t Items() const { return items_; }

  // The changes since the last TakeChanges, kept only while asked for (a
  // kept session records them after every key).
  void KeepChanges(bool keep);
  bool KeepsChanges() const { return keepChanges_; }
  // Moves them into `into` (whose own are dropped), keeping both buffers.
  void TakeChanges(std::vector<TapeChange>& into);

  // Undo: while `step` is set (nullptr for none), each change first writes
  // into it what undoing it will need, as an entry starting with
  // kUndoEntry: its kind and number, then the lines it takes away or
  // replaces (the whole tape for a kind without an inverse of its own).
  static constexpr std::uint8_t kUndoEntry = 0x10;
  void RecordChangesInto(UndoBytes* step) {
    undoStep_ = step;
    undoChanges_ = 0;
  }
  // The changes written since, but a reset of an empty tape that left it
  // empty: whether the tape changed.
  std::uint32_t RecordedChanges() const { return undoChanges_; }
  // Read back from the entry's first byte: `change` gets its kind and
  // number, and `lines` the count of the lines that follow.
  static void ReadChange(UndoReader& in, TapeChange& change, std::int32_t& lines);
  static void ReadLine(UndoReader& in, TapeLine& line);
  static void SkipLines(UndoReader& in, std::int32_t count);
  // Past the whole entry.
  static void SkipChange(UndoReader& in);
  // Puts back the tape as it was before `change`, which must be the latest
  // change still standing; the putting back is itself a change like others.
  void Revert(TapeChange&& change);
  // Whether Revert puts back a change of `kind` by the whole tape before it
  // (a reset, or a kind without an inverse of its own), as AssignWhole does.
  static bool RevertsWhole(TapeChange::Kind kind);
  // The `count` oldest lines go (a trim on its own).
  void RemoveOldest(std::int32_t count);

 private:
  void Append(TapeLine line);
  void SetSelected(std::int32_t index);
  // Tells of a change about to happen: the undo step, and the journal's log
  // while it is kept.
  void Log(TapeChange::Kind kind, std::int32_t number = 0, const TapeLine* line = nullptr) {
    if (undoStep_) RecordUndo(kind, number);
    if (keepChanges_) Journal(kind, number, line);
  }
  struct UndoHead {
    std::uint8_t entry;
    TapeChange::Kind kind;
    std::int32_t number;
    std::int32_t lines;
  };
  void RecordUndo(TapeChange::Kind kind, std::int32_t number) {
    // A reset of an empty tape changes nothing but what comes after it.
    if (kind != TapeChange::Kind::Reset || !Empty()) ++undoChanges_;
    // An append, the commonest change, is undone by its kind alone, as the
    // inserts are by their number: a few stores inline. A full tape's trim
    // of its oldest line comes with each append.
    if (kind == TapeChange::Kind::Append || kind == TapeChange::Kind::InsertOldest ||
        kind == TapeChange::Kind::Insert) {
      PutUndoHead(kind, number, 0);
    } else if (kind == TapeChange::Kind::RemoveOldest && number == 1) {
      PutUndoHead(kind, number, 1);
      RecordUndoLine(lines_.front());
    } else {
      RecordUndoLines(kind, number);
    }
  }
  void PutUndoHead(TapeChange::Kind kind, std::int32_t number, std::int32_t lines) {
    std::byte* at = undoStep_->Room(sizeof(UndoHead));
    undoStep_->Commit(UndoBytes::Poke(at, UndoHead{kUndoEntry, kind, number, lines}));
  }
  void RecordUndoLines(TapeChange::Kind kind, std::int32_t number);
  void RecordUndoLine(const TapeLine& line);
  void Journal(TapeChange::Kind kind, std::int32_t number, const TapeLine* line);
  void RemoveLast();
  void InsertOldest(std::vector<TapeLine> lines);
  // Counts the items again from the end back to the last line that closes a
  // calculation; for changes that are not at the end.
  void RecountItems();

  std::deque<TapeLine> lines_;
  std::int32_t selected_ = -1;
  std::int32_t items_ = 0;
  // The first line after the last closing line (0 for none): where the
  // items counted start.
  std::int32_t itemsFrom_ = 0;
  TapeObserver* observer_ = nullptr;
  bool keepChanges_ = false;
  UndoBytes* undoStep_ = nullptr;
  std::uint32_t undoChanges_ = 0;
  std::vector<TapeChange> changes_;
};

}  // namespace tally
