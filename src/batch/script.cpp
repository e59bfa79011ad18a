#include "batch/script.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <limits>
#include <optional>

#include "engine/calculator.h"
#include "engine/keypad.h"
#include "tape/number_text.h"
#include "tape/text_utils.h"

namespace tally::batch {
namespace {

using K = Command::Kind;

// What follows a command's word.
enum class Arg {
  None,        // nothing: "{dump}"
  Text,        // any text, even empty or absent: "{new 1,5}"
  Whole,       // a whole number from 0 to `max`
  Button,      // a caption of the keypad table
  Operation,   // an item of the edit panel's operation list
  StartValue,  // a decimal with at most four decimals
  Path,        // a file's path: any text that is not empty
  OnOff,       // "on" or "off"
};

struct CommandForm {
  std::string_view word;
  K kind;
  Arg arg;
  std::int64_t max = 0;  // for Arg::Whole
  int keyCode = 0;       // for the named keys
};

constexpr CommandForm kCommands[] = {
    {"enter", K::Key, Arg::None, 0, kKeyEnter},
    {"esc", K::Key, Arg::None, 0, kKeyEscape},
    {"bs", K::Key, Arg::None, 0, kKeyBackspace},
    {"space", K::Key, Arg::None, 0, kKeySpace},
    {"key", K::Key, Arg::Whole, 255},
    {"click", K::Click, Arg::Button},
    {"decimals", K::Decimals, Arg::Whole, kMaxDecimalPlaces},
    {"select", K::Select, Arg::Whole, std::numeric_limits<std::int32_t>::max()},
    {"dblclick", K::DblClick, Arg::None},
    {"new", K::New, Arg::Text},
    {"op", K::Op, Arg::Operation},
    {"save", K::Save, Arg::None},
    {"cancel", K::Cancel, Arg::None},
    {"start", K::Start, Arg::StartValue},
    {"dump", K::Dump, Arg::None},
    {"copy", K::Copy, Arg::None},
    {"copy-tape", K::CopyTape, Arg::None},
    {"paste", K::Paste, Arg::Text},
    // "{save}" clicks "Gravar"; "{save PATH}" saves the tape.
    {"save", K::SaveTape, Arg::Path},
    {"open", K::OpenTape, Arg::Path},
    {"export-csv", K::ExportCsv, Arg::Path},
    {"export-pdf", K::ExportPdf, Arg::Path},
    {"addmode", K::AddMode, Arg::OnOff},
    {"undo", K::Undo, Arg::None},
    {"redo", K::Redo, Arg::None},
    {"note", K::Note, Arg::Text},
    {"delete", K::Delete, Arg::None},
    {"insert", K::Insert, Arg::None},
    {"use", K::Use, Arg::None},
};

std::optional<std::int64_t> ParseWhole(std::string_view text, std::int64_t max,
                                       std::string& message) {
  if (text.empty() || text.find_first_not_of("0123456789") != std::string_view::npos) {
    message = "expected a whole number, found \"" + std::string(text) + "\"";
    return std::nullopt;
  }
  std::int64_t value = 0;
  const auto res = std::from_chars(text.data(), text.data() + text.size(), value);
  if (res.ec != std::errc{} || value > max) {
    message = "number out of range: " + std::string(text);
    return std::nullopt;
  }
  return value;
}

// "-12.5" with at most four decimals, as ten-thousandths.
std::optional<std::int64_t> ParseStartValue(std::string_view text, std::string& message) {
  std::string_view body = text;
  const bool negative = !body.empty() && body[0] == '-';
  if (negative) body.remove_prefix(1);
  const auto point = body.find('.');
  const std::string_view whole = body.substr(0, point);
  const std::string_view fraction =
      point == std::string_view::npos ? std::string_view{} : body.substr(point + 1);
  const auto digitsOnly = [](std::string_view s) {
    return s.find_first_not_of("0123456789") == std::string_view::npos;
  };
  if ((whole.empty() && fraction.empty()) || !digitsOnly(whole) || !digitsOnly(fraction) ||
      fraction.size() > 4) {
    message = "expected a number with at most four decimals, found \"" + std::string(text) + "\"";
    return std::nullopt;
  }
  std::string digits(whole);
  digits += fraction;
  digits.append(4 - fraction.size(), '0');
  std::int64_t value = 0;
  const auto res = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (res.ec != std::errc{}) {
    message = "number out of range: " + std::string(text);
    return std::nullopt;
  }
  return negative ? -value : value;
}

// Reads the argument of a known command into `cmd`. On failure, `message`
// says why and `errorAtArgument` whether the error is the argument's.
bool ReadArgument(const CommandForm& form, bool hasArg, std::string_view arg, Command& cmd,
                  std::string& message, bool& errorAtArgument) {
  cmd.kind = form.kind;
  cmd.number = form.keyCode;
  const auto braced = [&] { return "{" + std::string(form.word) + "}"; };
  if (form.arg == Arg::None) {
    if (hasArg) message = braced() + " takes no argument";
    return !hasArg;
  }
  if (form.arg == Arg::Text || (form.arg == Arg::Path && hasArg && !arg.empty())) {
    cmd.text = arg;
    return true;
  }
  if (!hasArg || arg.empty()) {
    message = braced() + " needs an argument";
    return false;
  }
  errorAtArgument = true;
  switch (form.arg) {
    case Arg::Whole: {
      const auto v = ParseWhole(arg, form.max, message);
      cmd.number = v.value_or(0);
      return v.has_value();
    }
    case Arg::StartValue: {
      const auto v = ParseStartValue(arg, message);
      cmd.number = v.value_or(0);
      return v.has_value();
    }
    case Arg::Button:
      cmd.text = arg;
      if (FindButton(arg)) return true;
      message = "unknown button \"" + std::string(arg) + "\"";
      return false;
    case Arg::Operation:
      cmd.text = arg;
      if (std::find(kChangeOperations.begin(), kChangeOperations.end(), arg) !=
          kChangeOperations.end()) {
        return true;
      }
      message = "unknown operation \"" + std::string(arg) + "\"";
      return false;
    case Arg::OnOff:
      cmd.number = arg == "on" ? 1 : 0;
      if (arg == "on" || arg == "off") return true;
      message = "expected on or off, found \"" + std::string(arg) + "\"";
      return false;
    case Arg::None:
    case Arg::Text:
    case Arg::Path: break;
  }
  return true;
}

// The number of commands in a well-formed script, counted without reading
// them (the braces and the typed characters) so that the list is allocated
// once; it stops at a brace left open. The count of a malformed script may
// be too high, so the allocation made from it is bounded.
std::size_t CountCommands(std::string_view text) {
  constexpr std::size_t kMostReserved = std::size_t{1} << 22;
  std::size_t count = 0;
  for (std::size_t pos = 0; pos < text.size() && count < kMostReserved; ++pos) {
    const auto c = static_cast<unsigned char>(text[pos]);
    if (c == '{') {
      ++count;
      pos = text.find_first_of("}\n", pos + 1);
      if (pos == std::string_view::npos || text[pos] != '}') break;
    } else if (c != ' ' && c != '\t' && c != '\r' && c != '\n' && (c & 0xC0) != 0x80) {
      ++count;
    }
  }
  return count;
}

}  // namespace

std::string ShownEscaped(std::string_view line) {
  // The bytes of each character, and whether they must be escaped.
  const auto walk = [&](const auto& visit) {
    for (std::size_t pos = 0; pos < line.size();) {
      const std::size_t start = pos;
      const auto cp = DecodeUtf8At(line, pos);
      if (!cp) ++pos;  // a byte that is not UTF-8
      const bool control = !cp || *cp < 0x20 || *cp == 0x7F || (*cp >= 0x80 && *cp <= 0x9F);
      visit(line.substr(start, pos - start), control);
    }
  };
  bool any = false;
  walk([&](std::string_view, bool control) { any = any || control; });
  if (!any) return std::string(line);

  std::string shown;
  shown.reserve(line.size() + 64);
  walk([&](std::string_view bytes, bool control) {
    if (!control && bytes != "\\") {
      shown += bytes;
      return;
    }
    for (const char byte : bytes) {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned char>(byte));
      shown += hex;
    }
  });
  shown += " (control characters and backslashes shown as \\xHH)";
  return shown;
}

ParseResult ParseScript(std::string_view text) {
  // A byte order mark is no part of the script: column 1 follows it.
  constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
  std::size_t pos =
      text.substr(0, kByteOrderMark.size()) == kByteOrderMark ? kByteOrderMark.size() : 0;
  std::vector<Command> commands;
  commands.reserve(CountCommands(text.substr(pos)));
  int line = 1;
  int column = 1;
  const auto fail = [&](int l, int c, std::string message) -> ParseResult {
    return ScriptError{l, c, std::move(message)};
  };

  while (pos < text.size()) {
    const int startLine = line;
    const int startColumn = column;
    const char c = text[pos];
    if (c == '\n') {
      ++pos;
      ++line;
      column = 1;
      continue;
    }
    if (c == ' ' || c == '\t' || c == '\r') {
      ++pos;
      ++column;
      continue;
    }
    if (c != '{') {
      // A typed key.
      const auto cp = DecodeUtf8At(text, pos);
      if (!cp) return fail(startLine, startColumn, "invalid UTF-8");
      const int code = UnicodeToCp1252(*cp);
      if (code < 0) {
        return fail(startLine, startColumn, "character not in Windows-1252 cannot be typed");
      }
      ++column;
      Command cmd;
      cmd.kind = K::Key;
      cmd.number = code;
      cmd.line = startLine;
      cmd.column = startColumn;
      commands.push_back(std::move(cmd));
      continue;
    }

    // A command in braces, closed on its own line. The search stops at the
    // first brace or line end, so a long line of commands stays linear.
    const auto close = text.find_first_of("}\n", pos + 1);
    if (close == std::string_view::npos || text[close] != '}') {
      return fail(startLine, startColumn, "missing } after {");
    }
    const std::string_view body = text.substr(pos + 1, close - pos - 1);
    // Columns count characters; the body must be valid UTF-8.
    std::size_t scan = 0;
    int bodyChars = 0;
    while (scan < body.size()) {
      if (!DecodeUtf8At(body, scan)) {
        return fail(startLine, startColumn + 1 + bodyChars, "invalid UTF-8");
      }
      ++bodyChars;
    }
    const auto blank = body.find(' ');
    const std::string_view word = body.substr(0, blank);
    const bool hasArg = blank != std::string_view::npos;
    const std::string_view arg = hasArg ? body.substr(blank + 1) : std::string_view{};
    const int argColumn = startColumn + 1 + static_cast<int>(word.size()) + 1;

    // A word may stand for two commands, one with an argument and one
    // without; the first form of the word speaks for its errors.
    auto form = std::find_if(std::begin(kCommands), std::end(kCommands),
                             [&](const CommandForm& s) { return s.word == word; });
    const auto fitting = std::find_if(form, std::end(kCommands), [&](const CommandForm& s) {
      return s.word == word && (s.arg == Arg::None) != hasArg;
    });
    if (fitting != std::end(kCommands)) form = fitting;
    if (form == std::end(kCommands)) {
      return fail(startLine, startColumn, "unknown command {" + std::string(body) + "}");
    }
    Command cmd;
    cmd.line = startLine;
    cmd.column = startColumn;
    std::string message;
    bool errorAtArgument = false;
    if (!ReadArgument(*form, hasArg, arg, cmd, message, errorAtArgument)) {
      return fail(startLine, errorAtArgument ? argColumn : startColumn, message);
    }
    commands.push_back(std::move(cmd));
    column += 2 + bodyChars;
    pos = close + 1;
  }
  return commands;
}

}  // namespace tally::batch
