#pragma once
// A host that records what the calculator asks of the window.

#include <string>
#include <vector>

#include "engine/calculator.h"

namespace tally::testing {

class FakeHost final : public CalculatorHost {
 public:
  std::vector<MessageBoxRequest> messages;
  std::vector<ErrorInfo> errors;
  int focusCount = 0;
  int printCount = 0;
  bool closed = false;
  std::vector<int> storedPlaces;

  void ShowMessageBox(const MessageBoxRequest& r) override { messages.push_back(r); }
  void AppendErrorLog(const ErrorInfo& e) override { errors.push_back(e); }
  void FocusSink() override { ++focusCount; }
  void PrintTape() override { ++printCount; }
  void CloseWindow() override { closed = true; }
  void StoreDecimalPlaces(int places) override { storedPlaces.push_back(places); }
};

// Types each character of `keys` through CheckKeyPress.
inline void Type(Calculator& calc, std::string_view keys) {
  for (const char c : keys) {
    int code = static_cast<unsigned char>(c);
    calc.CheckKeyPress(code);
  }
}

inline std::vector<std::string> TapeLines(const Calculator& calc) {
  const auto& lines = calc.GetTape().Lines();
  return {lines.begin(), lines.end()};
}

}  // namespace tally::testing
