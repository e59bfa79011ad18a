#pragma once
// The keypad as data: every button of the window with its caption and the
// operation it runs, and every typed key code with the button it stands for.
// The window builds and wires its buttons from this table, the batch driver
// clicks through it, and the key handling looks keys up in it; adding a
// button is one more row here.

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

// A rectangle of the window in twips (1/1440 inch): left, top, width, height.
struct TwipsRect {
  int left = 0, top = 0, width = 0, height = 0;
};

struct Button {
  std::string_view control;  // the control's name: "cmdNumber7", "cmdClear"
  std::string_view caption;  // "&" marks the access key: "C&E", "&Limpar"
  // What a screen reader says for the button; empty: the caption as read
  // ("7"). Symbols get words, since "x" would be read as a letter.
  std::string_view accessibleName;
  std::string_view toolTip;  // empty for none
  Operation operation;
  int index;        // within its array; 0 for a single button
  TwipsRect place;  // where the window shows it
};

// Every button of the main window, in tab order.
// clang-format off
inline constexpr auto kButtons = std::to_array<Button>({
    {"cmdBackspace", "Backspace", "", "Apaga um caracter do visor", Operation::Backspace, 0, {150, 975, 1905, 405}},
    {"cmdCancelEntry", "C&E", "Cancelar entrada", "Cancela Entrada do visor", Operation::CancelEntry, 0, {2115, 975, 645, 405}},
    {"cmdCancel", "&C", "Cancelar operação", "Cancela operação", Operation::Cancel, 0, {2805, 975, 810, 405}},
    {"cmdMemory3", "MC", "Limpar memória", "Limpa a memória", Operation::Memory, kMemoryClear, {165, 1590, 540, 500}},
    {"cmdMemory2", "MR", "Recuperar memória", "Recupera memória", Operation::Memory, kMemoryRecall, {165, 2100, 540, 500}},
    {"cmdMemory1", "M-", "Subtrair da memória", "Subtrai do total na memória", Operation::Memory, kMemorySubtract, {165, 2610, 540, 500}},
    {"cmdMemory0", "M+", "Adicionar à memória", "Adiciona ao total da memória", Operation::Memory, kMemoryAdd, {165, 3120, 540, 500}},
    {"cmdNumber0", "0", "", "", Operation::Number, 0, {870, 3120, 500, 500}},
    {"cmdNumber1", "1", "", "", Operation::Number, 1, {870, 2610, 500, 500}},
    {"cmdNumber2", "2", "", "", Operation::Number, 2, {1380, 2610, 500, 500}},
    {"cmdNumber3", "3", "", "", Operation::Number, 3, {1890, 2610, 500, 500}},
    {"cmdNumber4", "4", "", "", Operation::Number, 4, {870, 2100, 500, 500}},
    {"cmdNumber5", "5", "", "", Operation::Number, 5, {1380, 2100, 500, 500}},
    {"cmdNumber6", "6", "", "", Operation::Number, 6, {1890, 2100, 500, 500}},
    {"cmdNumber7", "7", "", "", Operation::Number, 7, {870, 1590, 500, 500}},
    {"cmdNumber8", "8", "", "", Operation::Number, 8, {1380, 1590, 500, 500}},
    {"cmdNumber9", "9", "", "", Operation::Number, 9, {1890, 1590, 500, 500}},
    {"cmdNegitive", "+/-", "Trocar sinal", "", Operation::Negative, 0, {1380, 3120, 500, 500}},
    {"cmdDecimal", ".", "Ponto decimal", "", Operation::Decimal, 0, {1890, 3120, 500, 500}},
    {"cmdOperator0", "/", "Dividir", "Dividir", Operation::Operator, kDivide, {2595, 1590, 500, 500}},
    {"cmdOperator2", "x", "Multiplicar", "Multiplicar", Operation::Operator, kMultiply, {2595, 2100, 500, 500}},
    {"cmdOperator3", "-", "Subtrair", "Subtrair", Operation::Operator, kSubtract, {2595, 2610, 500, 500}},
    {"cmdOperator1", "+", "Adicionar", "Adicionar", Operation::Operator, kAdd, {2595, 3120, 500, 500}},
    {"cmdOperator4", "=", "Igual", "", Operation::Operator, kEquals, {3120, 3120, 500, 500}},
    {"cmdFunction0", "sqrt", "Raiz quadrada", "", Operation::Function, kSqrt, {3120, 1590, 500, 500}},
    {"cmdFunction1", "%", "Porcentagem", "", Operation::Function, kPercent, {3120, 2100, 500, 500}},
    {"cmdFunction2", "1/x", "Inverso", "", Operation::Function, kReciprocal, {3120, 2610, 500, 500}},
    {"cmdGrandTotal", "&Grande Total", "", "Adiciona o Grande Total à fita de dados", Operation::GrandTotal, 0, {2550, 3780, 1065, 390}},
    {"cmdClose", "&Sair", "", "Encerra utilização da calculadora", Operation::Close, 0, {2550, 4335, 1065, 495}},
    {"cmdPrint", "Im&primir", "Imprimir fita", "Imprime a fita de dados", Operation::Print, 0, {3825, 4605, 780, 450}},
    {"cmdClear", "&Limpar", "Limpar fita", "Apaga a fita de dados", Operation::Clear, 0, {4635, 4605, 780, 450}},
});

// The caption as a user reads it, without the access-key mark: "CE".
std::string ClickName(const Button& button);

// The name a screen reader gives the button: its accessible name, or else
// its ClickName.
std::string SpokenName(const Button& button);

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
// The same where the locale's decimal separator is `decimalSeparator`: where
// it is ",", the "," key is the point key too.
const KeyBinding* FindKeyBinding(int code, std::string_view decimalSeparator);

}  // namespace tally
