#pragma once
// The tape outside the window: the text of a tape file (every line as shown,
// each ended by a line feed), reading such a text back in any locale, and the
// rows of a CSV export. A tape file's numbers have no grouping, so the one
// "," or "." in a number is its decimal separator.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "tape/tape.h"

namespace tally {

// A line taken apart as a tape file holds it: its kind and parts as the
// classifier gives them, Other also where the number is not written as a
// number. Only the form is checked, not the number's range.
TapeLineParts SplitTapeFileLine(std::string_view line);

// A tape file's line: the tape line as shown; on a separator that closed its
// calculation without adding it, this suffix; then, for a line with a note, a
// tab and the note. Every file line starts with the line as the tape shows it.
inline constexpr std::string_view kNotAddedSuffix = " (não somado)";

// Longer lines than these are refused: no line the calculator writes comes
// near them, and they keep every key's cost bounded.
inline constexpr std::size_t kMaxTapeLineChars = 512;
inline constexpr std::size_t kMaxNoteChars = 200;

// The text of a tape file.
std::string TapeFileText(const Tape& tape);

// The tape on the clipboard: each line as shown, a tab and its note where it
// has one, each ended by a line feed.
std::string TapeCopyText(const Tape& tape);

// A tape file is refused as a whole (`line` 0) or for one line (from 1).
struct TapeFileError {
  std::int32_t line = 0;
  std::string reason;  // in the user's language, without a final period
};
using TapeFileContents = std::variant<std::vector<TapeLine>, TapeFileError>;

// A file larger than this cannot hold a tape: refused unread.
inline constexpr std::int64_t kMaxTapeFileBytes = 16 << 20;

// The lines of a tape file, exactly as written but for each number's decimal
// separator, which becomes `decimalSeparator`. Refused: an empty text, text
// that is not UTF-8 (a binary file), more lines than a tape holds, and any
// line that is not a tape line or whose number is out of range, a line or a
// note too long, a second tab on a line. A trailing
// line feed, CR LF line ends and a leading byte order mark are taken.
TapeFileContents ReadTapeFileText(std::string_view bytes, std::string_view decimalSeparator);

// A tape line with its number's decimal separator made `decimalSeparator`,
// as opening a tape file puts it; any other text is returned as it is.
std::string LineWithSeparator(std::string_view line, std::string_view decimalSeparator);

// The tape as CSV (RFC 4180, UTF-8 with a byte order mark, CR LF line ends):
// a header, then one row per line with its position from 1, kind, operator,
// value and note. Where the decimal separator is "," the fields are separated by
// ";", as spreadsheets of those locales expect.
std::string TapeCsvText(const Tape& tape, std::string_view decimalSeparator);

}  // namespace tally
