#pragma once
// The calculator: its state, the texts of its four display labels, the tape,
// and every keypad operation. A host (the window or the batch driver) calls
// the operations for clicks and typed keys, then copies the label texts and
// the panel fields to whatever shows them. Nothing here knows of widgets.

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "engine/host.h"
#include "tape/tape.h"

namespace tally {

// The calculator state, with the names and start values the window has.
struct CalculatorState {
  double Accumulator = 0;
  double Operand = 0;
  double LastEntry = 0;
  double MemoryValue = 0;
  bool EntryStarted = false;
  std::uint8_t OperandCount = 0;
  std::string LastInputKind;    // "", "NUM", "OPS", "NONE", "CE"
  std::string PendingOperator;  // "", "+", "x", "/", en dash, "="
  bool NegativeEntry = false;
  bool TotalPending = false;
  bool CancelPressed = false;
  double GrandTotal = 0;
  std::string NumberFormat;     // "" or "#0." plus 0..6 zeros
  double EntryValue = 0;
};

// Texts of the display labels, written explicitly by each operation.
struct DisplayTexts {
  std::string lblResult = "0.";
  std::string lblOperator = "+";
  std::string lblGrandTotal;
  bool lblMemoryVisible = false;
};

// The edit panel that corrects a tape line.
struct ChangePanel {
  bool visible = false;
  std::string lblChangeFrom;
  std::string txtChangeTo;
  std::string cboType;
  // The operator the line had when the panel opened.
  std::string lineOperator;
};

// Indexes of the button arrays.
enum OperatorIndex : int { kDivide = 0, kAdd = 1, kMultiply = 2, kSubtract = 3, kEquals = 4 };
enum FunctionIndex : int { kSqrt = 0, kPercent = 1, kReciprocal = 2 };
enum MemoryIndex : int { kMemoryAdd = 0, kMemorySubtract = 1, kMemoryRecall = 2, kMemoryClear = 3 };

// Operator symbols as PendingOperator holds them.
inline constexpr std::string_view kOpAdd = "+";
inline constexpr std::string_view kOpMultiply = "x";
inline constexpr std::string_view kOpDivide = "/";
inline constexpr std::string_view kOpEquals = "=";
// kEnDash (tape/text_utils.h) is the minus.

inline constexpr const char* kDivisionByZeroText = "Erro de divisão por zero";
inline constexpr const char* kModuleName = "frmCalculator";

class Calculator {
 public:
  // `decimalSeparator` is the locale's (for example "," in pt_BR).
  Calculator(CalculatorHost& host, std::string decimalSeparator);

  const CalculatorState& State() const { return s_; }
  const DisplayTexts& Labels() const { return labels_; }
  const ChangePanel& Panel() const { return panel_; }
  const Tape& GetTape() const { return tape_; }
  Tape& MutableTape() { return tape_; }
  const std::string& DecimalSeparator() const { return sep_; }

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
                   const std::string& ErrorDescription,
                   const std::string& ModuleName,
                   const std::string& ProcedureName);

  // Tape correction.
  void lstTape_DblClick();
  void cmdSaveChange_Click();
  void cmdCancelChange_Click();
  // The panel's fields as the user edits them.
  void SetChangeTo(std::string text) { panel_.txtChangeTo = std::move(text); }
  void SetChangeType(std::string text) { panel_.cboType = std::move(text); }

  // N(v): a number written with the current picture.
  std::string Format(double value) const;

 private:
  void WriteTotalLine(int OperationIndex, double TotalValue);
  void RunKey(int keyCode);
  bool ReadEntry(double& value) const;

  CalculatorHost& host_;
  std::string sep_;
  CalculatorState s_;
  DisplayTexts labels_;
  ChangePanel panel_;
  Tape tape_;
};

}  // namespace tally
