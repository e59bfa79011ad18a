#pragma once
// Printing the tape through Qt: the placement decided in tape/print_layout.h
// drawn with a QPainter on a printer or a PDF file, in "Times New Roman"
// (Liberation Serif, its metric twin, where the original is missing).
//
// Every function here needs a QGuiApplication for its fonts. None of them
// reports a failure to the user, and none opens a file: a PDF goes into a
// device the caller provides (a document written through a temporary file,
// host/document_file.h), and a missing printer or a device that fails only
// makes the call return false.

#include <QDateTime>
#include <QFont>
#include <QFontMetricsF>
#include <QLocale>
#include <QPageLayout>
#include <QString>

#include <deque>
#include <functional>
#include <string_view>
#include <utility>

#include "tape/print_layout.h"
#include "tape/tape.h"

class QIODevice;
class QPaintDevice;
class QPagedPaintDevice;

namespace tally::print {

// The moment a job is printed; injectable so that tests fix the header.
using PrintClock = std::function<QDateTime()>;

// "ddd. dd/mm/yyyy @ hh:mm AMPM" with the date in the locale's order and its
// weekday, separators and AM/PM texts: "qua. 09/12/2026 @ 10:33 PM" in
// pt_BR, "Wed. 12/09/2026 @ 10:33 PM" in en_US.
QString PrintDateTimeText(const QDateTime& when, const QLocale& locale);

// The printing font at a size in points.
QFont PrintFont(double points);

// Measures the printing font on a paint device, in inches.
class QtPrintMetric final : public tally::PrintMetric {
 public:
  explicit QtPrintMetric(QPaintDevice& device);
  double TextWidth(std::string_view text, double points) const override;
  double TextHeight(std::string_view text, double points) const override;

  const QFontMetricsF& Metrics(double points) const;

 private:
  QPaintDevice* device_;
  double dpiX_;
  double dpiY_;
  mutable std::deque<std::pair<double, QFontMetricsF>> metrics_;
};

// Draws the whole tape as one job on a device whose painting has not begun,
// then ends it. False when painting could not begin (no printer, a file that
// cannot be written) or the tape is empty; nothing is drawn then.
bool PaintTape(QPagedPaintDevice& device, const tally::Tape& tape, const QLocale& locale,
               const PrintClock& clock = {});

// The print button's job: the tape on the default printer. Returns false at
// once, silently, when there is no printer or the tape is empty.
bool PrintTapeToDefaultPrinter(const tally::Tape& tape, const QLocale& locale,
                               const PrintClock& clock = {});

// The same job as a PDF written into `device`, which is open for writing:
// A4, or Letter in a locale that measures in inches, with a printable area
// 1/4 inch inside every edge of the sheet, as a typical printer leaves.
// False for an empty tape (nothing is written) or when painting failed; a
// failed write shows in the device's own state.
bool PrintTapeToPdf(const tally::Tape& tape, const QLocale& locale, QIODevice& device,
                    const PrintClock& clock = {});


// The PDF's unprintable border, in inches.
inline constexpr double kPdfMarginInches = 0.25;

// The PDF's page: A4, or Letter in a locale that measures in inches, upright,
// with that border. A print to a file takes the same page.
QPageLayout PdfPageLayout(const QLocale& locale);

}  // namespace tally::print
