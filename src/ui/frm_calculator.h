#pragma once
// The main window of the calculator.
//
// How keys and clicks flow: a click on a button, or a key typed on the window,
// the tape list or the invisible focus sink `picSetFocus` (turned into its
// Windows-1252 code), calls the matching operation of the Calculator. The
// operation changes the calculator state and the tape, and asks the window,
// through the CalculatorHost interface it implements, for what only a window
// can do: a modal message box, a record in the error log, the focus back in
// the sink, printing, closing, storing the decimal places. When it returns,
// the window copies the calculator's label texts to its labels; the tape list
// has already followed the tape through its model. No widget holds any
// arithmetic state, and nothing here computes.

#include <QWidget>

#include <functional>
#include <string>

#include "engine/calculator.h"
#include "host/error_log.h"
#include "ui/controls.h"
#include "ui/tape_model.h"
#include "ui/tape_view.h"

class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tally::ui {

class frmCalculator final : public QWidget, public CalculatorHost {
  Q_OBJECT

 public:
  struct Options {
    std::string decimalSeparator = ",";
    host::ErrorLog::Environment errorLog;
  };
  // The locale's decimal separator; the error log next to the executable or
  // in the user's data folder, with the login and host names.
  static Options DefaultOptions();

  explicit frmCalculator(Options options = DefaultOptions(), QWidget* parent = nullptr);
  ~frmCalculator() override;

  const Calculator& calculator() const { return calc_; }

  // Prints the tape; the default sends it to the default printer.
  using PrintHandler = std::function<void(const Tape&, QWidget*)>;
  void SetPrintHandler(PrintHandler handler) { print_ = std::move(handler); }

  // CalculatorHost
  void ShowMessageBox(const MessageBoxRequest& request) override;
  void AppendErrorLog(const ErrorInfo& error) override;
  void FocusSink() override;
  void PrintTape() override;
  void CloseWindow() override;
  void StoreDecimalPlaces(int places) override;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void CreateDisplay();
  void CreateKeypad();
  void CreateTape();
  void CreateLinks();
  void CreateChangeTapePanel();

  // Runs one calculator operation, then shows the labels it wrote.
  void Run(const std::function<void()>& operation);
  void ShowLabels();
  KeyForward ForwardTypedKey(const QKeyEvent& event);
  void ShowTapeSelection(int row);
  // Shows the edit panel as the calculator has it; while it is open nothing
  // behind it takes a click, a key or the focus.
  void ShowChangePanel();
  void Form_Resize();

  void Image1_Click();
  void Image2_Click();
  void Image3_Click();

  Options options_;
  host::ErrorLog errorLog_;
  Calculator calc_;
  // Declared after the calculator: it lets go of the tape before the tape goes.
  TapeModel tapeModel_;
  PrintHandler print_;
  int runDepth_ = 0;
  bool selectionPending_ = false;
  int closeRequests_ = 0;

  KeySink* picSetFocus_ = nullptr;
  QLabel* lblResult_ = nullptr;
  QLabel* lblOperator_ = nullptr;
  QLabel* lblGrandTotal_ = nullptr;
  QLabel* lblMemory_ = nullptr;
  QComboBox* cboDecPlace_ = nullptr;
  TapeListView* lstTape_ = nullptr;
  QFrame* fraChangeTape_ = nullptr;
  QLabel* lblChangeFrom_ = nullptr;
  QLineEdit* txtChangeTo_ = nullptr;
  QComboBox* cboType_ = nullptr;
};

}  // namespace tally::ui
