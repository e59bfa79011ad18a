#pragma once
// The tape as a document, for the window and the batch driver alike: saved
// to a tape file, opened from one, exported as CSV and PDF. Every failure is
// told through the host's message box, and nothing of the tape is lost by it.

#include <QString>

#include <functional>

#include "engine/calculator.h"

class QIODevice;

namespace tally::host {

class TapeDocuments {
 public:
  // Paints the tape as a PDF into a device; false when it could not.
  using PdfPainter = std::function<bool(const Tape&, QIODevice&)>;

  TapeDocuments(Calculator& calc, CalculatorHost& host, PdfPainter paintPdf);

  // Each returns true when it did what it says.
  bool Save(const QString& path);
  // Asks first when the tape is not empty; a refused file changes nothing.
  bool Open(const QString& path);
  bool ExportCsv(const QString& path);
  bool ExportPdf(const QString& path);

 private:
  bool Write(const QString& path, const char* failure, const std::function<bool(QIODevice&)>& fill);
  void Tell(const QString& text);

  Calculator& calc_;
  CalculatorHost& host_;
  PdfPainter paintPdf_;
};

}  // namespace tally::host
