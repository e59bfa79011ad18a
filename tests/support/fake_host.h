#pragma once
// Hosts for a calculator without a window (one that records what the
// calculator asks of it, one that does nothing), and ways to work the
// calculator as a user would: typed keys and clicked buttons.

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "engine/calculator.h"
#include "engine/keypad.h"
#include "tape/tape.h"
#include "tape/text_utils.h"

namespace tally::testing {

// The separator line and the tape's minus sign, as std::string.
inline const std::string kSep(kSeparatorLine);
inline const std::string kDash(kEnDash);

class FakeHost final : public CalculatorHost {
 public:
  std::vector<MessageBoxRequest> messages;
  std::vector<MessageBoxRequest> questions;
  bool answerYes = true;
  std::vector<ErrorInfo> errors;
  int focusCount = 0;
  int printCount = 0;
  bool closed = false;
  std::vector<int> storedPlaces;
  // "box" and "log", in the order the calculator asked for them.
  std::vector<std::string> order;

  void ShowMessageBox(const MessageBoxRequest& r) override {
    messages.push_back(r);
    order.emplace_back("box");
  }
  bool AskYesNo(const MessageBoxRequest& r) override {
    questions.push_back(r);
    return answerYes;
  }
  void AppendErrorLog(const ErrorInfo& e) override {
    errors.push_back(e);
    order.emplace_back("log");
  }
  void FocusSink() override { ++focusCount; }
  void PrintTape() override { ++printCount; }
  void CloseWindow() override { closed = true; }
  void StoreDecimalPlaces(int places) override { storedPlaces.push_back(places); }
};

class NullHost final : public CalculatorHost {
 public:
  void ShowMessageBox(const MessageBoxRequest&) override {}
  bool AskYesNo(const MessageBoxRequest&) override { return true; }
  void AppendErrorLog(const ErrorInfo&) override {}
  void FocusSink() override {}
  void PrintTape() override {}
  void CloseWindow() override {}
  void StoreDecimalPlaces(int) override {}
};

// Types each character of `keys` through CheckKeyPress.
inline void Type(Calculator& calc, std::string_view keys) {
  for (const char c : keys) {
    int code = static_cast<unsigned char>(c);
    calc.CheckKeyPress(code);
  }
}

// Runs a script: "[NAME]" clicks the button whose caption, without its "&",
// is NAME ("[x]" multiplies, "[Grande Total]"); blanks are skipped; any other
// character is typed. An unknown NAME throws std::invalid_argument.
inline void Keys(Calculator& calc, std::string_view script) {
  for (std::size_t pos = 0; pos < script.size(); ++pos) {
    const char c = script[pos];
    if (c == ' ') continue;
    if (c != '[') {
      Type(calc, script.substr(pos, 1));
      continue;
    }
    const std::size_t close = script.find(']', pos + 2);
    const std::string_view name = script.substr(pos + 1, close - pos - 1);
    const Button* button = FindButton(name);
    if (!button) throw std::invalid_argument("unknown button " + std::string(name));
    calc.Click(*button);
    pos = close;
  }
}

// A cycle of keys that writes operand, total, subtotal and separator lines.
inline constexpr std::string_view kLineCycle = "12.5+3*2-1=7/4==";

// Two decimal places, then the cycle typed until the tape is full.
inline void FillTape(Calculator& calc) {
  calc.cboDecPlace_Click(2);
  while (calc.GetTape().Count() < Tape::kMaxLines) Type(calc, kLineCycle);
}

inline std::vector<std::string> TapeLines(const Calculator& calc) {
  std::vector<std::string> texts;
  for (const TapeLine& line : calc.GetTape().Lines()) texts.push_back(line.text);
  return texts;
}

// The lines given by their texts alone.
inline std::vector<TapeLine> LinesOf(const std::vector<std::string>& texts) {
  return {texts.begin(), texts.end()};
}

// The tape's whole lines, marks and notes too.
inline std::vector<TapeLine> WholeLines(const Calculator& calc) {
  return {calc.GetTape().Lines().begin(), calc.GetTape().Lines().end()};
}

}  // namespace tally::testing
