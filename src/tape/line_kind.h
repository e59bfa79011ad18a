#pragma once
// The kinds of tape line and the texts that mark them: the one place where a
// line is written from its kind and read back into its kind.

#include <cstdint>
#include <string>
#include <string_view>

namespace tally {

inline constexpr std::string_view kSeparatorLine = "***********************";
inline constexpr std::string_view kSubtotalSuffix = " sub total";

enum class TapeLineKind : std::uint8_t {
  Add,            // "+ 12,00"
  Subtract,       // "– 3,00"; "- 3,00" as a person types it into a file
  Multiply,       // "x 2"
  Divide,         // "/ 4"
  Total,          // "= 15,00"
  Subtotal,       // "= 15,00 sub total": a total the calculation went on from
  GrandTotal,     // "G 19,00", written by the second "C" and by a replay
  GrandTotalKey,  // GT and the number, written by "Grande Total"
  Separator,      // the 23 asterisks that end a calculation
  Other,          // none of these
};

constexpr bool IsOperand(TapeLineKind kind) { return kind <= TapeLineKind::Divide; }
constexpr bool IsTotal(TapeLineKind kind) {
  return kind == TapeLineKind::Total || kind == TapeLineKind::Subtotal;
}
constexpr bool IsGrandTotal(TapeLineKind kind) {
  return kind == TapeLineKind::GrandTotal || kind == TapeLineKind::GrandTotalKey;
}

// The operator field a kind writes before its number: "+", the en dash, "x",
// "/", "=" (totals and subtotals), "G", "GT"; empty for a separator and for
// Other.
std::string_view TapeLineOperator(TapeLineKind kind);

// The line of a kind with a number: "+ 12,00", "= 15,00 sub total"; the
// separator whatever the number.
std::string TapeLineText(TapeLineKind kind, std::string_view number);

// A line's text taken apart: its kind, the operator field as written ("-"
// where a file has the ASCII minus) and everything after the operator and its
// blank (without the subtotal suffixes). The form of the number is not
// checked: that is for whoever reads the number.
struct TapeLineParts {
  TapeLineKind kind = TapeLineKind::Other;
  std::string_view op;
  std::string_view number;
};
TapeLineParts ClassifyTapeLine(std::string_view text);

}  // namespace tally
