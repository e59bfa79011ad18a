#include "tape/replay.h"

#include <cmath>
#include <utility>

#include "tape/line_kind.h"
#include "tape/number_text.h"

namespace tally {

ReplayResult ReplayTape(std::vector<TapeLine> lines, std::string_view picture,
                        std::string_view sep) {
  ReplayResult r;
  double grand = 0;
  double running = 0;
  const auto N = [&](double v) { return FormatNumber(v, picture, sep); };
  const std::size_t count = lines.size();

  for (std::size_t i = 0; i < count; ++i) {
    std::string& line = lines[i].text;
    const TapeLineParts parts = ClassifyTapeLine(line);
    const TapeLineKind kind = parts.kind;

    if (IsOperand(kind)) {
      // Unreadable numbers, divisions by zero and overflows are passed over:
      // the running value keeps its value.
      const auto m = ReadFormattedNumber(parts.number, sep);
      if (!m) continue;
      double next = running;
      if (kind == TapeLineKind::Add) {
        next = running + *m;
      } else if (kind == TapeLineKind::Subtract) {
        next = running - *m;
      } else if (kind == TapeLineKind::Multiply) {
        next = running * *m;
      } else if (*m == 0) {
        ++r.divisionsByZero;
        continue;
      } else {
        next = running / *m;
      }
      if (std::isfinite(next)) running = next;
    } else if (IsTotal(kind)) {
      // A total followed by anything but the end of its calculation was
      // carried on: a subtotal.
      bool carriedOn = false;
      if (i + 1 < count) {
        const TapeLineKind after = ClassifyTapeLine(lines[i + 1].text).kind;
        carriedOn = after != TapeLineKind::Separator && !IsGrandTotal(after);
      }
      line = TapeLineText(carriedOn ? TapeLineKind::Subtotal : TapeLineKind::Total, N(running));
      if (i + 1 == count) {
        r.display = N(running);
        r.entryValue = running;
      }
    } else if (IsGrandTotal(kind)) {
      // A grand total line closes the calculation above it first.
      const double sum = running + grand;
      if (std::isfinite(sum)) grand = sum;
      running = 0;
      line = TapeLineText(TapeLineKind::GrandTotal, N(grand));
      r.display = N(grand);
      r.entryValue = grand;
      grand = 0;
      r.grandTotalLabel = std::string();
    } else if (kind == TapeLineKind::Separator && lines[i].closesWithoutAdding) {
      running = 0;
    } else if (kind == TapeLineKind::Separator) {
      const double sum = running + grand;
      if (!std::isfinite(sum)) continue;
      grand = sum;
      running = 0;
      r.grandTotalLabel = N(grand);
    }
  }
  r.lines = std::move(lines);
  r.grandTotal = grand;
  r.runningValue = running;
  return r;
}

}  // namespace tally
