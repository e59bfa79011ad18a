#pragma once
// What the calculator needs from the program around it (the window or the
// batch driver). Every call is synchronous: a message box is answered before
// ShowMessageBox returns.

#include <string>

namespace tally {

enum class MessageIcon { Exclamation, Critical, Question };

struct MessageBoxRequest {
  std::string title;
  std::string text;
  MessageIcon icon = MessageIcon::Exclamation;
};

// One reported run-time error, as the error log records it.
struct ErrorInfo {
  std::string number;
  std::string description;
  std::string moduleName;
  std::string procedureName;
};

class CalculatorHost {
 public:
  virtual ~CalculatorHost() = default;
  // A modal message box with one OK button.
  virtual void ShowMessageBox(const MessageBoxRequest& request) = 0;
  // A modal question with the buttons Yes and No; true for Yes.
  virtual bool AskYesNo(const MessageBoxRequest& request) = 0;
  // Appends one record to the error log; never throws, never fails loudly.
  virtual void AppendErrorLog(const ErrorInfo& error) = 0;
  // Gives the keyboard focus back to the focus sink.
  virtual void FocusSink() = 0;
  // Prints the whole tape.
  virtual void PrintTape() = 0;
  // Closes the main window, which ends the program.
  virtual void CloseWindow() = 0;
  // Stores the chosen number of decimal places (0..6) as the user's setting.
  virtual void StoreDecimalPlaces(int places) = 0;
};

}  // namespace tally
