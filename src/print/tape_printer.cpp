#include "print/tape_printer.h"

#include <QColor>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QPen>
#include <QPrinter>
#include <QPrinterInfo>

#include <string>

#include "identity.h"
#include "qt_text.h"

namespace tally::print {
namespace {

// The text between the first two fields of a date or time format ("/" in
// "dd/MM/yyyy", ":" in "HH:mm"); quoted literals lose their quotes. A blank
// only separates month names ("d MMM yyyy"), not numbers: the fallback then.
std::string SeparatorOf(const QString& format, const char* fallback) {
  qsizetype k = 0;
  while (k < format.size() && !format[k].isLetter()) ++k;
  while (k < format.size() && format[k].isLetter()) ++k;
  QString separator;
  for (; k < format.size() && !format[k].isLetter(); ++k) {
    if (format[k] != u'\'') separator += format[k];
  }
  return separator.trimmed().isEmpty() ? std::string(fallback) : separator.toStdString();
}

// The order of day, month and year in a date format ("dd/MM/yyyy" is day
// first, "M/d/yy" month first, "yyyy-MM-dd" year first). A format that names
// the month in words gives no numeric order: the picture's own then.
DateOrder OrderOf(const QString& format) {
  qsizetype day = -1, month = -1, year = -1;
  bool quoted = false;
  for (qsizetype k = 0; k < format.size(); ++k) {
    const QChar c = format[k];
    if (c == u'\'') quoted = !quoted;
    if (quoted) continue;
    if (c == u'd' && day < 0) day = k;
    if (c == u'y' && year < 0) year = k;
    if (c == u'M' && month < 0) {
      month = k;
      if (k + 2 < format.size() && format[k + 1] == u'M' && format[k + 2] == u'M') {
        return DateOrder::MonthDayYear;
      }
    }
  }
  if (day < 0 || month < 0 || year < 0) return DateOrder::MonthDayYear;
  if (year < month && month < day) return DateOrder::YearMonthDay;
  if (day < month) return DateOrder::DayMonthYear;
  return DateOrder::MonthDayYear;
}

QColor ColourOf(std::uint32_t value) {
  return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                static_cast<int>((value >> 16) & 0xFF));
}

// A thin rule that still shows on paper: one dot of a 300-dpi printer.
constexpr double kRuleWidthInches = 1.0 / 300;

}  // namespace

QString PrintDateTimeText(const QDateTime& when, const QLocale& locale) {
  const QDate date = when.date();
  const QTime time = when.time();
  PrintDateNames names;
  names.weekday = locale.dayName(date.dayOfWeek(), QLocale::ShortFormat).toStdString();
  names.dateSeparator = SeparatorOf(locale.dateFormat(QLocale::ShortFormat), "/");
  names.order = OrderOf(locale.dateFormat(QLocale::ShortFormat));
  names.timeSeparator = SeparatorOf(locale.timeFormat(QLocale::ShortFormat), ":");
  names.am = locale.amText().toStdString();
  names.pm = locale.pmText().toStdString();
  return QString::fromStdString(FormatPrintDateTime(
      {date.year(), date.month(), date.day(), time.hour(), time.minute()}, names));
}

QFont PrintFont(double points) {
  QFont font(QStringLiteral("Times New Roman"));
  font.setStyleHint(QFont::Serif);
  font.setPointSizeF(points);
  // Advances add up as the metric-compatible font defines them.
  font.setKerning(false);
  return font;
}

QtPrintMetric::QtPrintMetric(QPaintDevice& device)
    : device_(&device), dpiX_(device.logicalDpiX()), dpiY_(device.logicalDpiY()) {}

const QFontMetricsF& QtPrintMetric::Metrics(double points) const {
  for (const auto& [size, metrics] : metrics_) {
    if (size == points) return metrics;
  }
  metrics_.emplace_back(points, QFontMetricsF(PrintFont(points), device_));
  return metrics_.back().second;
}

double QtPrintMetric::TextWidth(std::string_view text, double points) const {
  return Metrics(points).horizontalAdvance(ToQString(text)) / dpiX_;
}

double QtPrintMetric::TextHeight(std::string_view, double points) const {
  // One line of the font, baseline to baseline.
  return Metrics(points).lineSpacing() / dpiY_;
}

bool PaintTape(QPagedPaintDevice& device, const tally::Tape& tape, const QLocale& locale,
               const PrintClock& clock) {
  if (tape.Empty()) return false;
  QPainter painter;
  if (!painter.begin(&device)) return false;

  const QDateTime now = clock ? clock() : QDateTime::currentDateTime();
  const std::string header = PrintHeaderText(PrintDateTimeText(now, locale).toStdString());

  const double dpiX = device.logicalDpiX();
  const double dpiY = device.logicalDpiY();
  const QtPrintMetric metric(device);
  const PrintArea area{device.width() / dpiX, device.height() / dpiY};
  const TapePrintLayout layout = LayOutTapePrint(tape, header, area, metric);
  const QRectF printable(0, 0, device.width(), device.height());

  double points = -1;
  double ascent = 0;
  std::uint32_t colour = kPrintBlack;
  painter.setPen(ColourOf(colour));
  for (std::size_t page = 0; page < layout.PageCount(); ++page) {
    if (page > 0) device.newPage();
    if (page == 0) {
      const PlacedRule& r = layout.rule;
      painter.save();
      painter.setPen(QPen(ColourOf(r.colour), kRuleWidthInches * dpiY));
      painter.drawLine(QPointF(r.x1 * dpiX, r.y1 * dpiY), QPointF(r.x2 * dpiX, r.y2 * dpiY));
      painter.restore();
    }
    for (const PlacedText& t : layout.Page(page)) {
      if (t.points != points) {
        points = t.points;
        painter.setFont(PrintFont(points));
        ascent = metric.Metrics(points).ascent();
      }
      if (t.colour != colour) {
        colour = t.colour;
        painter.setPen(ColourOf(colour));
      }
      const QString text = ToQString(t.text);
      const QPointF baseline(t.x * dpiX, t.top * dpiY + ascent);
      if (t.x < t.clipLeft) {
        // A line wider than its column is cut at the column's left edge.
        painter.save();
        painter.setClipRect(printable.adjusted(t.clipLeft * dpiX, 0, 0, 0));
        painter.drawText(baseline, text);
        painter.restore();
      } else {
        painter.drawText(baseline, text);
      }
    }
  }
  return painter.end();
}

bool PrintTapeToDefaultPrinter(const tally::Tape& tape, const QLocale& locale,
                               const PrintClock& clock) {
  if (tape.Empty()) return false;
  const QPrinterInfo info = QPrinterInfo::defaultPrinter();
  if (info.isNull()) return false;
  QPrinter printer(info, QPrinter::HighResolution);
  printer.setDocName(QString::fromUtf8(kProgramTitle));
  // Four 1.5-inch columns need the sheet upright.
  printer.setPageOrientation(QPageLayout::Portrait);
  return PaintTape(printer, tape, locale, clock);
}

bool PrintTapeToPdf(const tally::Tape& tape, const QLocale& locale, QIODevice& device,
                    const PrintClock& clock) {
  if (tape.Empty()) return false;
  QPdfWriter writer(&device);
  writer.setCreator(QString::fromUtf8(kProgramTitle) + QLatin1Char(' ') +
                    QString::fromUtf8(kVersion));
  writer.setTitle(QString::fromUtf8(kProgramTitle));
  writer.setPageLayout(PdfPageLayout(locale));
  return PaintTape(writer, tape, locale, clock);
}

QPageLayout PdfPageLayout(const QLocale& locale) {
  const bool inches = locale.measurementSystem() == QLocale::ImperialUSSystem;
  return QPageLayout(
      QPageSize(inches ? QPageSize::Letter : QPageSize::A4), QPageLayout::Portrait,
      QMarginsF(kPdfMarginInches, kPdfMarginInches, kPdfMarginInches, kPdfMarginInches),
      QPageLayout::Inch);
}

}  // namespace tally::print
