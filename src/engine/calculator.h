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

// The calculator state, with the names and start values the window has.
struct CalculatorState {
  double Accumulator = 0;
  double Operand = 0;
  double LastEntry = 0;
  double MemoryValue = 0;
  bool EntryStarted = false;
  std::uint8_t OperandCount = 0;
  InputKind LastInputKind = InputKind::Unset;
  PendingOp PendingOperator = PendingOp::Unset;
  bool NegativeEntry = false;
  bool TotalPending = false;
  bool CancelPressed = false;
  double GrandTotal = 0;
  std::string NumberFormat;  // "" or "#0." plus 0..6 zeros
  double EntryValue = 0;
};

// Texts of the display labels, written explicitly by each operation.
struct DisplayTexts {
  std::string lblResult = "0.";
  std::string lblOperator = "+";
  std::string lblGrandTotal;
  bool lblMemoryVisible = false;
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
};

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

  // State operations.
  void StartNewTotal(bool AddToGrandTotal);
  // The value is a fixed-point decimal: a count of ten-thousandths.
  void SetStartValue(std::int64_t tenThousandths);

  // Keyboard: runs the operation mapped to a Windows-1252 key code and sets
  // the code to 0 (consumed); an operation that fails unexpectedly is reported
  // and the code is left as typed.
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

  // The clipboard: the display's number as the user sees it, with the
  // locale's decimal separator ("12,5" while "12.5" is keyed, "0" for an
  // empty entry); and a pasted text typed as an entry (after "C&E"), or
  // refused with a message when it is not one number.
  std::string DisplayNumberText() const;
  bool Paste(std::string_view text);

  // A tape opened from a file: the lines as they are, the grand total that a
  // replay of them computes, and a new calculation.
  void OpenTape(std::vector<std::string> lines);

  // A kept session put back: the calculator as it was (with the edit panel
  // closed).
  void Restore(CalculatorSnapshot snapshot);
  // The tape's changes since the last call, kept only while asked for.
  void KeepTapeChanges(bool keep) { tape_.KeepChanges(keep); }
  void TakeTapeChanges(std::vector<TapeChange>& into) { tape_.TakeChanges(into); }

  // N(v): a number written with the current picture.
  std::string Format(double value) const;

 private:
  // The phases of an operator key.
  bool OperatorStopsEarly(int Index);
  void TakeOver();
  bool CountOperand(int Index, double SavedAccumulator);
  void ApplyPending(int Index, bool keepAccumulator);
  void WriteOperandLine(double SavedAccumulator);
  void StoreOperator(int Index);

  void WriteTotalLine(int OperationIndex, double TotalValue);
  void ShowOperator() { labels_.lblOperator = OperatorText(s_.PendingOperator); }
  bool ReadEntry(double& value) const;
  // The display changes only through these, which keep its reading current.
  void SetResult(std::string text) { result_.Assign(labels_.lblResult, std::move(text)); }
  void AppendToResult(char c) { result_.PushBack(labels_.lblResult, c); }
  void DropLastResultChars(std::size_t count);

  CalculatorHost& host_;
  std::string sep_;
  CalculatorState s_;
  DisplayTexts labels_;
  // The display read as a number, followed key by key.
  LeadingNumberText result_;
  ChangePanel panel_;
  Tape tape_;
};

}  // namespace tally
