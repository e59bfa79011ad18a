// The Qt side of printing: the header's date picture from QLocale, the font
// and its metrics, and whole jobs written to PDF files.

#include "print/tape_printer.h"

#include <QBuffer>
#include <QFile>
#include <QFontInfo>
#include <QGuiApplication>
#include <QPdfWriter>
#include <QPrinterInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "fail_device.h"

namespace tally::print {
namespace {

const QDateTime kWednesdayNight(QDate(2026, 12, 9), QTime(22, 33, 41));

PrintClock FixedClock(const QDateTime& when) {
  return [when] { return when; };
}

Tape TapeOf(std::initializer_list<const char*> lines) {
  Tape tape;
  for (const char* line : lines) tape.AppendDirect(line);
  return tape;
}

// Plain text of a PDF through poppler's pdftotext.
std::string PdfText(const QString& file) {
  const std::string command = "pdftotext -enc UTF-8 '" + file.toStdString() + "' -";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  std::string text;
  if (!pipe) return text;
  char buf[4096];
  while (const std::size_t n = std::fread(buf, 1, sizeof buf, pipe.get())) {
    text.append(buf, n);
  }
  return text;
}

// The day's short name and the AM/PM marker are the locale's words, which
// differ between versions of the locale data: they are taken from the
// locale here (the day's name with one point after it); the order of day and
// month, the separators and the 12-hour clock are the picture's own.
TEST(PrintDateTime, PictureFromTheLocale) {
  const struct {
    const char* locale;
    QDateTime when;
    const char* text;  // %1: the day's short name, %2: the AM or PM marker
  } cases[] = {
      // 9 December 2026, in each locale's own order of day and month.
      {"pt_BR", kWednesdayNight, "%1. 09/12/2026 @ 10:33 %2"},
      {"en_US", kWednesdayNight, "%1. 12/09/2026 @ 10:33 %2"},
      {"de_DE", kWednesdayNight, "%1. 09.12.2026 @ 10:33 %2"},
      {"nl_NL", kWednesdayNight, "%1. 09-12-2026 @ 10:33 %2"},
      {"ja_JP", kWednesdayNight, "%1. 2026/12/09 @ 10:33 %2"},
      {"en_US", QDateTime(QDate(2026, 3, 1), QTime(0, 5)), "%1. 03/01/2026 @ 12:05 %2"},
      {"pt_BR", QDateTime(QDate(2026, 3, 7), QTime(12, 0)), "%1. 07/03/2026 @ 12:00 %2"},
      // Month names only: no numeric date separator to take.
      {"C", kWednesdayNight, "%1. 12/09/2026 @ 10:33 %2"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.locale);
    const QLocale locale(QString::fromLatin1(c.locale));
    QString day = locale.dayName(c.when.date().dayOfWeek(), QLocale::ShortFormat);
    if (day.endsWith(QLatin1Char('.'))) day.chop(1);
    const QString marker = c.when.time().hour() < 12 ? locale.amText() : locale.pmText();
    EXPECT_EQ(PrintDateTimeText(c.when, locale), QString::fromUtf8(c.text).arg(day, marker));
  }
  // Where the machine's data has the usual words, they are these.
  const QLocale brazil(QStringLiteral("pt_BR"));
  if (brazil.dayName(3, QLocale::ShortFormat).startsWith(QStringLiteral("qua")) &&
      brazil.pmText() == QStringLiteral("PM")) {
    EXPECT_EQ(PrintDateTimeText(kWednesdayNight, brazil), QStringLiteral("qua. 09/12/2026 @ 10:33 PM"));
  }
}

TEST(PrintFont, IsTimesNewRomanOrItsMetricTwin) {
  const QFontInfo info(PrintFont(10));
  EXPECT_TRUE(info.family() == QStringLiteral("Times New Roman") ||
              info.family() == QStringLiteral("Liberation Serif"))
      << info.family().toStdString();
}

TEST(PrintMetric, MeasuresTimesNewRomanAdvancesInInches) {
  QTemporaryDir dir;
  QPdfWriter writer(dir.filePath(QStringLiteral("m.pdf")));
  const QtPrintMetric metric(writer);
  // "+ 12,00": 0.564 + 0.25 + 4 * 0.5 + 0.25 em, at 10 points.
  EXPECT_NEAR(metric.TextWidth("+ 12,00", 10) * 72, 30.64, 0.15);
  EXPECT_NEAR(metric.TextWidth("+ 12,00", 5) * 72, 15.32, 0.15);
  // One line of a 10-point font is a little over 11 points.
  EXPECT_NEAR(metric.TextHeight("TextString", 10) * 72, 11.5, 0.6);
  EXPECT_EQ(metric.TextHeight("", 10), metric.TextHeight("TextString", 10));
}

class PdfJob : public ::testing::Test {
 protected:
  QString File(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }
  // A job written into a plain file, as a test may.
  bool PdfFile(const Tape& tape, const QString& file, const PrintClock& clock = {}) {
    QFile out(file);
    return out.open(QIODevice::WriteOnly) &&
           PrintTapeToPdf(tape, QLocale(QStringLiteral("pt_BR")), out, clock);
  }
  QTemporaryDir dir_;
};

TEST_F(PdfJob, WritesTheHeaderAndTheLines) {
  if (std::system("command -v pdftotext >/dev/null") != 0) {
    GTEST_SKIP() << "the PDF is read back with pdftotext (poppler-utils), which this machine lacks";
  }
  const Tape tape = TapeOf({"+ 12,00", "\xE2\x80\x93 3,00", "= 9,00"});
  const QString file = File("tape.pdf");
  ASSERT_TRUE(PdfFile(tape, file, FixedClock(kWednesdayNight)));
  const std::string text = PdfText(file);
  // The date as PictureFromTheLocale checks it.
  const QString when = PrintDateTimeText(kWednesdayNight, QLocale(QStringLiteral("pt_BR")));
  EXPECT_NE(text.find("Tallyroller (Impresso em: " + when.toStdString() + ")\n"), std::string::npos)
      << text;
  EXPECT_NE(text.find("+ 12,00\n\xE2\x80\x93 3,00\n= 9,00"), std::string::npos) << text;
}

// The job goes into whatever device it is given, whole, and into nothing
// for an empty tape.
TEST_F(PdfJob, WritesAWholeDocumentIntoTheDevice) {
  const QLocale locale(QStringLiteral("pt_BR"));
  QBuffer buffer;
  ASSERT_TRUE(buffer.open(QIODevice::WriteOnly));
  ASSERT_TRUE(PrintTapeToPdf(TapeOf({"+ 333,00"}), locale, buffer));
  EXPECT_TRUE(buffer.data().startsWith("%PDF-"));
  EXPECT_TRUE(buffer.data().trimmed().endsWith("%%EOF"));

  QBuffer empty;
  ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
  EXPECT_FALSE(PrintTapeToPdf(Tape{}, locale, empty));
  EXPECT_TRUE(empty.data().isEmpty());
}

// A device that fills up part-way: the job stops writing at the failure and
// the failure shows in the device, as the writers that hand it a device
// read it.
TEST_F(PdfJob, ADeviceThatFillsUpShowsTheFailure) {
  const Tape tape = TapeOf({"+ 12,00", "\xE2\x80\x93 3,00", "= 9,00"});
  QBuffer whole;
  ASSERT_TRUE(whole.open(QIODevice::WriteOnly));
  ASSERT_TRUE(PrintTapeToPdf(tape, QLocale(QStringLiteral("pt_BR")), whole));
  for (const qint64 room : {qint64{0}, qint64{100}, whole.data().size() / 2}) {
    SCOPED_TRACE(room);
    tally::testing::FailDevice device(room);
    ASSERT_TRUE(device.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    PrintTapeToPdf(tape, QLocale(QStringLiteral("pt_BR")), device);
    EXPECT_TRUE(device.Failed());
    EXPECT_FALSE(device.errorString().isEmpty());
    // Everything up to the failure, and nothing after it.
    EXPECT_EQ(device.Written().size(), room);
    if (room > 0) {
      EXPECT_TRUE(device.Written().startsWith("%PDF-"));
    }
  }
}

TEST(DefaultPrinter, NoPrinterMeansNoJobAndNoFuss) {
  if (!QPrinterInfo::defaultPrinter().isNull()) {
    GTEST_SKIP() << "a default printer exists; not printing on it";
  }
  EXPECT_FALSE(PrintTapeToDefaultPrinter(TapeOf({"+ 1,00"}), QLocale(QStringLiteral("pt_BR"))));
}

}  // namespace
}  // namespace tally::print

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  QGuiApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
