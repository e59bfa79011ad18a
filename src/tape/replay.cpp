#include "tape/replay.h"

#include <cmath>
#include <utility>

#include "tape/number_text.h"
#include "tape/tape.h"
#include "tape/text_utils.h"

namespace tally {

ReplayResult ReplayTape(std::vector<std::string> lines, std::string_view picture,
                        std::string_view sep) {
  ReplayResult r;
  double grand = 0;
  double running = 0;
  const auto N = [&](double v) { return FormatNumber(v, picture, sep); };
  const std::size_t count = lines.size();

  for (std::size_t i = 0; i < count; ++i) {
    std::string& line = lines[i];
    const std::string_view c = FirstChar(line);
    if (c.empty()) continue;
    const char k = c.size() == 1 ? c[0] : '\0';
    const bool minus = c == kEnDash || k == '-';

    if (k == '+' || k == 'x' || k == '/' || minus) {
      // Unreadable numbers, divisions by zero and overflows are passed over:
      // the running value keeps its value.
      const auto m = ReadFormattedNumber(FromChar(line, 3), sep);
      if (!m) continue;
      double next = running;
      if (k == '+') {
        next = running + *m;
      } else if (minus) {
        next = running - *m;
      } else if (k == 'x') {
        next = running * *m;
      } else if (*m == 0) {
        ++r.divisionsByZero;
        continue;
      } else {
        next = running / *m;
      }
      if (std::isfinite(next)) running = next;
    } else if (k == '=') {
      line = "= " + N(running);
      if (i + 1 < count) {
        // A total followed by anything but the end of its calculation was
        // carried on: a subtotal.
        const std::string_view after = FirstChar(lines[i + 1]);
        if (after != "*" && after != "G") line += kSubtotalSuffix;
      } else {
        r.display = N(running);
        r.entryValue = running;
      }
    } else if (k == 'G') {
      // A grand total line closes the calculation above it first.
      const double sum = running + grand;
      if (std::isfinite(sum)) grand = sum;
      running = 0;
      line = "G " + N(grand);
      r.display = N(grand);
      r.entryValue = grand;
      grand = 0;
      r.grandTotalLabel = std::string();
    } else if (k == '*') {
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
