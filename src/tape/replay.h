#pragma once
// The replay of a tape: every total, subtotal and grand total line is
// recalculated from the operand lines above it, in tape order, with the
// numbers as they are shown. A separator that closed its calculation without
// adding it (the line's mark) sets the running value to 0 and adds nothing.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tape/tape.h"

namespace tally {

struct ReplayResult {
  std::vector<TapeLine> lines;  // every line, its text rewritten where needed
  double grandTotal = 0;
  double runningValue = 0;  // the value of the calculation left open at the end
  // Set by the last "=" line of the tape and by grand total lines; the last
  // writer wins. Empty when nothing set them.
  std::optional<double> entryValue;
  std::optional<std::string> display;
  // Set by separator and grand total lines only.
  std::optional<std::string> grandTotalLabel;
  // "/" lines with a zero number that were passed over.
  std::size_t divisionsByZero = 0;
};

// `lines` are the tape's lines, oldest first; `picture` and `decimalSeparator`
// write and read the numbers.
ReplayResult ReplayTape(std::vector<TapeLine> lines, std::string_view picture,
                        std::string_view decimalSeparator);

}  // namespace tally
