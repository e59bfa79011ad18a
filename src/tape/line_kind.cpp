#include "tape/line_kind.h"

#include <array>

#include "tape/text_utils.h"

namespace tally {
namespace {

struct Prefix {
  std::string_view text;  // the operator field and its blank
  TapeLineKind kind;
};

// The operator field and its blank open every line but the separator. The
// first prefix of a kind is the one written.
constexpr std::array<Prefix, 8> kPrefixes{{
    {"+ ", TapeLineKind::Add},
    {"\xE2\x80\x93 ", TapeLineKind::Subtract},
    {"x ", TapeLineKind::Multiply},
    {"/ ", TapeLineKind::Divide},
    {"= ", TapeLineKind::Total},
    {"GT ", TapeLineKind::GrandTotalKey},
    {"G ", TapeLineKind::GrandTotal},
    // What a person types for the dash into a tape file: read, never written.
    {"- ", TapeLineKind::Subtract},
}};
static_assert(kPrefixes[1].text.starts_with(kEnDash));

}  // namespace

std::string_view TapeLineOperator(TapeLineKind kind) {
  if (kind == TapeLineKind::Subtotal) kind = TapeLineKind::Total;
  for (const Prefix& p : kPrefixes) {
    if (p.kind == kind) return p.text.substr(0, p.text.size() - 1);
  }
  return {};
}

std::string TapeLineText(TapeLineKind kind, std::string_view number) {
  if (kind == TapeLineKind::Separator) return std::string(kSeparatorLine);
  std::string text(TapeLineOperator(kind));
  if (!text.empty()) text += ' ';
  text += number;
  if (kind == TapeLineKind::Subtotal) text += kSubtotalSuffix;
  return text;
}

TapeLineParts ClassifyTapeLine(std::string_view text) {
  if (text == kSeparatorLine) return {TapeLineKind::Separator, {}, {}};
  for (const Prefix& p : kPrefixes) {
    if (!text.starts_with(p.text)) continue;
    TapeLineParts parts{p.kind, text.substr(0, p.text.size() - 1), text.substr(p.text.size())};
    if (p.kind == TapeLineKind::Total) {
      // A total carried on more than once keeps each suffix.
      while (parts.number.size() > kSubtotalSuffix.size() && parts.number.ends_with(kSubtotalSuffix)) {
        parts.number.remove_suffix(kSubtotalSuffix.size());
        parts.kind = TapeLineKind::Subtotal;
      }
    }
    return parts;
  }
  return {};
}

}  // namespace tally
