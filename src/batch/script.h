#pragma once
// The script language of tallyroller-batch: typed keys and brace commands.

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace tally::batch {

struct Command {
  enum class Kind {
    Key,       // a typed key; `number` is its Windows-1252 code
    Click,     // a button; `text` is its caption without "&"
    Decimals,  // `number` 0..6
    Select,    // `number` the line index
    DblClick,
    New,  // `text` the number field
    Op,   // `text` the operation
    Save,
    Cancel,
    Start,  // `value` in ten-thousandths
    Dump,
    Copy,       // Ctrl+C
    CopyTape,   // Ctrl+Shift+C
    Paste,      // Ctrl+V with `text` on the clipboard
    SaveTape,   // `text` the path
    OpenTape,   // `text` the path
    ExportCsv,  // `text` the path
    ExportPdf,  // `text` the path
    AddMode,    // `number` 1 for "on", 0 for "off"
    Undo,       // Ctrl+Z
    Redo,       // Ctrl+Shift+Z
    Note,       // `text` the note of the selected line
    Delete,     // "Apagar linha"
    Insert,     // "Inserir linha antes…"
    Use,        // "Usar este número"
  };
  Kind kind = Kind::Key;
  std::int64_t number = 0;
  std::string text;
  int line = 0;
  int column = 0;
};

struct ScriptError {
  int line = 0;
  int column = 0;
  std::string message;
};

using ParseResult = std::variant<std::vector<Command>, ScriptError>;

// Parses the whole script; a malformed script yields the first error. A
// leading byte order mark is skipped: columns count from the character after
// it.
ParseResult ParseScript(std::string_view utf8);

// An error line as it may reach a terminal: control characters (C0, DEL,
// C1) and bytes that are not UTF-8 are written \xHH; when any was, so is
// every backslash, and a note at the end says so.
std::string ShownEscaped(std::string_view line);

}  // namespace tally::batch
