#pragma once
// The keypad as data: every button of the window with its caption and the
// operation it runs, and every typed key code with the button it stands for.
// The window builds and wires its buttons from this table (their places,
// tooltips and spoken names are the window's own), the batch driver clicks
// through it, and the key handling looks keys up in it; adding a button is
// one more row here and one in the window's layout.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace tally {

// Key codes that have names of their own (Windows-1252 codes otherwise).
inline constexpr int kKeyBackspace = 8;
inline constexpr int kKeyEnter = 13;
inline constexpr int kKeyEscape = 27;
inline constexpr int kKeySpace = 32;

// What a button does; buttons of one array share the operation and differ by
// index.
enum class Operation : std::uint8_t {
  Number,       // cmdNumber_Click(index), the digit
  Decimal,      // cmdDecimal_Click
  Backspace,    // cmdBackspace_Click
  CancelEntry,  // cmdCancelEntry_Click
  Negative,     // cmdNegitive_Click
  Operator,     // cmdOperator_Click(index)
  Cancel,       // cmdCancel_Click
  GrandTotal,   // cmdGrandTotal_Click
  Function,     // cmdFunction_Click(index)
  Memory,       // cmdMemory_Click(index)
  Clear,        // cmdClear_Click
  Print,        // cmdPrint_Click
  Close,        // cmdClose_Click
};

// Indexes of the button arrays.
enum OperatorIndex : int { kDivide = 0, kAdd = 1, kMultiply = 2, kSubtract = 3, kEquals = 4 };
enum FunctionIndex : int { kSqrt = 0, kPercent = 1, kReciprocal = 2 };
enum MemoryIndex : int { kMemoryAdd = 0, kMemorySubtract = 1, kMemoryRecall = 2, kMemoryClear = 3 };

struct Button {
  std::string_view control;  // the control's name: "cmdNumber7", "cmdClear"
  std::string_view caption;  // "&" marks the access key: "C&E", "&Limpar"
  Operation operation;
  int index;  // within its array; 0 for a single button
};

// Every button of the main window, in tab order.
// clang-format off
inline constexpr auto kButtons = std::to_array<Button>({
    {"cmdBackspace", "Backspace", Operation::Backspace, 0},
    {"cmdCancelEntry", "C&E", Operation::CancelEntry, 0},
    {"cmdCancel", "&C", Operation::Cancel, 0},
    {"cmdMemory3", "MC", Operation::Memory, kMemoryClear},
    {"cmdMemory2", "MR", Operation::Memory, kMemoryRecall},
    {"cmdMemory1", "M-", Operation::Memory, kMemorySubtract},
    {"cmdMemory0", "M+", Operation::Memory, kMemoryAdd},
    {"cmdNumber0", "0", Operation::Number, 0},
    {"cmdNumber1", "1", Operation::Number, 1},
    {"cmdNumber2", "2", Operation::Number, 2},
    {"cmdNumber3", "3", Operation::Number, 3},
    {"cmdNumber4", "4", Operation::Number, 4},
    {"cmdNumber5", "5", Operation::Number, 5},
    {"cmdNumber6", "6", Operation::Number, 6},
    {"cmdNumber7", "7", Operation::Number, 7},
    {"cmdNumber8", "8", Operation::Number, 8},
    {"cmdNumber9", "9", Operation::Number, 9},
    {"cmdNegitive", "+/-", Operation::Negative, 0},
    {"cmdDecimal", ".", Operation::Decimal, 0},
    {"cmdOperator0", "/", Operation::Operator, kDivide},
    {"cmdOperator2", "x", Operation::Operator, kMultiply},
    {"cmdOperator3", "-", Operation::Operator, kSubtract},
    {"cmdOperator1", "+", Operation::Operator, kAdd},
    {"cmdOperator4", "=", Operation::Operator, kEquals},
    {"cmdFunction0", "sqrt", Operation::Function, kSqrt},
    {"cmdFunction1", "%", Operation::Function, kPercent},
    {"cmdFunction2", "1/x", Operation::Function, kReciprocal},
    {"cmdGrandTotal", "&Grande Total", Operation::GrandTotal, 0},
    {"cmdClose", "&Sair", Operation::Close, 0},
    {"cmdPrint", "Im&primir", Operation::Print, 0},
    {"cmdClear", "&Limpar", Operation::Clear, 0},
});

// The caption as a user reads it, without the access-key mark: "CE".
std::string ClickName(const Button& button);

// The button whose ClickName is `name`; nullptr for none.
const Button* FindButton(std::string_view clickName);

// clang-format on

// A typed key and the button it stands for.
struct KeyBinding {
  int code;
  Operation operation;
  int index;
};

// The keyboard's table: letters in both cases; "x" closes the window, "*"
// multiplies. Keys not here do nothing.
// clang-format off
inline constexpr auto kKeyBindings = std::to_array<KeyBinding>({
    {'0', Operation::Number, 0}, {'1', Operation::Number, 1},
    {'2', Operation::Number, 2}, {'3', Operation::Number, 3},
    {'4', Operation::Number, 4}, {'5', Operation::Number, 5},
    {'6', Operation::Number, 6}, {'7', Operation::Number, 7},
    {'8', Operation::Number, 8}, {'9', Operation::Number, 9},
    {'.', Operation::Decimal, 0},
    {kKeyBackspace, Operation::Backspace, 0},
    {'E', Operation::CancelEntry, 0}, {'e', Operation::CancelEntry, 0},
    {'+', Operation::Operator, kAdd},
    {'-', Operation::Operator, kSubtract},
    {'*', Operation::Operator, kMultiply},
    {'/', Operation::Operator, kDivide},
    {kKeyEnter, Operation::Operator, kEquals},
    {'=', Operation::Operator, kEquals},
    {'%', Operation::Function, kPercent},
    {'C', Operation::Cancel, 0}, {'c', Operation::Cancel, 0},
    {kKeyEscape, Operation::Cancel, 0},
    {'G', Operation::GrandTotal, 0}, {'g', Operation::GrandTotal, 0},
    {'L', Operation::Clear, 0}, {'l', Operation::Clear, 0},
    {'P', Operation::Print, 0}, {'p', Operation::Print, 0},
    {'S', Operation::Close, 0}, {'s', Operation::Close, 0},
    {'X', Operation::Close, 0}, {'x', Operation::Close, 0},
});
// clang-format on

// The binding of a key code; nullptr for a key that does nothing.
const KeyBinding* FindKeyBinding(int code);

}  // namespace tally
