#include "host/kept_session.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <deque>
#include <string_view>
#include <utility>

#include "host/document_file.h"
#include "host/system_error.h"
#include "identity.h"
#include "tape/tape_file.h"

namespace tally::host {
namespace {

// The file: this header, then records. A record is a marker, the length of
// its body, a checksum of the body, and the body.
constexpr std::array<char, 8> kMagic = {'T', 'A', 'L', 'L', 'Y', 'K', 'P', 'T'};
// Version 2 records each tape line whole (text, separator mark, note);
// version 1 held the text alone and is still read.
constexpr std::uint32_t kVersion = 2;
constexpr std::uint32_t kTextOnlyLines = 1;
// Written in this machine's byte order: a file from another one is refused.
constexpr std::uint32_t kByteOrder = 0x01020304;
constexpr qint64 kHeaderSize = 16;
constexpr std::uint32_t kRecordMarker = 0x4B504552;  // "REPK"
constexpr qint64 kRecordHeader = 12;
// Room for keys after the whole calculator before the journal is written
// afresh: some hundred thousand keys, so that the rewrite of a full tape is
// rare.
constexpr qint64 kMinimumRoom = 8 << 20;

// The pages of the room are mapped ahead of the records in steps of this
// size: one system call for hundreds of keys instead of a page fault for
// every few dozen.
constexpr qint64 kMapAhead = 64 << 10;

constexpr char kWhole = 'S';
constexpr char kKey = 'K';

// A checksum of a record's body, eight bytes a step: it tells a record cut
// short or damaged (a power cut that wrote part of a page) from a whole one.
std::uint32_t Checksum(std::string_view bytes) {
  constexpr std::uint64_t kPrime = 0x9E3779B97F4A7C15ull;
  std::uint64_t h = 0x243F6A8885A308D3ull ^ bytes.size();
  std::size_t k = 0;
  for (; k + 8 <= bytes.size(); k += 8) {
    std::uint64_t word = 0;
    std::memcpy(&word, bytes.data() + k, 8);
    h = (h ^ word) * kPrime;
    h ^= h >> 29;
  }
  std::uint64_t rest = 0;
  std::memcpy(&rest, bytes.data() + k, bytes.size() - k);
  h = (h ^ rest) * kPrime;
  h ^= h >> 32;
  return static_cast<std::uint32_t>(h);
}

// ------------------------------------------------------------ encoding

class Writer {
 public:
  explicit Writer(std::string& out) : out_(out) {}
  template <class T>
  void Raw(const T& value) {
    out_.append(reinterpret_cast<const char*>(&value), sizeof value);
  }
  void Bool(bool b) { out_ += b ? '\1' : '\0'; }
  void Text(std::string_view text) {
    Raw(static_cast<std::uint32_t>(text.size()));
    out_.append(text);
  }

 private:
  std::string& out_;
};

class Reader {
 public:
  explicit Reader(std::string_view in, std::uint32_t version = kVersion)
      : in_(in), version_(version) {}
  std::uint32_t Version() const { return version_; }
  template <class T>
  bool Raw(T& value) {
    if (in_.size() - pos_ < sizeof value) return false;
    std::memcpy(&value, in_.data() + pos_, sizeof value);
    pos_ += sizeof value;
    return true;
  }
  bool Bool(bool& b) {
    std::uint8_t v = 0;
    if (!Raw(v) || v > 1) return false;
    b = v == 1;
    return true;
  }
  bool Text(std::string& text) {
    std::uint32_t size = 0;
    if (!Raw(size) || in_.size() - pos_ < size) return false;
    text.assign(in_.data() + pos_, size);
    pos_ += size;
    return true;
  }
  bool AtEnd() const { return pos_ == in_.size(); }

 private:
  std::string_view in_;
  std::uint32_t version_;
  std::size_t pos_ = 0;
};

// A tape line: its text, then a byte of flags (the separator's mark, and
// whether a note follows), then the note.
constexpr std::uint8_t kClosesWithoutAdding = 1;
constexpr std::uint8_t kHasNote = 2;

void WriteLine(Writer& w, const TapeLine& line) {
  w.Text(line.text);
  const std::uint8_t flags = (line.closesWithoutAdding ? kClosesWithoutAdding : 0) |
                             (line.note.empty() ? 0 : kHasNote);
  w.Raw(flags);
  if (!line.note.empty()) w.Text(line.note);
}

bool ReadLine(Reader& r, TapeLine& line) {
  line = TapeLine();
  if (!r.Text(line.text)) return false;
  if (r.Version() == kTextOnlyLines) return true;
  std::uint8_t flags = 0;
  if (!r.Raw(flags) || (flags & ~(kClosesWithoutAdding | kHasNote)) != 0) return false;
  line.closesWithoutAdding = (flags & kClosesWithoutAdding) != 0;
  line.note.clear();
  return (flags & kHasNote) == 0 || (r.Text(line.note) && !line.note.empty());
}

// The fields of the calculator, in the order of the bits of a key record.
enum Field : std::uint32_t {
  kAccumulator,
  kOperand,
  kLastEntry,
  kMemoryValue,
  kEntryStarted,
  kOperandCount,
  kLastInputKind,
  kPendingOperator,
  kNegativeEntry,
  kTotalPending,
  kCancelPressed,
  kGrandTotal,
  kNumberFormat,
  kEntryValue,
  kResult,
  kOperator,
  kGrandTotalLabel,
  kMemoryVisible,
  kSelected,
  // Added later: a journal written before them has none of these bits.
  kAddMode,
  kEntryKeyed,
  kFieldCount
};

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

void WriteDouble(Writer& w, double v) { w.Raw(v); }

template <class Enum>
bool ReadEnum(Reader& r, Enum& value, Enum last) {
  std::uint8_t v = 0;
  if (!r.Raw(v) || v > static_cast<std::uint8_t>(last)) return false;
  value = static_cast<Enum>(v);
  return true;
}

// The whole calculator.
void WholeRecord(std::string& body, const CalculatorState& c, const DisplayTexts& labels,
                 std::int32_t selected, const Tape& tape) {
  std::size_t size = 128 + c.NumberFormat.size() + labels.lblResult.size();
  for (const TapeLine& line : tape.Lines()) size += line.text.size() + line.note.size() + 9;
  body.clear();
  body.reserve(size);
  body += kWhole;
  Writer w(body);
  for (const double v : {c.Accumulator, c.Operand, c.LastEntry, c.MemoryValue}) WriteDouble(w, v);
  w.Bool(c.EntryStarted);
  w.Raw(c.OperandCount);
  w.Raw(static_cast<std::uint8_t>(c.LastInputKind));
  w.Raw(static_cast<std::uint8_t>(c.PendingOperator));
  w.Bool(c.NegativeEntry);
  w.Bool(c.TotalPending);
  w.Bool(c.CancelPressed);
  WriteDouble(w, c.GrandTotal);
  w.Text(c.NumberFormat);
  WriteDouble(w, c.EntryValue);
  w.Text(labels.lblResult);
  w.Text(labels.lblOperator);
  w.Text(labels.lblGrandTotal);
  w.Bool(labels.lblMemoryVisible);
  w.Raw(selected);
  w.Raw(static_cast<std::uint32_t>(tape.Count()));
  for (const TapeLine& line : tape.Lines()) WriteLine(w, line);
  w.Bool(c.AddMode);
  w.Bool(c.EntryKeyed);
}

bool ReadWhole(Reader& r, CalculatorSnapshot& s) {
  CalculatorState& c = s.state;
  std::uint32_t lines = 0;
  bool ok = r.Raw(c.Accumulator) && r.Raw(c.Operand) && r.Raw(c.LastEntry) &&
            r.Raw(c.MemoryValue) && r.Bool(c.EntryStarted) && r.Raw(c.OperandCount) &&
            c.OperandCount <= 2 && ReadEnum(r, c.LastInputKind, InputKind::Ce) &&
            ReadEnum(r, c.PendingOperator, PendingOp::Equals) && r.Bool(c.NegativeEntry) &&
            r.Bool(c.TotalPending) && r.Bool(c.CancelPressed) && r.Raw(c.GrandTotal) &&
            r.Text(c.NumberFormat) && r.Raw(c.EntryValue) && r.Text(s.labels.lblResult) &&
            r.Text(s.labels.lblOperator) && r.Text(s.labels.lblGrandTotal) &&
            r.Bool(s.labels.lblMemoryVisible) && r.Raw(s.selected) && r.Raw(lines) &&
            lines <= static_cast<std::uint32_t>(Tape::kMaxLines) + 2;
  if (!ok) return false;
  s.tape.assign(lines, {});
  for (TapeLine& line : s.tape) {
    if (!ReadLine(r, line)) return false;
  }
  // A journal written before add mode ends with the tape.
  if (!r.AtEnd() && !(r.Bool(c.AddMode) && r.Bool(c.EntryKeyed))) return false;
  return r.AtEnd();
}

// A text field of a key record: how much of the old text stays, and what
// follows it. A digit typed into a long entry costs a byte or two.
void WriteTextChange(Writer& w, const std::string& before, const std::string& after) {
  const auto end = std::min(before.size(), after.size());
  const auto keep = static_cast<std::size_t>(
      std::mismatch(before.begin(), before.begin() + static_cast<std::ptrdiff_t>(end),
                    after.begin())
          .first -
      before.begin());
  w.Raw(static_cast<std::uint32_t>(keep));
  w.Text(std::string_view(after).substr(keep));
}

bool ReadTextChange(Reader& r, std::string& text) {
  std::uint32_t keep = 0;
  std::string tail;
  if (!r.Raw(keep) || keep > text.size() || !r.Text(tail)) return false;
  text.resize(keep);
  text += tail;
  return true;
}

// What changed since `before`: the bits of the fields that differ, their new
// values, then the tape's changes.
void KeyRecord(std::string& body, const CalculatorState& oldState, const DisplayTexts& oldLabels,
               std::int32_t oldSelected, const CalculatorState& c, const DisplayTexts& l,
               std::int32_t selected, const std::vector<TapeChange>& changes, const Tape& tape) {
  body.clear();
  std::uint32_t bits = 0;
  const auto mark = [&](Field f, bool differs) {
    if (differs) bits |= 1u << f;
  };
  mark(kAccumulator, !SameBits(oldState.Accumulator, c.Accumulator));
  mark(kOperand, !SameBits(oldState.Operand, c.Operand));
  mark(kLastEntry, !SameBits(oldState.LastEntry, c.LastEntry));
  mark(kMemoryValue, !SameBits(oldState.MemoryValue, c.MemoryValue));
  mark(kEntryStarted, oldState.EntryStarted != c.EntryStarted);
  mark(kOperandCount, oldState.OperandCount != c.OperandCount);
  mark(kLastInputKind, oldState.LastInputKind != c.LastInputKind);
  mark(kPendingOperator, oldState.PendingOperator != c.PendingOperator);
  mark(kNegativeEntry, oldState.NegativeEntry != c.NegativeEntry);
  mark(kTotalPending, oldState.TotalPending != c.TotalPending);
  mark(kCancelPressed, oldState.CancelPressed != c.CancelPressed);
  mark(kGrandTotal, !SameBits(oldState.GrandTotal, c.GrandTotal));
  mark(kNumberFormat, oldState.NumberFormat != c.NumberFormat);
  mark(kEntryValue, !SameBits(oldState.EntryValue, c.EntryValue));
  mark(kResult, oldLabels.lblResult != l.lblResult);
  mark(kOperator, oldLabels.lblOperator != l.lblOperator);
  mark(kGrandTotalLabel, oldLabels.lblGrandTotal != l.lblGrandTotal);
  mark(kMemoryVisible, oldLabels.lblMemoryVisible != l.lblMemoryVisible);
  mark(kSelected, oldSelected != selected);
  mark(kAddMode, oldState.AddMode != c.AddMode);
  mark(kEntryKeyed, oldState.EntryKeyed != c.EntryKeyed);
  if (bits == 0 && changes.empty()) return;

  body += kKey;
  Writer w(body);
  w.Raw(bits);
  const auto has = [&](Field f) { return (bits & (1u << f)) != 0; };
  if (has(kAccumulator)) WriteDouble(w, c.Accumulator);
  if (has(kOperand)) WriteDouble(w, c.Operand);
  if (has(kLastEntry)) WriteDouble(w, c.LastEntry);
  if (has(kMemoryValue)) WriteDouble(w, c.MemoryValue);
  if (has(kEntryStarted)) w.Bool(c.EntryStarted);
  if (has(kOperandCount)) w.Raw(c.OperandCount);
  if (has(kLastInputKind)) w.Raw(static_cast<std::uint8_t>(c.LastInputKind));
  if (has(kPendingOperator)) w.Raw(static_cast<std::uint8_t>(c.PendingOperator));
  if (has(kNegativeEntry)) w.Bool(c.NegativeEntry);
  if (has(kTotalPending)) w.Bool(c.TotalPending);
  if (has(kCancelPressed)) w.Bool(c.CancelPressed);
  if (has(kGrandTotal)) WriteDouble(w, c.GrandTotal);
  if (has(kNumberFormat)) w.Text(c.NumberFormat);
  if (has(kEntryValue)) WriteDouble(w, c.EntryValue);
  if (has(kResult)) WriteTextChange(w, oldLabels.lblResult, l.lblResult);
  if (has(kOperator)) w.Text(l.lblOperator);
  if (has(kGrandTotalLabel)) w.Text(l.lblGrandTotal);
  if (has(kMemoryVisible)) w.Bool(l.lblMemoryVisible);
  if (has(kSelected)) w.Raw(selected);
  if (has(kAddMode)) w.Bool(c.AddMode);
  if (has(kEntryKeyed)) w.Bool(c.EntryKeyed);

  // A change recorded line by line, or one that only the whole tape as it
  // is now records (a reset, and whatever kind has no record of its own).
  const auto byLine = [](const TapeChange& change) {
    switch (change.kind) {
      case TapeChange::Kind::Append:
      case TapeChange::Kind::RemoveOldest:
      case TapeChange::Kind::SetLine:
      case TapeChange::Kind::RemoveLast:
      case TapeChange::Kind::Insert:
      case TapeChange::Kind::Remove:
      case TapeChange::Kind::SetNote: return true;
      default: return false;
    }
  };
  if (!std::all_of(changes.begin(), changes.end(), byLine)) {
    w.Raw(std::uint32_t{1});
    w.Raw(static_cast<std::uint8_t>(TapeChange::Kind::Reset));
    w.Raw(static_cast<std::uint32_t>(tape.Count()));
    for (const TapeLine& line : tape.Lines()) WriteLine(w, line);
    return;
  }
  w.Raw(static_cast<std::uint32_t>(changes.size()));
  for (const TapeChange& change : changes) {
    w.Raw(static_cast<std::uint8_t>(change.kind));
    switch (change.kind) {
      case TapeChange::Kind::Append: WriteLine(w, change.line); break;
      case TapeChange::Kind::RemoveOldest: w.Raw(change.number); break;
      case TapeChange::Kind::SetLine:
        w.Raw(change.number);
        WriteLine(w, change.line);
        break;
      case TapeChange::Kind::Insert:
        w.Raw(change.number);
        WriteLine(w, change.line);
        break;
      case TapeChange::Kind::Remove: w.Raw(change.number); break;
      case TapeChange::Kind::SetNote:
        w.Raw(change.number);
        WriteLine(w, change.line);
        break;
      default: break;
    }
  }
}

bool ReadKey(Reader& r, CalculatorSnapshot& s, std::deque<TapeLine>& tape) {
  std::uint32_t bits = 0;
  if (!r.Raw(bits) || bits >= (1u << kFieldCount)) return false;
  const auto has = [&](Field f) { return (bits & (1u << f)) != 0; };
  CalculatorState& c = s.state;
  DisplayTexts& l = s.labels;
  bool ok = (!has(kAccumulator) || r.Raw(c.Accumulator)) && (!has(kOperand) || r.Raw(c.Operand)) &&
            (!has(kLastEntry) || r.Raw(c.LastEntry)) &&
            (!has(kMemoryValue) || r.Raw(c.MemoryValue)) &&
            (!has(kEntryStarted) || r.Bool(c.EntryStarted)) &&
            (!has(kOperandCount) || (r.Raw(c.OperandCount) && c.OperandCount <= 2)) &&
            (!has(kLastInputKind) || ReadEnum(r, c.LastInputKind, InputKind::Ce)) &&
            (!has(kPendingOperator) || ReadEnum(r, c.PendingOperator, PendingOp::Equals)) &&
            (!has(kNegativeEntry) || r.Bool(c.NegativeEntry)) &&
            (!has(kTotalPending) || r.Bool(c.TotalPending)) &&
            (!has(kCancelPressed) || r.Bool(c.CancelPressed)) &&
            (!has(kGrandTotal) || r.Raw(c.GrandTotal)) &&
            (!has(kNumberFormat) || r.Text(c.NumberFormat)) &&
            (!has(kEntryValue) || r.Raw(c.EntryValue)) &&
            (!has(kResult) || ReadTextChange(r, l.lblResult)) &&
            (!has(kOperator) || r.Text(l.lblOperator)) &&
            (!has(kGrandTotalLabel) || r.Text(l.lblGrandTotal)) &&
            (!has(kMemoryVisible) || r.Bool(l.lblMemoryVisible)) &&
            (!has(kSelected) || r.Raw(s.selected)) && (!has(kAddMode) || r.Bool(c.AddMode)) &&
            (!has(kEntryKeyed) || r.Bool(c.EntryKeyed));
  std::uint32_t count = 0;
  if (!ok || !r.Raw(count)) return false;
  for (std::uint32_t k = 0; k < count; ++k) {
    TapeChange::Kind kind{};
    // The previous release wrote the first four kinds alone.
    const TapeChange::Kind last = r.Version() == kTextOnlyLines ? TapeChange::Kind::Reset
                                                                 : TapeChange::Kind::SetNote;
    if (!ReadEnum(r, kind, last)) return false;
    std::int32_t number = 0;
    TapeLine line;
    switch (kind) {
      case TapeChange::Kind::Append:
        if (!ReadLine(r, line)) return false;
        tape.push_back(std::move(line));
        break;
      case TapeChange::Kind::RemoveOldest:
        if (!r.Raw(number) || number < 0 || static_cast<std::size_t>(number) > tape.size()) {
          return false;
        }
        tape.erase(tape.begin(), tape.begin() + number);
        break;
      case TapeChange::Kind::RemoveLast:
        if (tape.empty()) return false;
        tape.pop_back();
        break;
      // Never written: the whole tape records it.
      case TapeChange::Kind::InsertOldest: return false;
      case TapeChange::Kind::SetLine:
        if (!r.Raw(number) || !ReadLine(r, line) || number < 0 ||
            static_cast<std::size_t>(number) >= tape.size()) {
          return false;
        }
        tape[static_cast<std::size_t>(number)] = std::move(line);
        break;
      case TapeChange::Kind::Reset: {
        std::uint32_t lines = 0;
        if (!r.Raw(lines) || lines > static_cast<std::uint32_t>(Tape::kMaxLines) + 2) return false;
        tape.assign(lines, {});
        for (TapeLine& each : tape) {
          if (!ReadLine(r, each)) return false;
        }
        break;
      }
      case TapeChange::Kind::Insert:
        if (!r.Raw(number) || !ReadLine(r, line) || number < 0 ||
            static_cast<std::size_t>(number) > tape.size()) {
          return false;
        }
        tape.insert(tape.begin() + number, std::move(line));
        break;
      case TapeChange::Kind::Remove:
        if (!r.Raw(number) || number < 0 || static_cast<std::size_t>(number) >= tape.size()) {
          return false;
        }
        tape.erase(tape.begin() + number);
        break;
      case TapeChange::Kind::SetNote:
        if (!r.Raw(number) || !ReadLine(r, line) || number < 0 ||
            static_cast<std::size_t>(number) >= tape.size()) {
          return false;
        }
        tape[static_cast<std::size_t>(number)] = std::move(line);
        break;
    }
  }
  return r.AtEnd();
}

// ------------------------------------------------------------ reading

enum class Outcome { Read, Damaged, Newer };

struct Parsed {
  Outcome outcome = Outcome::Damaged;
  CalculatorSnapshot snapshot;
  // Damaged after whole records: `snapshot` is the calculator after them.
  bool partial = false;
};

bool AllZero(std::string_view bytes) {
  return std::all_of(bytes.begin(), bytes.end(), [](char c) { return c == 0; });
}

// A record that passes its check at `pos`, and where it ends.
std::optional<std::size_t> WholeRecordAt(std::string_view file, std::size_t pos) {
  if (file.size() - pos < static_cast<std::size_t>(kRecordHeader)) return std::nullopt;
  std::uint32_t marker = 0, length = 0, crc = 0;
  std::memcpy(&marker, file.data() + pos, 4);
  std::memcpy(&length, file.data() + pos + 4, 4);
  std::memcpy(&crc, file.data() + pos + 8, 4);
  const std::size_t start = pos + static_cast<std::size_t>(kRecordHeader);
  if (marker != kRecordMarker || length == 0 || file.size() - start < length) return std::nullopt;
  const std::string_view body = file.substr(start, length);
  if ((body[0] != kWhole && body[0] != kKey) || Checksum(body) != crc) return std::nullopt;
  return start + length;
}

// Whether a whole record begins anywhere after `pos`. A kill or a power cut
// tears the last record only, so one that fails its check with a whole one
// after it was damaged in place (a flipped bit, a lost page).
bool WholeRecordAfter(std::string_view file, std::size_t pos) {
  const std::string_view marker(reinterpret_cast<const char*>(&kRecordMarker), 4);
  for (std::size_t at = file.find(marker, pos + 1); at != std::string_view::npos;
       at = file.find(marker, at + 1)) {
    if (WholeRecordAt(file, at)) return true;
  }
  return false;
}

Parsed Parse(std::string_view file) {
  Parsed result;
  std::uint32_t version = 0, order = 0;
  if (file.size() < kHeaderSize || std::memcmp(file.data(), kMagic.data(), kMagic.size()) != 0) {
    return result;
  }
  std::memcpy(&version, file.data() + 8, 4);
  std::memcpy(&order, file.data() + 12, 4);
  if (order != kByteOrder) return result;
  if (version > kVersion) {
    result.outcome = Outcome::Newer;
    return result;
  }
  if (version < kTextOnlyLines) return result;

  std::deque<TapeLine> tape;
  bool first = true;
  std::size_t pos = kHeaderSize;
  // The end of the last record read whole, to read again up to it when a
  // later one turns out damaged half-way through being applied.
  std::size_t lastWhole = 0;
  const auto damagedAfterWhole = [&] {
    Parsed before = Parse(file.substr(0, lastWhole));
    before.partial = before.outcome == Outcome::Read;
    before.outcome = Outcome::Damaged;
    return before;
  };
  while (file.size() - pos >= static_cast<std::size_t>(kRecordHeader)) {
    std::uint32_t marker = 0;
    std::memcpy(&marker, file.data() + pos, 4);
    if (marker == 0 && AllZero(file.substr(pos))) break;  // room not written yet
    const std::optional<std::size_t> end = WholeRecordAt(file, pos);
    if (!end) {
      // The torn last record of a kill is a cut end: its length is written
      // first, so nothing but zeros follows what it says, or the file ends
      // within it. Anything else after it is damage.
      if (first) return result;
      std::uint32_t length = 0;
      std::memcpy(&length, file.data() + pos + 4, 4);
      const std::size_t start = pos + static_cast<std::size_t>(kRecordHeader);
      const std::size_t extent = file.size() - start < length ? file.size() : start + length;
      if (!AllZero(file.substr(extent)) || WholeRecordAfter(file, pos)) {
        return damagedAfterWhole();
      }
      break;
    }
    const std::size_t start = pos + static_cast<std::size_t>(kRecordHeader);
    const std::string_view body = file.substr(start, *end - start);
    Reader r(body.substr(1), version);
    if (body[0] == kWhole) {
      CalculatorSnapshot whole{};
      if (!ReadWhole(r, whole)) return first ? result : damagedAfterWhole();
      result.snapshot = std::move(whole);
      tape.assign(std::make_move_iterator(result.snapshot.tape.begin()),
                  std::make_move_iterator(result.snapshot.tape.end()));
      result.snapshot.tape.clear();
    } else if (body[0] == kKey && !first) {
      if (!ReadKey(r, result.snapshot, tape)) return damagedAfterWhole();
    } else {
      return result;
    }
    first = false;
    pos = *end;
    lastWhole = pos;
  }
  if (first) return result;
  result.snapshot.tape.assign(std::make_move_iterator(tape.begin()),
                              std::make_move_iterator(tape.end()));
  const auto count = static_cast<std::int32_t>(result.snapshot.tape.size());
  if (result.snapshot.selected < -1 || result.snapshot.selected >= count) return result;
  result.outcome = Outcome::Read;
  return result;
}

// The session's place taken by an unreadable file or folder moves beside
// it, with the time in its name; nothing is deleted.
QString MoveAside(const QString& path) {
  const QString aside = path + QStringLiteral(".ilegivel-") +
                        QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
  QString target = aside;
  for (int n = 2; QFileInfo::exists(target); ++n) target = aside + QStringLiteral("-%1").arg(n);
  return QDir().rename(path, target) ? target : QString();
}

}  // namespace

QString KeptSession::DefaultPath() {
  const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
  return QDir(dataHome).filePath(QString::fromUtf8(kProgramTitle) +
                                 QStringLiteral("/KeptSession.journal"));
}

KeptSession::KeptSession(QString path, qint64 room)
    : path_(std::move(path)),
      lockPath_(QFile::encodeName(path_ + QStringLiteral(".lock"))),
      room_(room > 0 ? room : kMinimumRoom) {}

KeptSession::~KeptSession() { Stop(false); }

// The lock is a lock on the lock file, which the system lets go of when its
// holder ends however it ends: a file left by a kill or a power cut, empty
// or naming a process that is gone, holds nothing.
KeptSession::Lock KeptSession::TakeLock(QString* why) {
  if (lockFd_ >= 0) return Lock::Taken;
  for (int attempt = 0; attempt < 5; ++attempt) {
    const int fd = ::open(lockPath_.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0) {
      if (why) *why = SystemErrorText(errno);
      return Lock::Unavailable;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      const int err = errno;
      ::close(fd);
      if (err == EWOULDBLOCK) return Lock::HeldElsewhere;
      if (why) *why = SystemErrorText(err);
      return Lock::Unavailable;
    }
    // The holder that let go may have removed the file since it was opened:
    // then the lock is on a file nobody else will find.
    struct stat held {}, named {};
    if (::fstat(fd, &held) == 0 && ::stat(lockPath_.constData(), &named) == 0 &&
        held.st_dev == named.st_dev && held.st_ino == named.st_ino) {
      // Who holds it, as a person looking at the folder would want to know.
      const QByteArray owner = QByteArray::number(::getpid()) + '\n' + kProgramTitle + '\n';
      if (::ftruncate(fd, 0) == 0) {
        [[maybe_unused]] const auto written =
            ::pwrite(fd, owner.constData(), static_cast<size_t>(owner.size()), 0);
      }
      lockFd_ = fd;
      return Lock::Taken;
    }
    ::close(fd);
  }
  if (why) *why = SystemErrorText(EBUSY);
  return Lock::Unavailable;
}

void KeptSession::ReleaseLock() {
  if (lockFd_ < 0) return;
  ::unlink(lockPath_.constData());
  ::close(lockFd_);
  lockFd_ = -1;
}

KeptSession::Found KeptSession::Load() {
  Found found;
  QDir().mkpath(QFileInfo(path_).absolutePath());
  // A folder that cannot be written still lets the session be read; Start
  // then says it cannot be kept.
  if (TakeLock(nullptr) == Lock::HeldElsewhere) {
    found.heldElsewhere = true;
    found.notice = QStringLiteral(
        "Outra janela da calculadora já guarda a sessão: esta janela começa vazia e não a "
        "guardará.");
    return found;
  }
  RemoveLeftovers(path_);
  const QFileInfo info(path_);
  if (!info.exists() && !info.isSymLink()) return found;
  QString why = info.isDir() ? QStringLiteral("há uma pasta no lugar do arquivo")
                             : NotARegularFile(path_);
  Parsed parsed;
  if (why.isEmpty()) {
    // Not blocking, should a FIFO take the file's place meanwhile.
    const int fd = ::open(QFile::encodeName(path_).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    QFile file;
    if (fd < 0 || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
      why = QStringLiteral("o arquivo não pôde ser lido: %1").arg(SystemErrorText(errno));
      if (fd >= 0) ::close(fd);
    } else {
      const QByteArray bytes = file.readAll();
      if (file.error() != QFileDevice::NoError) {
        why = QStringLiteral("o arquivo não pôde ser lido: %1").arg(SystemErrorText(EIO));
      } else {
        parsed = Parse(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
        if (parsed.outcome == Outcome::Read) {
          found.snapshot = std::move(parsed.snapshot);
          return found;
        }
        why = parsed.outcome == Outcome::Newer
                  ? QStringLiteral("foi gravada por uma versão mais nova do programa")
                  : QStringLiteral("o arquivo está danificado");
      }
    }
  }
  const QString aside = MoveAside(path_);
  if (parsed.partial) {
    found.snapshot = std::move(parsed.snapshot);
    found.notice = aside.isEmpty()
                       ? QStringLiteral(
                             "A sessão guardada em \"%1\" está danificada a partir de um ponto. "
                             "A calculadora volta como estava antes dele.")
                             .arg(path_)
                       : QStringLiteral(
                             "A sessão guardada está danificada a partir de um ponto. A "
                             "calculadora volta como estava antes dele, e o arquivo foi "
                             "guardado à parte em \"%1\".")
                             .arg(aside);
    return found;
  }
  found.notice = aside.isEmpty()
                     ? QStringLiteral(
                           "A sessão guardada em \"%1\" não pôde ser lida (%2). A calculadora "
                           "começa vazia.")
                           .arg(path_, why)
                     : QStringLiteral(
                           "A sessão guardada não pôde ser lida (%1). Ela foi guardada à parte "
                           "em \"%2\", e a calculadora começa vazia.")
                           .arg(why, aside);
  return found;
}

bool KeptSession::Start(Calculator& calc, QString* error) {
  if (calc_) {
    calc_->KeepTapeChanges(false);
    calc_ = nullptr;
  }
  Unmap();
  stalled_ = false;
  const QString folder = QFileInfo(path_).absolutePath();
  QDir().mkpath(folder);
  QString why;
  switch (TakeLock(&why)) {
    case Lock::Taken: break;
    case Lock::HeldElsewhere:
      if (error) *error = QStringLiteral("outra janela da calculadora já guarda esta sessão");
      return false;
    case Lock::Unavailable:
      if (error) *error = QStringLiteral("a pasta \"%1\" não aceita gravação (%2)").arg(folder, why);
      return false;
  }
  calc_ = &calc;
  calc_->KeepTapeChanges(true);
  if (!WriteFresh(error)) {
    calc_->KeepTapeChanges(false);
    calc_ = nullptr;
    ReleaseLock();
    return false;
  }
  return true;
}

bool KeptSession::WriteFresh(QString* error) {
  Unmap();
  const CalculatorState& state = calc_->State();
  const DisplayTexts& labels = calc_->Labels();
  const std::int32_t selected = calc_->GetTape().Selected();
  std::string& body = body_;
  WholeRecord(body, state, labels, selected, calc_->GetTape());
  QByteArray bytes;
  bytes.reserve(kHeaderSize + kRecordHeader + static_cast<qsizetype>(body.size()));
  bytes.append(kMagic.data(), kMagic.size());
  bytes.append(reinterpret_cast<const char*>(&kVersion), 4);
  bytes.append(reinterpret_cast<const char*>(&kByteOrder), 4);
  const std::uint32_t length = static_cast<std::uint32_t>(body.size());
  const std::uint32_t crc = Checksum(body);
  bytes.append(reinterpret_cast<const char*>(&kRecordMarker), 4);
  bytes.append(reinterpret_cast<const char*>(&length), 4);
  bytes.append(reinterpret_cast<const char*>(&crc), 4);
  bytes.append(body.data(), static_cast<qsizetype>(body.size()));
  if (!WriteDocument(path_, bytes, error)) return false;
  state_ = state;
  labels_ = labels;
  selected_ = selected;
  calc_->TakeTapeChanges(changes_);
  used_ = bytes.size();
  return Map(used_ + std::max<qint64>(room_, 4 * used_), error);
}

bool KeptSession::Map(qint64 capacity, QString* error) {
  const int fd = ::open(QFile::encodeName(path_).constData(), O_RDWR | O_CLOEXEC);
  if (fd < 0 || !file_.open(fd, QIODevice::ReadWrite, QFileDevice::AutoCloseHandle)) {
    if (error) *error = SystemErrorText(errno);
    if (fd >= 0) ::close(fd);
    return false;
  }
  if (::ftruncate(file_.handle(), capacity) != 0) {
    if (error) *error = SystemErrorText(errno);
    file_.close();
    return false;
  }
  // The room is given its disk blocks now, so that a key never waits for the
  // file system to find one (nor finds the disk full).
  if (const int failed = ::posix_fallocate(file_.handle(), 0, capacity); failed != 0) {
    if (error) *error = SystemErrorText(failed);
    file_.close();
    return false;
  }
  map_ = file_.map(0, capacity);
  if (!map_) {
    if (error) *error = SystemErrorText(ENOMEM);
    file_.close();
    return false;
  }
  capacity_ = capacity;
  mappedAhead_ = used_;
  return true;
}

void KeptSession::Unmap() {
  if (map_) file_.unmap(map_);
  map_ = nullptr;
  if (file_.isOpen()) file_.close();
  capacity_ = 0;
}

bool KeptSession::Append(const std::string& body) {
  const qint64 size = kRecordHeader + static_cast<qint64>(body.size());
  if (!map_ || used_ + size > capacity_) return false;
  if (used_ + size > mappedAhead_) {
    const qint64 from = mappedAhead_ & ~(qint64{4095});
    const qint64 to = std::min(capacity_, used_ + size + kMapAhead);
    // Only a help: without it the pages come one fault at a time.
    ::madvise(map_ + from, static_cast<std::size_t>(to - from), MADV_POPULATE_WRITE);
    mappedAhead_ = to;
  }
  uchar* at = map_ + used_;
  const std::uint32_t length = static_cast<std::uint32_t>(body.size());
  const std::uint32_t crc = Checksum(body);
  // The length first: a record torn by a kill says how far it reaches, so
  // that anything after it tells damage from a cut end.
  std::memcpy(at + 4, &length, 4);
  std::atomic_thread_fence(std::memory_order_release);
  std::memcpy(at + 12, body.data(), body.size());
  std::memcpy(at + 8, &crc, 4);
  // The marker last: a record without it was never written.
  std::atomic_thread_fence(std::memory_order_release);
  std::memcpy(at, &kRecordMarker, 4);
  used_ += size;
  return true;
}

void KeptSession::Commit() {
  if (!calc_) return;
  calc_->TakeTapeChanges(changes_);
  // Until the next pause: a rewrite on every key of a full disk would cost
  // a whole tape each.
  if (stalled_) return;
  const CalculatorState& state = calc_->State();
  const DisplayTexts& labels = calc_->Labels();
  const std::int32_t selected = calc_->GetTape().Selected();
  KeyRecord(body_, state_, labels_, selected_, state, labels, selected, changes_, calc_->GetTape());
  if (body_.empty()) return;
  // Out of room (or the map was lost): the journal starts again whole.
  if (!Append(body_)) {
    QString why;
    if (!WriteFresh(&why)) {
      stalled_ = true;
      notice_ = QStringLiteral(
                    "A sessão deixou de ser guardada: %1. A calculadora tentará de novo a cada "
                    "pausa.")
                    .arg(why);
    }
    return;
  }
  state_ = state;
  labels_ = labels;
  selected_ = selected;
}

void KeptSession::Sync() {
  if (calc_ && stalled_) {
    // A pause: the calculator as it is now, whole, if the disk takes it.
    if (WriteFresh(nullptr)) stalled_ = false;
    return;
  }
  // The map's pages go to disk with the file's own.
  if (map_ && file_.isOpen()) ::fdatasync(file_.handle());
}

QString KeptSession::TakeNotice() { return std::exchange(notice_, QString()); }

void KeptSession::Stop(bool remove) {
  if (calc_) {
    Sync();
    calc_->KeepTapeChanges(false);
    calc_ = nullptr;
    // A session closed in good order leaves no unused room behind.
    if (map_) {
      file_.unmap(map_);
      map_ = nullptr;
      file_.resize(used_);
    }
  }
  Unmap();
  if (remove && lockFd_ >= 0) QFile::remove(path_);
  ReleaseLock();
}

namespace {

// A number the calculator shows ("1.234,50" is never one: it writes no
// grouping), with its one separator made `separator`.
void ConvertNumberText(std::string& text, const std::string& separator) {
  const auto at = text.find_first_of(",.");
  if (at == std::string::npos || text.find_first_of(",.", at + 1) != std::string::npos) return;
  const bool number = std::all_of(text.begin(), text.end(), [](char c) {
    return (c >= '0' && c <= '9') || c == ',' || c == '.' || c == '-' || c == '+' || c == 'E' ||
           c == ' ';
  });
  if (number) text.replace(at, 1, separator);
}

// The numbers of a session kept in another locale, as opening a tape file
// from one puts them. The lines and the grand total are always written in
// the locale's form; the display, while a number is typed, shows the key
// typed, so it changes only in a session that came from another locale.
void InThisLocale(CalculatorSnapshot& snapshot, const std::string& separator) {
  bool foreign = false;
  const auto convert = [&](std::string& text, std::string converted) {
    foreign = foreign || converted != text;
    text = std::move(converted);
  };
  for (TapeLine& line : snapshot.tape) convert(line.text, LineWithSeparator(line.text, separator));
  std::string total = snapshot.labels.lblGrandTotal;
  ConvertNumberText(total, separator);
  convert(snapshot.labels.lblGrandTotal, std::move(total));
  if (foreign) ConvertNumberText(snapshot.labels.lblResult, separator);
}

}  // namespace

Resumed ResumeKeptSession(KeptSession& kept, Calculator& calc, bool restore) {
  Resumed resumed;
  KeptSession::Found found = kept.Load();
  if (restore && found.snapshot) {
    InThisLocale(*found.snapshot, calc.DecimalSeparator());
    calc.Restore(std::move(*found.snapshot));
    resumed.restored = true;
  }
  if (!found.notice.isEmpty()) resumed.notices.push_back(found.notice);
  QString error;
  resumed.keeping = kept.Start(calc, &error);
  // After a notice that another window keeps the session, its reason is
  // told already.
  if (!resumed.keeping && !found.heldElsewhere) {
    resumed.notices.push_back(QStringLiteral("A sessão não pode ser guardada: %1.").arg(error));
  }
  return resumed;
}

}  // namespace tally::host
