#pragma once
// Runs a parsed script against the calculator, as the window would run the
// same clicks and keys, and writes the snapshots as JSON lines.

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "batch/script.h"
#include "engine/calculator.h"
#include "host/kept_session.h"
#include "host/tape_documents.h"

namespace tally::batch {

class Session final : public CalculatorHost {
 public:
  struct Options {
    std::string decimalSeparator = ",";
    // Appends a record to the error log; empty drops the records.
    std::function<void(const ErrorInfo&)> appendErrorLog;
    // Prints the tape; empty means there is no printer (nothing happens).
    std::function<void(const Tape&)> print;
    // Paints the tape as a PDF for {export-pdf}; empty refuses the export.
    host::TapeDocuments::PdfPainter paintPdf;
    // The kept session: read at the start when it exists, and kept up to
    // date after every command. Empty keeps nothing.
    QString keptSession;
  };

  explicit Session(Options options);
  ~Session() override;

  // Runs every command, then prints the final snapshot.
  void Run(const std::vector<Command>& commands, std::ostream& out);
  // Runs commands (printing the snapshots they ask for) and nothing more, so
  // that a long script can be fed in pieces.
  void RunCommands(const std::vector<Command>& commands, std::ostream& out);
  // Runs one command; nothing once the window has been closed.
  void RunCommand(const Command& command, std::ostream& out);

  const Calculator& GetCalculator() const { return calc_; }
  // The snapshot as JSON; the messages it lists are taken, so the next
  // snapshot lists only newer ones.
  std::string TakeSnapshot();

  // CalculatorHost
  void ShowMessageBox(const MessageBoxRequest& request) override;
  // Answered Yes at once, and recorded like a message box.
  bool AskYesNo(const MessageBoxRequest& request) override;
  void AppendErrorLog(const ErrorInfo& error) override;
  void FocusSink() override {}
  void PrintTape() override;
  void CloseWindow() override { closed_ = true; }
  void StoreDecimalPlaces(int) override {}

 private:
  void Execute(const Command& command, std::ostream& out);

  Options options_;
  Calculator calc_;
  host::TapeDocuments documents_;
  std::unique_ptr<host::KeptSession> kept_;
  std::vector<MessageBoxRequest> messages_;
  bool closed_ = false;
};

// JSON helpers, shared with the tests.
std::string JsonString(std::string_view utf8);
std::string JsonNumber(double value);

}  // namespace tally::batch
