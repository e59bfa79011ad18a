#include "tape/print_layout.h"

#include "identity.h"
#include "tape/text_utils.h"

namespace tally {
namespace {

// Column right edges, in single precision like the print job's variables.
constexpr float kFirstColumnRight = 1.5f;
constexpr float kColumnStep = 1.5f;
constexpr float kColumnWidth = 1.5f;
constexpr float kLastColumnRight = 7.0f;

constexpr std::string_view kLineHeightSample = "TextString";

// At least two digits: "07", "12".
std::string TwoDigits(int value) {
  std::string text = std::to_string(value);
  if (text.size() < 2) text.insert(0, 2 - text.size(), '0');
  return text;
}

}  // namespace

std::span<const PlacedText> TapePrintLayout::Page(std::size_t page) const {
  const std::size_t first = pageStarts.at(page);
  const std::size_t end = page + 1 < pageStarts.size() ? pageStarts[page + 1] : texts.size();
  return std::span<const PlacedText>(texts).subspan(first, end - first);
}

bool HasMinusSign(std::string_view line) {
  return line.find('-') != std::string_view::npos || line.find(kEnDash) != std::string_view::npos;
}

TapePrintLayout LayOutTapePrint(const Tape& tape, std::string_view header, PrintArea area,
                                const PrintMetric& metric) {
  TapePrintLayout layout;
  layout.texts.reserve(static_cast<std::size_t>(tape.Count()) + 1);
  layout.pageStarts.push_back(0);

  // Header at the top-left corner, in the default colour.
  double y = 0;
  layout.texts.push_back({header, 0, y, kPrintTextPoints, kPrintBlack});
  y += metric.TextHeight(header, kPrintTextPoints);

  // The rule across the printable width, then a gap of one small empty line.
  layout.rule = {0, y, area.width, y, kPrintBlack};
  y += metric.TextHeight({}, kPrintGapPoints);
  layout.tapeTop = static_cast<float>(y);

  // The font does not change within the job, so neither does the sample.
  const double twoLines = 2 * metric.TextHeight(kLineHeightSample, kPrintTextPoints);
  float columnRight = kFirstColumnRight;
  for (const TapeLine& tapeLine : tape.Lines()) {
    const std::string& line = tapeLine.text;
    const auto colour = HasMinusSign(line) ? kPrintRed : kPrintBlack;
    const double x = columnRight - metric.TextWidth(line, kPrintTextPoints);
    const double columnLeft = columnRight - kColumnWidth;
    layout.texts.push_back({line, x, y, kPrintTextPoints, colour, columnLeft});
    y += metric.TextHeight(line, kPrintTextPoints);

    // Equality ends the column: no room for two more lines.
    if (area.height <= y + twoLines) {
      columnRight += kColumnStep;
      y = layout.tapeTop;
      if (columnRight > kLastColumnRight) {
        columnRight = kFirstColumnRight;
        y = 0;
        layout.pageStarts.push_back(layout.texts.size());
      }
    }
  }
  // A page break after the last line starts no blank page.
  if (layout.pageStarts.size() > 1 && layout.pageStarts.back() == layout.texts.size()) {
    layout.pageStarts.pop_back();
  }
  return layout;
}

std::string FormatPrintDateTime(const PrintDateTime& when, const PrintDateNames& names) {
  std::string_view weekday = names.weekday;
  if (!weekday.empty() && weekday.back() == '.') weekday.remove_suffix(1);
  const int hour12 = when.hour % 12 == 0 ? 12 : when.hour % 12;

  std::string year = std::to_string(when.year);
  if (year.size() < 4) year.insert(0, 4 - year.size(), '0');
  const std::string day = TwoDigits(when.day);
  const std::string month = TwoDigits(when.month);
  const std::string* fields[3] = {&month, &day, &year};
  if (names.order == DateOrder::DayMonthYear) {
    fields[0] = &day;
    fields[1] = &month;
  } else if (names.order == DateOrder::YearMonthDay) {
    fields[0] = &year;
    fields[1] = &month;
    fields[2] = &day;
  }

  std::string text;
  text.reserve(48);
  text.append(weekday).append(". ");
  text.append(*fields[0]).append(names.dateSeparator);
  text.append(*fields[1]).append(names.dateSeparator);
  text.append(*fields[2]).append(" @ ");
  text.append(TwoDigits(hour12)).append(names.timeSeparator);
  text.append(TwoDigits(when.minute)).append(" ");
  text.append(when.hour < 12 ? names.am : names.pm);
  return text;
}

std::string PrintHeaderText(std::string_view dateTime) {
  std::string text = kProgramTitle;
  text += " (Impresso em: ";
  text.append(dateTime).append(")");
  return text;
}

}  // namespace tally
