#include "engine/calculator.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <new>
#include <optional>
#include <utility>

#include "engine/error_report.h"
#include "identity.h"
#include "tape/line_kind.h"
#include "tape/number_text.h"
#include "tape/replay.h"
#include "tape/text_utils.h"

namespace tally {
namespace {

TapeLineKind KindOf(const std::string& line) { return ClassifyTapeLine(line).kind; }

TapeLine SeparatorLine(bool closesWithoutAdding) {
  TapeLine line{std::string(kSeparatorLine)};
  line.closesWithoutAdding = closesWithoutAdding;
  return line;
}

void ShowDivisionByZero(CalculatorHost& host) {
  host.ShowMessageBox({kProgramTitle, kDivisionByZeroText, MessageIcon::Exclamation});
}

}  // namespace

std::string_view InputKindText(InputKind kind) {
  switch (kind) {
    case InputKind::Num: return "NUM";
    case InputKind::Ops: return "OPS";
    case InputKind::None: return "NONE";
    case InputKind::Ce: return "CE";
    case InputKind::Unset: break;
  }
  return {};
}

// The kind of line an operator writes.
TapeLineKind LineKindOf(PendingOp op) {
  switch (op) {
    case PendingOp::Divide: return TapeLineKind::Divide;
    case PendingOp::Add: return TapeLineKind::Add;
    case PendingOp::Multiply: return TapeLineKind::Multiply;
    case PendingOp::Subtract: return TapeLineKind::Subtract;
    case PendingOp::Equals: return TapeLineKind::Total;
    case PendingOp::Unset: break;
  }
  return TapeLineKind::Other;
}

std::string_view OperatorText(PendingOp op) { return TapeLineOperator(LineKindOf(op)); }

const Button* OperatorButtonShown(std::string_view shown) {
  for (const Button& b : kButtons) {
    if (b.operation == Operation::Operator && OperatorText(OperatorOfIndex(b.index)) == shown) {
      return &b;
    }
  }
  return nullptr;
}

PendingOp OperatorOfIndex(int Index) {
  switch (Index) {
    case kDivide: return PendingOp::Divide;
    case kAdd: return PendingOp::Add;
    case kMultiply: return PendingOp::Multiply;
    case kSubtract: return PendingOp::Subtract;
    case kEquals: return PendingOp::Equals;
    default: return PendingOp::Unset;
  }
}

Calculator::Calculator(CalculatorHost& host, std::string decimalSeparator)
    : host_(host), sep_(std::move(decimalSeparator)) {
  SetResult(std::string(labels_.lblResult));
}

std::string Calculator::Format(double value) const {
  return FormatNumber(value, s_.NumberFormat, sep_);
}

void Calculator::DropLastResultChars(std::size_t count) {
  for (; count > 0 && !labels_.lblResult.empty(); --count) {
    for (std::size_t bytes = Utf8LastCharSize(labels_.lblResult); bytes > 0; --bytes) {
      PopResultByte();
    }
  }
}

bool Calculator::ReadEntry(double& value) const {
  const double parsed = result_.Value(labels_.lblResult);
  if (!std::isfinite(parsed)) return false;
  value = parsed;
  return true;
}

// ---------------------------------------------------------------- state

void Calculator::StartNewTotal(bool AddToGrandTotal) {
  [&] {
    if (AddToGrandTotal) {
      const double sum = s_.EntryValue + s_.GrandTotal;
      if (!std::isfinite(sum)) {
        ReportError(true, "6", "Overflow", kModuleName, "StartNewTotal");
        return;
      }
      s_.GrandTotal = sum;
      SetGrandTotalLabel(sum == 0 ? "" : Format(sum) + " ");
    }
    SetResult(".");
    s_.EntryValue = 0;
    if (!tape_.Empty() && KindOf(tape_.LastText()) != TapeLineKind::Separator) {
      tape_.AddTapeLine(SeparatorLine(!AddToGrandTotal));
    }
    s_.Accumulator = 0;
    s_.Operand = 0;
    s_.LastEntry = 0;
    s_.EntryStarted = false;
    s_.OperandCount = 0;
    s_.LastInputKind = InputKind::Num;
    s_.EntryKeyed = true;
    s_.PendingOperator = PendingOp::Add;
    ShowOperator();
  }();
  host_.FocusSink();
}

void Calculator::SetStartValue(std::int64_t tenThousandths) {
  if (tenThousandths > 0) {
    s_.EntryValue = static_cast<double>(tenThousandths) / 10000.0;
    SetResult(Format(s_.EntryValue));
    s_.EntryStarted = true;
    s_.OperandCount = 1;
  } else {
    SetResult(".");
    s_.EntryValue = 0;
    s_.EntryStarted = false;
    s_.OperandCount = 0;
  }
  s_.EntryKeyed = tenThousandths <= 0;
  s_.Accumulator = 0;
  s_.Operand = 0;
  s_.LastEntry = 0;
  s_.LastInputKind = InputKind::Num;
  s_.PendingOperator = PendingOp::Add;
  ShowOperator();
}

// ---------------------------------------------------------------- entry

void Calculator::cmdNumber_Click(int Index) {
  if (Index < 0 || Index > 9) return;
  const char digit = static_cast<char>('0' + Index);
  if (s_.PendingOperator == PendingOp::Equals) StartNewTotal(s_.Accumulator != 0);
  if (s_.LastInputKind != InputKind::Num) {
    SetResult(".");
    s_.EntryStarted = false;
    s_.EntryKeyed = true;
  }
  if (s_.EntryStarted) {
    AppendToResult(digit);
  } else if (const auto point = result_.FirstPoint(labels_.lblResult); point != std::string::npos) {
    // The digit goes in before the point, and whatever followed the point
    // goes.
    while (labels_.lblResult.size() > point) PopResultByte();
    AppendToResult(digit);
    AppendToResult('.');
  }
  // An entry beyond the range of a double keeps the last value that fitted.
  ReadEntry(s_.EntryValue);
  s_.LastInputKind = InputKind::Num;
  s_.CancelPressed = false;
  host_.FocusSink();
}

void Calculator::cmdDecimal_Click() {
  if (s_.LastInputKind != InputKind::Num) SetResult(".");
  s_.EntryStarted = true;
  s_.LastInputKind = InputKind::Num;
  ReadEntry(s_.EntryValue);
  host_.FocusSink();
}

void Calculator::cmdBackspace_Click() { Backspace(); }

bool Calculator::Backspace() {
  // Only whether the display holds two characters or more matters.
  const std::size_t n = Utf8Length(labels_.lblResult, 3);
  if (n == 2) {
    SetResult(".");
    s_.EntryStarted = false;
    // Emptied: what comes next is keyed, whatever the display held.
    s_.EntryKeyed = true;
  } else if (n > 2 && labels_.lblResult.back() != '.') {
    DropLastResultChars(1);
  } else if (n > 2) {
    DropLastResultChars(2);
    AppendToResult('.');
    s_.EntryStarted = false;
  }
  // A display still past the largest double keeps the last value that fitted.
  const bool fits = ReadEntry(s_.EntryValue);
  host_.FocusSink();
  return fits;
}

void Calculator::cmdNegitive_Click() {
  s_.EntryValue = -s_.EntryValue;
  s_.NegativeEntry = !s_.NegativeEntry;
  SetResult(Format(s_.EntryValue));
  s_.EntryKeyed = false;
  host_.FocusSink();
}

void Calculator::cmdCancelEntry_Click() {
  SetResult("0");
  s_.EntryValue = 0;
  s_.EntryStarted = false;
  s_.LastInputKind = InputKind::Ce;
  host_.FocusSink();
}

// ---------------------------------------------------------------- operators

void Calculator::cmdOperator_Click(int Index) {
  host_.FocusSink();
  if (Index < 0 || Index > kEquals) return;
  ReadEntryInCents(Index);
  s_.Operand = s_.EntryValue;
  const double SavedAccumulator = s_.Accumulator;
  if (OperatorStopsEarly(Index)) return;
  TakeOver();
  // Closing "=".
  if (Index == kEquals && s_.TotalPending) {
    StartNewTotal(true);
    return;
  }
  // Going on after a total.
  if (s_.TotalPending) {
    WriteTotalLine(kAdd, s_.Accumulator);
    s_.TotalPending = false;
  }
  const bool keepAccumulator = CountOperand(Index, SavedAccumulator);
  ApplyPending(Index, keepAccumulator);
  s_.LastInputKind = InputKind::Ops;
  WriteOperandLine(SavedAccumulator);
  StoreOperator(Index);
}

// In add mode, an entry keyed without a point is read with its last two
// digits as decimals when "+" or "–" applies it: the pending operator, or
// the key itself for the first operand of a calculation. The display shows
// the number taken, so that the tape replays to the same totals.
void Calculator::ReadEntryInCents(int Index) {
  if (!s_.AddMode || !s_.EntryKeyed || s_.EntryStarted || s_.LastInputKind != InputKind::Num ||
      s_.EntryValue == 0) {
    return;
  }
  const PendingOp applying =
      s_.OperandCount == 0 && Index != kEquals ? OperatorOfIndex(Index) : s_.PendingOperator;
  // Before the first operator key after the window opens, "+" applies.
  if (applying != PendingOp::Add && applying != PendingOp::Subtract &&
      applying != PendingOp::Unset) {
    return;
  }
  s_.EntryValue /= 100;
  SetResult(Format(s_.EntryValue));
}

// The guard after a closed calculation, and the zero operand: nothing, except
// that minus on an empty entry begins "-.".
bool Calculator::OperatorStopsEarly(int Index) {
  if (Index != kEquals && s_.LastInputKind != InputKind::Num &&
      KindOf(tape_.LastText()) == TapeLineKind::Separator) {
    return true;
  }
  if (s_.Operand != 0) return false;
  if (Index == kSubtract && labels_.lblResult == ".") {
    SetResult("-.");
    s_.CancelPressed = false;
    ShowOperator();
  }
  return true;
}

// Take-over of the value in the display into a calculation that has taken no
// value yet. Mid-calculation a running result of 0 is an ordinary value.
void Calculator::TakeOver() {
  if (s_.Accumulator == 0 && !tape_.Empty() && s_.OperandCount == 0) {
    s_.Accumulator = s_.Operand;
    // A pending total writes the taken value itself (WriteTotalLine);
    // otherwise the operand line must still show it.
    if (s_.TotalPending) s_.Operand = 0;
  }
}

// Counts the operand keyed since the last operator key, or sets up the
// repetition of the pending operation. True when "=" must leave the result
// as it is.
bool Calculator::CountOperand(int Index, double SavedAccumulator) {
  if (s_.LastInputKind == InputKind::Num) {
    if (s_.OperandCount < 2) ++s_.OperandCount;
    s_.LastEntry = s_.EntryValue;
    return false;
  }
  if (s_.LastEntry != 0 && s_.LastInputKind == InputKind::Ops &&
      s_.PendingOperator != PendingOp::Equals) {
    // An operator key right after another one repeats the pending operation
    // with the last number keyed (negative numbers too); "=" does not.
    s_.OperandCount = 2;
    s_.Accumulator = SavedAccumulator;
    s_.Operand = s_.LastEntry;
    if (Index == kEquals) {
      s_.Operand = 0;
      return true;
    }
  }
  return false;
}

void Calculator::ApplyPending(int Index, bool keepAccumulator) {
  if (s_.OperandCount == 1) {
    s_.Accumulator = s_.EntryValue;
    if (Index == kEquals) {
      s_.PendingOperator = PendingOp::Equals;
      s_.TotalPending = true;
    }
    return;
  }
  if (s_.OperandCount != 2) return;
  double result = s_.Accumulator;
  if (!keepAccumulator) {
    switch (s_.PendingOperator) {
      case PendingOp::Add: result = s_.Accumulator + s_.Operand; break;
      case PendingOp::Subtract: result = s_.Accumulator - s_.Operand; break;
      case PendingOp::Multiply: result = s_.Accumulator * s_.Operand; break;
      case PendingOp::Divide:
        if (s_.Operand == 0) {
          ShowDivisionByZero(host_);
        } else {
          result = s_.Accumulator / s_.Operand;
        }
        break;
      case PendingOp::Equals:
        result = s_.Operand;
        s_.TotalPending = true;
        break;
      case PendingOp::Unset: break;
    }
  }
  // An overflow leaves the accumulator as it was; the key goes on.
  if (std::isfinite(result)) s_.Accumulator = result;
  SetResult(Format(s_.Accumulator));
  s_.EntryValue = s_.Accumulator;
  s_.OperandCount = 1;
}

void Calculator::WriteOperandLine(double SavedAccumulator) {
  if (s_.PendingOperator == PendingOp::Equals || s_.Operand == 0) return;
  if (s_.NegativeEntry) {
    // The restatement starts over from the running result, which is not a
    // closed calculation: its separator adds nothing.
    tape_.AppendDirect(SeparatorLine(true));
    tape_.AppendDirect(TapeLineText(TapeLineKind::Add, Format(SavedAccumulator)));
    s_.NegativeEntry = false;
  }
  // The very first operand line after the window opens carries "+", as after
  // a new total.
  if (s_.PendingOperator == PendingOp::Unset) s_.PendingOperator = PendingOp::Add;
  tape_.AddTapeLine(TapeLineText(LineKindOf(s_.PendingOperator), Format(s_.Operand)));
}

void Calculator::StoreOperator(int Index) {
  if (Index == kEquals) {
    const TapeLineParts last = ClassifyTapeLine(tape_.LastText());
    const bool shown = last.kind == TapeLineKind::Total && last.number == labels_.lblResult;
    if (!shown && s_.Accumulator != 0) {
      tape_.AddTapeLine(TapeLineText(TapeLineKind::Total, Format(s_.Accumulator)));
    }
    s_.LastInputKind = InputKind::None;
    s_.TotalPending = true;
  }
  s_.PendingOperator = OperatorOfIndex(Index);
  s_.CancelPressed = false;
  ShowOperator();
}

void Calculator::WriteTotalLine(int OperationIndex, double TotalValue) {
  if (TotalValue == 0) return;
  if (IsTotal(KindOf(tape_.LastText()))) {
    TapeLine line = tape_.LastLine();
    line.text += kSubtotalSuffix;
    tape_.SetLine(tape_.Count() - 1, std::move(line));
  } else {
    const bool operand = OperationIndex >= 0 && OperationIndex < kEquals;
    tape_.AddTapeLine(operand ? TapeLineText(LineKindOf(OperatorOfIndex(OperationIndex)),
                                             Format(TotalValue))
                              : Format(TotalValue));
  }
}

void Calculator::cmdCancel_Click() {
  StartNewTotal(false);
  if (s_.CancelPressed && s_.GrandTotal != 0) {
    tape_.AppendDirect(TapeLineText(TapeLineKind::GrandTotal, Format(s_.GrandTotal)));
    tape_.AddTapeLine(TapeLineText(TapeLineKind::Separator, {}));
    s_.GrandTotal = 0;
    SetGrandTotalLabel({});
  }
  s_.CancelPressed = true;
}

void Calculator::cmdGrandTotal_Click() {
  if (s_.GrandTotal == 0 && IsTotal(KindOf(tape_.LastText()))) {
    s_.GrandTotal = s_.EntryValue;
    s_.Operand = 0;
    s_.Accumulator = 0;
    SetResult(".");
    s_.EntryValue = 0;
  }
  if (!IsGrandTotal(KindOf(tape_.Text(tape_.Count() - 2)))) {
    cmdOperator_Click(kEquals);
  }
  if (s_.GrandTotal != 0) {
    s_.PendingOperator = PendingOp::Equals;
    s_.Operand = s_.GrandTotal;
    s_.EntryValue = s_.GrandTotal;
    SetResult(Format(s_.GrandTotal));
    s_.EntryKeyed = false;
    tape_.AppendDirect(TapeLineText(TapeLineKind::GrandTotalKey, Format(s_.GrandTotal)));
    tape_.AddTapeLine(TapeLineText(TapeLineKind::Separator, {}));
    s_.GrandTotal = 0;
    SetGrandTotalLabel({});
  }
}

// ---------------------------------------------------------------- functions

void Calculator::cmdFunction_Click(int Index) {
  const std::string procedure = "cmdFunction_Click" + std::to_string(Index);
  double value = s_.EntryValue;
  const char* errorNumber = nullptr;
  const char* description = nullptr;
  switch (Index) {
    case kSqrt:
      if (value < 0) {
        errorNumber = "5";
        description = "Invalid procedure call or argument";
      } else {
        value = std::sqrt(value);
      }
      break;
    case kPercent: value = (value / 100) * s_.Accumulator; break;
    case kReciprocal:
      if (value == 0) {
        errorNumber = "11";
        description = "Division by zero";
      } else {
        value = 1 / value;
      }
      break;
    default: break;
  }
  if (!errorNumber && !std::isfinite(value)) {
    errorNumber = "6";
    description = "Overflow";
  }
  if (errorNumber) {
    ReportError(true, errorNumber, description, kModuleName, procedure);
  } else {
    s_.EntryValue = value;
    SetResult(Format(value));
    s_.LastInputKind = InputKind::Num;
    s_.OperandCount = 1;
    ShowOperator();
    s_.EntryStarted = true;
  }
  host_.FocusSink();
}

void Calculator::cmdMemory_Click(int Index) {
  switch (Index) {
    case kMemoryAdd:
    case kMemorySubtract: {
      const double sum =
          Index == kMemoryAdd ? s_.EntryValue + s_.MemoryValue : s_.MemoryValue - s_.EntryValue;
      // The memory keeps its value rather than hold an overflow.
      if (std::isfinite(sum)) s_.MemoryValue = sum;
      break;
    }
    case kMemoryRecall:
      s_.EntryValue = s_.MemoryValue;
      SetResult(Format(s_.EntryValue));
      s_.EntryKeyed = false;
      break;
    default: s_.MemoryValue = 0; break;
  }
  labels_.lblMemoryVisible = s_.MemoryValue != 0;
  s_.LastInputKind = InputKind::Num;
  host_.FocusSink();
}

// ---------------------------------------------------------------- window

void Calculator::cmdClear_Click() {
  tape_.Clear();
  host_.FocusSink();
}

void Calculator::lstTape_Click(std::int32_t index) {
  tape_.Select(index);
  host_.FocusSink();
}

void Calculator::cmdPrint_Click() {
  if (!tape_.Empty()) host_.PrintTape();
  host_.FocusSink();
}

void Calculator::cmdClose_Click() { host_.CloseWindow(); }

void Calculator::cboDecPlace_Click(int places) {
  if (places < 0 || places > kMaxDecimalPlaces) return;
  BeforeWrite(kNumberFormatText, s_.NumberFormat);
  s_.NumberFormat = PictureForPlaces(places);
  host_.StoreDecimalPlaces(places);
  host_.FocusSink();
}

// ---------------------------------------------------------------- correction

void Calculator::lstTape_DblClick() {
  const std::int32_t selected = tape_.Selected();
  if (tape_.Empty() || selected < 0) return;
  const std::string& line = tape_.Text(selected);
  const TapeLineKind kind = KindOf(line);
  // Only numbers are corrected: totals are worked out again from them.
  if (kind == TapeLineKind::Separator || IsTotal(kind) || IsGrandTotal(kind)) return;
  const std::string_view first = FirstChar(line);
  if (first == kEnDash) {
    panel_.lblChangeFrom = "-" + std::string(FromChar(line, 2));
    panel_.cboType = "-";
  } else {
    panel_.lblChangeFrom = line;
    panel_.cboType = first;
  }
  panel_.lineOperator = first;
  panel_.txtChangeTo = FromChar(line, 3);
  panel_.numberSelected = true;
  panel_.inserting = false;
  panel_.visible = true;
}

void Calculator::cmdSaveChange_Click() {
  const std::int32_t selected = tape_.Selected();
  if (!panel_.visible || selected < 0 || selected >= tape_.Count()) {
    cmdCancelChange_Click();
    return;
  }
  // The number is read with the locale's separator as a decimal point too,
  // so that saving an unchanged "12,50" keeps 12,50; the largest number,
  // written past its own value, reads back too.
  std::string text = panel_.txtChangeTo;
  if (!sep_.empty() && sep_ != ".") {
    for (auto at = text.find(sep_); at != std::string::npos; at = text.find(sep_, at + 1)) {
      text.replace(at, sep_.size(), ".");
    }
  }
  double number = ParseLeadingNumber(text, PastLargest::WrittenLargest);
  if (!std::isfinite(number)) number = 0;

  std::string op = panel_.cboType == "-" ? std::string(kEnDash) : panel_.cboType;
  if (panel_.cboType == "1/x") {
    // The reciprocal of the new number, under the line's own operator.
    const double reciprocal = 1 / number;
    if (number == 0 || !std::isfinite(reciprocal)) {
      ShowDivisionByZero(host_);
      return;
    }
    number = reciprocal;
    op = panel_.lineOperator;
  }

  const bool inserting = panel_.inserting;
  panel_.visible = false;
  panel_.inserting = false;
  if (inserting) {
    tape_.InsertLine(selected, TapeLine(op + " " + Format(number)));
    ReplayAfterChange({tape_.Lines().begin(), tape_.Lines().end()});
    return;
  }
  // The line keeps its note and whatever else it carries.
  std::vector<TapeLine> lines(tape_.Lines().begin(), tape_.Lines().end());
  lines[static_cast<std::size_t>(selected)].text = op + " " + Format(number);
  ReplayAfterChange(std::move(lines));
}

void Calculator::ReplayAfterChange(std::vector<TapeLine> lines) {
  ReplayResult r = ReplayTape(std::move(lines), s_.NumberFormat, sep_);
  tape_.RewriteAll(std::move(r.lines));

  s_.GrandTotal = r.grandTotal;
  if (r.entryValue) s_.EntryValue = *r.entryValue;
  if (r.display) SetResult(*r.display);
  // A replayed total in the display is a result, not an entry.
  if (r.entryValue || r.display) s_.EntryKeyed = false;
  if (r.grandTotalLabel) SetGrandTotalLabel(*r.grandTotalLabel);
  if (r.runningValue != 0) {
    s_.Accumulator = r.runningValue;
    if (s_.LastInputKind != InputKind::Num) {
      s_.EntryValue = r.runningValue;
      SetResult(Format(s_.EntryValue));
    }
  }
  host_.FocusSink();
  if (r.divisionsByZero > 0) ShowDivisionByZero(host_);
}

// ---------------------------------------------------------------- worksheet

bool IsValidNote(std::string_view note) {
  if (note.find_first_of("\t\n\r") != std::string_view::npos) return false;
  return Utf8Length(note, kMaxNoteLength + 1) <= kMaxNoteLength;
}

bool Calculator::SetSelectedNote(std::string note) {
  if (!Reachable(Action::NoteLine)) return false;
  const std::int32_t selected = tape_.Selected();
  if (selected < 0 || selected >= tape_.Count()) return false;
  if (!IsValidNote(note)) {
    host_.ShowMessageBox({kProgramTitle, kNoteRefusedText, MessageIcon::Exclamation});
    return false;
  }
  tape_.SetNote(selected, std::move(note));
  host_.FocusSink();
  return true;
}

bool Calculator::SelectedIsOperand() const {
  const std::int32_t selected = tape_.Selected();
  return selected >= 0 && IsOperand(KindOf(tape_.Text(selected)));
}

void Calculator::cmdDeleteLine_Click() {
  if (!Reachable(Action::DeleteLine) || !SelectedIsOperand()) return;
  tape_.RemoveLine(tape_.Selected());
  ReplayAfterChange({tape_.Lines().begin(), tape_.Lines().end()});
}

void Calculator::cmdInsertLine_Click() {
  if (!Reachable(Action::InsertLine) || !SelectedIsOperand()) return;
  if (tape_.Count() >= Tape::kMaxLines) {
    host_.ShowMessageBox({kProgramTitle, kTapeFullText, MessageIcon::Exclamation});
    return;
  }
  panel_.lblChangeFrom.clear();
  panel_.txtChangeTo.clear();
  panel_.cboType = "+";
  panel_.lineOperator = "+";
  panel_.inserting = true;
  panel_.numberSelected = false;
  panel_.visible = true;
}

std::string Calculator::SelectedLineNumber() const {
  const std::int32_t selected = tape_.Selected();
  if (selected < 0) return {};
  const TapeLineParts parts = ClassifyTapeLine(tape_.Text(selected));
  if (parts.kind == TapeLineKind::Separator || parts.kind == TapeLineKind::Other) return {};
  return std::string(parts.number);
}

void Calculator::cmdUseNumber_Click() {
  if (!Reachable(Action::UseNumber)) return;
  const std::string number = SelectedLineNumber();
  if (number.empty()) return;
  Paste(number);
}

void Calculator::MoveSelection(std::int32_t index) {
  if (!Reachable(Action::MoveSelection) || tape_.Empty()) return;
  lstTape_Click(std::clamp(index, 0, tape_.Count() - 1));
}

void Calculator::DropLastChangeToChar() { DropLastChars(panel_.txtChangeTo, 1); }

void Calculator::TypeKey(int& keyCode) {
  if (Reachable(Action::Keypad)) {
    CheckKeyPress(keyCode);
  } else {
    TypeIntoChangeTo(keyCode);
    keyCode = 0;
  }
}

void Calculator::TypeIntoChangeTo(int keyCode) {
  if (!panel_.visible) return;
  if (keyCode == kKeyEscape) {
    cmdCancelChange_Click();
    return;
  }
  // The field is edited in place, so that a key costs the same whatever the
  // length of the text.
  if (keyCode == kKeyBackspace) {
    if (panel_.numberSelected) {
      panel_.txtChangeTo.clear();
    } else {
      DropLastChangeToChar();
    }
  } else if (keyCode < kKeySpace) {
    return;  // Enter and the other control keys leave the selection as it is
  } else {
    if (panel_.numberSelected) panel_.txtChangeTo.clear();
    AppendUtf8(panel_.txtChangeTo, Cp1252ToUnicode(static_cast<unsigned char>(keyCode)));
  }
  panel_.numberSelected = false;
}

void Calculator::cmdCancelChange_Click() {
  panel_.visible = false;
  panel_.inserting = false;
  host_.FocusSink();
}

// ---------------------------------------------------------------- clipboard

std::string Calculator::DisplayNumberText() const {
  std::string text = labels_.lblResult;
  // An entry shows its point last until a fraction digit comes, and a
  // picture without decimals writes the separator last: neither is copied.
  if (text.ends_with('.')) {
    text.pop_back();
  } else if (!sep_.empty() && text.ends_with(sep_)) {
    text.resize(text.size() - sep_.size());
  }
  if (const auto point = text.find('.'); point != std::string::npos) {
    text.replace(point, 1, sep_);
  }
  if (text.empty() || text == "-") return "0";
  return text;
}

bool Calculator::Paste(std::string_view text) {
  const std::optional<PastedNumber> number = ReadPastedNumber(text, sep_);
  if (!number) {
    host_.ShowMessageBox({kProgramTitle, kNotANumberText, MessageIcon::Exclamation});
    return false;
  }
  // Right after a total the paste begins the new calculation as a typed
  // digit would, adding the total first; "C&E" alone would leave it out.
  if (s_.PendingOperator == PendingOp::Equals) StartNewTotal(s_.Accumulator != 0);
  // Replaces an entry being keyed instead of extending it.
  cmdCancelEntry_Click();
  for (const char key : number->keys) {
    if (key == '.') {
      cmdDecimal_Click();
    } else {
      cmdNumber_Click(key - '0');
    }
  }
  if (number->negative) cmdNegitive_Click();
  // A pasted number is taken as it is, like a recalled one.
  s_.EntryKeyed = false;
  return true;
}

// ---------------------------------------------------------------- tape files

void Calculator::OpenTape(std::vector<TapeLine> lines) {
  const ReplayResult replay = ReplayTape(lines, s_.NumberFormat, sep_);
  // A new calculation on an empty tape writes nothing; then the lines come.
  tape_.Assign({});
  StartNewTotal(false);
  tape_.Assign(std::move(lines));
  s_.GrandTotal = replay.grandTotal;
  SetGrandTotalLabel(replay.grandTotal == 0 ? "" : Format(replay.grandTotal) + " ");
  s_.TotalPending = false;
  s_.CancelPressed = false;
  s_.NegativeEntry = false;
}

// ---------------------------------------------------------------- kept session

void Calculator::Restore(CalculatorSnapshot snapshot) {
  for (int k = 0; k < kTextCount; ++k) BeforeWrite(k, TextAt(k));
  s_ = std::move(snapshot.state);
  labels_ = std::move(snapshot.labels);
  // The display's reading follows the restored text from here on.
  SetResult(std::string(labels_.lblResult));
  panel_ = {};
  tape_.Assign(std::move(snapshot.tape));
  tape_.Select(snapshot.selected);
}

void Calculator::RecordText(int k, const std::string& text) {
  textsWritten_ |= static_cast<std::uint8_t>(1U << k);
  textStep_->PutText(static_cast<std::uint8_t>(k), text);
}

void Calculator::AfterPutBack() {
  std::string shown = std::move(labels_.lblResult);
  SetResult(std::move(shown));
  panel_ = {};
}

// ---------------------------------------------------------------- keyboard

void Calculator::Perform(Operation operation, int index) {
  switch (operation) {
    case Operation::Number: cmdNumber_Click(index); break;
    case Operation::Decimal: cmdDecimal_Click(); break;
    case Operation::Backspace: cmdBackspace_Click(); break;
    case Operation::CancelEntry: cmdCancelEntry_Click(); break;
    case Operation::Negative: cmdNegitive_Click(); break;
    case Operation::Operator: cmdOperator_Click(index); break;
    case Operation::Cancel: cmdCancel_Click(); break;
    case Operation::GrandTotal: cmdGrandTotal_Click(); break;
    case Operation::Function: cmdFunction_Click(index); break;
    case Operation::Memory: cmdMemory_Click(index); break;
    case Operation::Clear: cmdClear_Click(); break;
    case Operation::Print: cmdPrint_Click(); break;
    case Operation::Close: cmdClose_Click(); break;
  }
}

void Calculator::CheckKeyPress(int& keyCode) {
  try {
    if (const KeyBinding* key = FindKeyBinding(keyCode, sep_)) {
      if (key->operation == Operation::Backspace) {
        if (!Backspace()) {
          ReportError(true, "6", "Overflow", kModuleName, "CheckKeyPress");
          return;
        }
      } else {
        Perform(key->operation, key->index);
      }
    }
  } catch (const std::bad_alloc&) {
    ReportError(true, "7", "Out of memory", kModuleName, "CheckKeyPress");
    return;
  } catch (const std::exception& e) {
    ReportError(true, "5", e.what(), kModuleName, "CheckKeyPress");
    return;
  }
  keyCode = 0;
}

// ---------------------------------------------------------------- errors

void Calculator::ReportError(bool ShowMessage, const std::string& ErrorNumber,
                             const std::string& ErrorDescription, const std::string& ModuleName,
                             const std::string& ProcedureName) {
  const ErrorInfo error{ErrorNumber, ErrorDescription, ModuleName, ProcedureName};
  if (ShowMessage) {
    host_.ShowMessageBox({ErrorBoxTitle(), BuildErrorMessage(error), MessageIcon::Critical});
  }
  host_.AppendErrorLog(error);
}

}  // namespace tally
