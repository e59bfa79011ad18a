#pragma once
// The calculator: its state, the texts of its four display labels, the tape,
// and every keypad operation. A host (the window or the batch driver) calls
// the operations for clicks and typed keys, then copies the label texts and
// the panel fields to whatever shows them. Nothing here knows of widgets.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/host.h"
#include "engine/keypad.h"
#include "engine/panel_reach.h"
#include "tape/number_text.h"
#include "tape/tape.h"
#include "tape/undo_bytes.h"

namespace tally {

// Kind of the last input, LastInputKind.
enum class InputKind : std::uint8_t {
  Unset,  // nothing yet since the window opened
  Num,    // a number was keyed or put into the display as the entry
  Ops,    // an operator key
  None,   // the "=" key
  Ce,     // the clear-entry key
};
// "", "NUM", "OPS", "NONE", "CE".
std::string_view InputKindText(InputKind kind);

// The operator waiting for its next operand, PendingOperator.
enum class PendingOp : std::uint8_t { Unset, Divide, Add, Multiply, Subtract, Equals };
// The symbol the tape, the operator label and snapshots show: "", "/", "+",
// "x", the en dash, "=".
std::string_view OperatorText(PendingOp op);
// The operator that the cmdOperator button `Index` stores.
PendingOp OperatorOfIndex(int Index);
// The operator button of what the operator label shows ("x", the en dash,
// "="); nullptr when it shows none.
const Button* OperatorButtonShown(std::string_view shown);

// The calculator state, with the names and start values the window has:
// every value but the picture, plain values copied and compared whole...
struct CalculatorValues {
  double Accumulator = 0;
  double Operand = 0;
  double LastEntry = 0;
  double MemoryValue = 0;
  double GrandTotal = 0;
  double EntryValue = 0;
  bool EntryStarted = false;
  std::uint8_t OperandCount = 0;
  InputKind LastInputKind = InputKind::Unset;
  PendingOp PendingOperator = PendingOp::Unset;
  bool NegativeEntry = false;
  bool TotalPending = false;
  bool CancelPressed = false;
  // Add mode: an entry keyed without a point that "+" or "–" applies is read
  // in cents ("1234 +" adds 12,34).
  bool AddMode = false;
  // The display holds an entry begun by the entry keys, not a number that an
  // operation recalled, pasted or computed.
  bool EntryKeyed = false;

  bool operator==(const CalculatorValues&) const = default;
};

// ...and the picture.
struct CalculatorState : CalculatorValues {
  std::string NumberFormat;  // "" or "#0." plus 0..6 zeros

  bool operator==(const CalculatorState&) const = default;
};

// Texts of the display labels, written explicitly by each operation.
struct DisplayTexts {
  std::string lblResult = "0.";
  std::string lblOperator = "+";
  std::string lblGrandTotal;
  bool lblMemoryVisible = false;

  bool operator==(const DisplayTexts&) const = default;
};

// The items of the edit panel's operation list, in order.
inline constexpr std::array<std::string_view, 5> kChangeOperations = {"+", "-", "/", "x", "1/x"};

// The edit panel that corrects a tape line.
struct ChangePanel {
  bool visible = false;
  std::string lblChangeFrom;
  std::string txtChangeTo;
  std::string cboType;
  // The operator the line had when the panel opened.
  std::string lineOperator;
  // The number's whole text is selected, as on opening: the next typed
  // character replaces it.
  bool numberSelected = false;
  // The panel writes a new line before the selected one instead of
  // correcting it.
  bool inserting = false;
};

// The longest note a line can carry, in characters.
inline constexpr std::size_t kMaxNoteLength = 200;

// Everything a kept session holds: the state, the labels, the tape and its
// selection. The edit panel is not kept: it comes back closed.
struct CalculatorSnapshot {
  CalculatorState state;
  DisplayTexts labels;
  std::vector<TapeLine> tape;
  std::int32_t selected = -1;
};

inline constexpr const char* kDivisionByZeroText = "Erro de divisão por zero";
inline constexpr const char* kNotANumberText =
    "Não foi possível colar: o texto copiado não é um número.";
inline constexpr const char* kModuleName = "frmCalculator";
inline constexpr const char* kNoteRefusedText =
    "A nota não foi gravada: ela pode ter até 200 caracteres, sem tabulações nem quebras de linha.";
inline constexpr const char* kTapeFullText =
    "A fita está cheia: apague uma linha antes de inserir outra.";

// Whether a note can be kept: at most kMaxNoteLength characters of UTF-8,
// with no tab and no line break.
bool IsValidNote(std::string_view note);

class Calculator {
 public:
  // `decimalSeparator` is the locale's (for example "," in pt_BR).
  Calculator(CalculatorHost& host, std::string decimalSeparator);

  const CalculatorState& State() const { return s_; }
  const DisplayTexts& Labels() const { return labels_; }
  const ChangePanel& Panel() const { return panel_; }
  // Whether the user can reach `action` now, with the edit panel as it is.
  bool Reachable(Action action) const { return Reaches(action, panel_.visible); }
  const Tape& GetTape() const { return tape_; }
  const std::string& DecimalSeparator() const { return sep_; }
  // A view that follows the tape (nullptr to stop).
  void SetTapeObserver(TapeObserver* observer) { tape_.SetObserver(observer); }

  // A click on a button of the keypad table.
  void Click(const Button& button) { Perform(button.operation, button.index); }
  void Perform(Operation operation, int index);

  // Number entry.
  void cmdNumber_Click(int Index);
  void cmdDecimal_Click();
  void cmdBackspace_Click();
  void cmdNegitive_Click();
  void cmdCancelEntry_Click();

  // Operators, equals and totals.
  void cmdOperator_Click(int Index);
  void cmdCancel_Click();
  void cmdGrandTotal_Click();

  // Functions and memory.
  void cmdFunction_Click(int Index);
  void cmdMemory_Click(int Index);

  // Tape, printing, closing, decimal places.
  void cmdClear_Click();
  void lstTape_Click(std::int32_t index);
  void cmdPrint_Click();
  void cmdClose_Click();
  void cboDecPlace_Click(int places);
  void SetAddMode(bool on) { s_.AddMode = on; }

  // State operations.
  void StartNewTotal(bool AddToGrandTotal);
  // The value is a fixed-point decimal: a count of ten-thousandths.
  void SetStartValue(std::int64_t tenThousandths);

  // Keyboard: runs the operation mapped to a Windows-1252 key code and sets
  // the code to 0 (consumed); an operation that fails unexpectedly is reported
  // and the code is left as typed. Where the locale's separator is ",", the
  // "," key is the point key; a Backspace that leaves the display past the
  // largest double is reported as an overflow.
  void CheckKeyPress(int& keyCode);

  void ReportError(bool ShowMessage, const std::string& ErrorNumber,
                   const std::string& ErrorDescription, const std::string& ModuleName,
                   const std::string& ProcedureName);

  // Tape correction.
  void lstTape_DblClick();
  void cmdSaveChange_Click();
  void cmdCancelChange_Click();
  // The panel's fields as the user edits them.
  void SetChangeTo(std::string text) {
    panel_.txtChangeTo = std::move(text);
    panel_.numberSelected = false;
  }
  // Typing in the number field: a character added at its end, the last one
  // taken away.
  void AppendToChangeTo(std::string_view text) { panel_.txtChangeTo += text; }
  void DropLastChangeToChar();
  // A typed key (Windows-1252 code) where it lands: on the calculator, as
  // CheckKeyPress, or while the panel is open in its number field, as a
  // text box whose text was all selected on opening takes it. There the
  // first character replaces the text (a first Backspace empties it), later
  // ones are appended, Backspace takes the last one away, Escape is
  // "Cancelar", Enter and the other codes below 32 do nothing.
  void TypeKey(int& keyCode);
  void TypeIntoChangeTo(int keyCode);
  void SetChangeType(std::string text) { panel_.cboType = std::move(text); }

  // The tape as a worksheet, each on the selected line. A note is set, or
  // removed when empty; one that cannot be kept is refused with a message
  // and false.
  bool SetSelectedNote(std::string note);
  // Whether the selected line is an operand line, which can be deleted and
  // have a line inserted before it.
  bool SelectedIsOperand() const;
  // Removes the selected operand line and replays the tape.
  void cmdDeleteLine_Click();
  // Opens the edit panel for a new "+" line, which "Gravar" puts in before
  // the selected operand line.
  void cmdInsertLine_Click();
  // The number of the selected line as the tape shows it; empty for a line
  // without one.
  std::string SelectedLineNumber() const;
  // Puts the selected line's number into the entry, as a paste of it does.
  void cmdUseNumber_Click();
  // Moves the selection to a line (clamped into the tape), as a click does.
  void MoveSelection(std::int32_t index);
  // The operand lines since the last separator or grand total line.
  std::int32_t Items() const { return tape_.Items(); }

  // The clipboard: the display's number as the user sees it, with the
  // locale's decimal separator ("12,5" while "12.5" is keyed, "0" for an
  // empty entry); and a pasted text typed as an entry (after "C&E"), or
  // refused with a message when it is not one number.
  std::string DisplayNumberText() const;
  bool Paste(std::string_view text);

  // A tape opened from a file: the lines as they are, the grand total that a
  // replay of them computes, and a new calculation.
  void OpenTape(std::vector<TapeLine> lines);

  // A kept session put back: the calculator as it was (with the edit panel
  // closed).
  void Restore(CalculatorSnapshot snapshot);
  // The tape's changes since the last call, kept only while asked for.
  void KeepTapeChanges(bool keep) { tape_.KeepChanges(keep); }
  void TakeTapeChanges(std::vector<TapeChange>& into) { tape_.TakeChanges(into); }

  // N(v): a number written with the current picture.
  std::string Format(double value) const;

 private:
  friend class UndoHistory;
  // The texts an undo step keeps, by number: the picture, then the labels.
  static constexpr int kTextCount = 4;
  static constexpr int kNumberFormatText = 0;
  static constexpr int kResultText = 1;
  static constexpr int kOperatorText = 2;
  static constexpr int kGrandTotalText = 3;
  std::string& TextAt(int k) {
    switch (k) {
      case kNumberFormatText: return s_.NumberFormat;
      case kResultText: return labels_.lblResult;
      case kOperatorText: return labels_.lblOperator;
      default: return labels_.lblGrandTotal;
    }
  }
  // While `step` is set, each text's value before it is first written goes
  // to it as entry k (and bit k of TextsWritten is set); nullptr stops it.
  void RecordTextsInto(UndoBytes* step) {
    textStep_ = step;
    textsWritten_ = 0;
  }
  std::uint8_t TextsWritten() const { return textsWritten_; }
  void BeforeWrite(int k, const std::string& text) {
    const auto bit = static_cast<std::uint8_t>(1U << k);
    if (textStep_ == nullptr || (textsWritten_ & bit) != 0) return;
    RecordText(k, text);
  }
  // Out of line, so that the many writers of a text stay small.
  void RecordText(int k, const std::string& text);
  // An undo or redo put values and texts back: the display is read again
  // and the panel closes (the tape is put back by the history itself).
  void AfterPutBack();

  // The phases of an operator key.
  void ReadEntryInCents(int Index);
  bool OperatorStopsEarly(int Index);
  void TakeOver();
  bool CountOperand(int Index, double SavedAccumulator);
  void ApplyPending(int Index, bool keepAccumulator);
  void WriteOperandLine(double SavedAccumulator);
  void StoreOperator(int Index);

  void WriteTotalLine(int OperationIndex, double TotalValue);
  // The Backspace key; false when the display still reads past the largest
  // double.
  bool Backspace();
  // Works out the tape again after a change of its operand lines, as a
  // saved correction does.
  void ReplayAfterChange(std::vector<TapeLine> lines);
  void ShowOperator() {
    BeforeWrite(kOperatorText, labels_.lblOperator);
    labels_.lblOperator = OperatorText(s_.PendingOperator);
  }
  void SetGrandTotalLabel(std::string text) {
    BeforeWrite(kGrandTotalText, labels_.lblGrandTotal);
    labels_.lblGrandTotal = std::move(text);
  }
  bool ReadEntry(double& value) const;
  // The display changes only through these, which keep its reading current.
  void SetResult(std::string text) {
    BeforeWrite(kResultText, labels_.lblResult);
    result_.Assign(labels_.lblResult, std::move(text));
  }
  void AppendToResult(char c) {
    BeforeWrite(kResultText, labels_.lblResult);
    result_.PushBack(labels_.lblResult, c);
  }
  void PopResultByte() {
    BeforeWrite(kResultText, labels_.lblResult);
    result_.PopBack(labels_.lblResult);
  }
  void DropLastResultChars(std::size_t count);

  CalculatorHost& host_;
  std::string sep_;
  CalculatorState s_;
  DisplayTexts labels_;
  // The display read as a number, followed key by key.
  LeadingNumberText result_;
  ChangePanel panel_;
  Tape tape_;
  // Every text is written through BeforeWrite first, for the undo history.
  UndoBytes* textStep_ = nullptr;
  std::uint8_t textsWritten_ = 0;
};

}  // namespace tally
