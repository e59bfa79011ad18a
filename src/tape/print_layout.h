#pragma once
// Where a printed tape goes on paper: a dated header, a rule under it, a small
// gap, then every line right-aligned in columns 1.5 inches wide, four across a
// page, red when the line holds a minus sign. A line wider than its column is
// cut at the column's left edge, so it never prints over the line beside it. Everything here is in
// inches on the printable area of a page, origin at its top-left corner; the painter only has to
// draw what this decides.
//
// A placed text's `top` is the top of its line (the print position's y): the
// painter adds the font's ascent to reach the baseline.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "tape/tape.h"

namespace tally {

// Text colours as 24-bit values with red in the low byte.
inline constexpr std::uint32_t kPrintBlack = 0;
inline constexpr std::uint32_t kPrintRed = 255;

inline constexpr double kPrintTextPoints = 10;
inline constexpr double kPrintGapPoints = 5;

// Text measurement of the printing font at a size in points.
class PrintMetric {
 public:
  virtual ~PrintMetric() = default;
  // Advance width of a one-line text, in inches.
  virtual double TextWidth(std::string_view text, double points) const = 0;
  // Height of a one-line text, in inches: what ending a line after it moves
  // the print position down by.
  virtual double TextHeight(std::string_view text, double points) const = 0;
};

struct PrintArea {
  double width = 0;   // printable width, inches
  double height = 0;  // printable height, inches
};

struct PlacedText {
  std::string_view text;
  double x = 0;    // left end; left of `clipLeft` when the text is too wide
  double top = 0;  // top of the line
  double points = kPrintTextPoints;
  std::uint32_t colour = kPrintBlack;
  double clipLeft = 0;  // nothing of the text is drawn left of this
};

struct PlacedRule {
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  std::uint32_t colour = kPrintBlack;
};

// The whole job. Texts view the header and the tape lines that were laid
// out: both must outlive the layout.
struct TapePrintLayout {
  std::vector<PlacedText> texts;        // all pages, in printing order
  std::vector<std::size_t> pageStarts;  // index of each page's first text
  PlacedRule rule;                      // under the header, first page
  float tapeTop = 0;                    // where later columns begin

  std::size_t PageCount() const { return pageStarts.size(); }
  std::span<const PlacedText> Page(std::size_t page) const;
};

// True for a line printed in red: it holds a hyphen-minus or the en dash.
bool HasMinusSign(std::string_view line);

// Places the header and every line of the tape on pages of the given area.
// An empty tape gives a layout with the header and the rule only; callers
// that must not print an empty tape check that first.
TapePrintLayout LayOutTapePrint(const Tape& tape, std::string_view header, PrintArea area,
                                const PrintMetric& metric);
// The layout views the tape's lines: a temporary tape would leave it dangling.
TapePrintLayout LayOutTapePrint(Tape&& tape, std::string_view header, PrintArea area,
                                const PrintMetric& metric) = delete;

// The local date and time of a print job and the locale's texts to write it.
struct PrintDateTime {
  int year = 0, month = 0, day = 0;  // month and day from 1
  int hour = 0, minute = 0;          // 24-hour clock
};

// The order a locale writes the day, the month and the year in.
enum class DateOrder { MonthDayYear, DayMonthYear, YearMonthDay };

struct PrintDateNames {
  std::string weekday;  // the locale's abbreviated weekday of that date
  std::string dateSeparator = "/";
  std::string timeSeparator = ":";
  std::string am = "AM";
  std::string pm = "PM";
  DateOrder order = DateOrder::MonthDayYear;
};

// "ddd. dd/mm/yyyy @ hh:mm AMPM" with the date in the locale's order and its
// names and separators: "qua. 09/12/2026 @ 10:33 PM" in pt_BR, "Wed.
// 12/09/2026 @ 10:33 PM" in en_US. Day and month have two digits, the year
// four. A weekday abbreviation that already ends in a period does not get a
// second one.
std::string FormatPrintDateTime(const PrintDateTime& when, const PrintDateNames& names);

// "Tallyroller (Impresso em: " + date and time + ")".
std::string PrintHeaderText(std::string_view dateTime);

}  // namespace tally
