#include "tape/tape_file.h"

#include "tape/line_kind.h"
#include "tape/number_text.h"
#include "tape/text_utils.h"

namespace tally {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// "-"? digits ([,.] digits*)? ([Ee] [+-]? digits)?, the whole text: what the
// pictures and the general form write, with either decimal separator.
bool IsTapeNumber(std::string_view t) {
  std::size_t p = 0;
  const auto digits = [&] {
    const std::size_t start = p;
    while (p < t.size() && IsDigit(t[p])) ++p;
    return p > start;
  };
  if (p < t.size() && t[p] == '-') ++p;
  if (!digits()) return false;
  if (p < t.size() && (t[p] == ',' || t[p] == '.')) {
    ++p;
    digits();
  }
  if (p < t.size() && (t[p] == 'E' || t[p] == 'e')) {
    ++p;
    if (p < t.size() && (t[p] == '+' || t[p] == '-')) ++p;
    if (!digits()) return false;
  }
  return p == t.size();
}

// The number with its decimal separator, if any, replaced.
std::string WithSeparator(std::string_view number, std::string_view separator) {
  std::string out(number);
  if (const auto at = out.find_first_of(",."); at != std::string::npos) {
    out.replace(at, 1, separator);
  }
  return out;
}

// "32.766": digits grouped by three, as Portuguese writes a count.
std::string GroupedCount(std::int64_t value) {
  const std::string digits = std::to_string(value);
  std::string out;
  for (std::size_t k = 0; k < digits.size(); ++k) {
    if (k > 0 && (digits.size() - k) % 3 == 0) out += '.';
    out += digits[k];
  }
  return out;
}

std::string_view KindText(TapeLineKind kind) {
  switch (kind) {
    case TapeLineKind::Add:
    case TapeLineKind::Subtract:
    case TapeLineKind::Multiply:
    case TapeLineKind::Divide: return "número";
    case TapeLineKind::Total: return "total";
    case TapeLineKind::Subtotal: return "subtotal";
    case TapeLineKind::Separator: return "separador";
    case TapeLineKind::GrandTotal:
    case TapeLineKind::GrandTotalKey: return "grande total";
    case TapeLineKind::Other: break;
  }
  return "texto";
}

void AppendCsvField(std::string& out, std::string_view field, char delimiter) {
  if (field.find_first_of(std::string{delimiter, '"', '\r', '\n'}) == std::string_view::npos) {
    out += field;
    return;
  }
  out += '"';
  for (const char c : field) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
}

}  // namespace

TapeLineParts SplitTapeFileLine(std::string_view line) {
  const TapeLineParts parts = ClassifyTapeLine(line);
  if (parts.kind == TapeLineKind::Separator || IsTapeNumber(parts.number)) return parts;
  return {};
}

namespace {

std::string LinesText(const Tape& tape, bool withMarks) {
  std::size_t size = 0;
  for (const auto& line : tape.Lines()) {
    size += line.text.size() + kNotAddedSuffix.size() + line.note.size() + 2;
  }
  std::string text;
  text.reserve(size);
  for (const auto& line : tape.Lines()) {
    text += line.text;
    if (withMarks && line.closesWithoutAdding && line.text == kSeparatorLine) {
      text += kNotAddedSuffix;
    }
    if (!line.note.empty()) {
      text += '\t';
      text += line.note;
    }
    text += '\n';
  }
  return text;
}

}  // namespace

std::string TapeFileText(const Tape& tape) { return LinesText(tape, true); }

std::string TapeCopyText(const Tape& tape) { return LinesText(tape, false); }

TapeFileContents ReadTapeFileText(std::string_view bytes, std::string_view decimalSeparator) {
  if (StartsWith(bytes, kByteOrderMark)) bytes.remove_prefix(kByteOrderMark.size());
  if (bytes.empty()) return TapeFileError{0, "o arquivo está vazio"};
  if (bytes.find('\0') != std::string_view::npos || !IsValidUtf8(bytes)) {
    return TapeFileError{0, "o arquivo não é um texto UTF-8"};
  }
  if (bytes.back() == '\n') bytes.remove_suffix(1);

  std::vector<TapeLine> lines;
  std::size_t pos = 0;
  while (pos <= bytes.size()) {
    const std::size_t end = std::min(bytes.find('\n', pos), bytes.size());
    std::string_view line = bytes.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (static_cast<std::int64_t>(lines.size()) >= Tape::kMaxLines) {
      return TapeFileError{0, "o arquivo tem mais de " + GroupedCount(Tape::kMaxLines) + " linhas"};
    }
    const auto row = static_cast<std::int32_t>(lines.size()) + 1;
    TapeLine read;
    if (const auto tab = line.find('\t'); tab != std::string_view::npos) {
      const std::string_view note = line.substr(tab + 1);
      if (note.find('\t') != std::string_view::npos) {
        return TapeFileError{row, "tem mais de uma tabulação"};
      }
      if (Utf8Length(note, kMaxNoteChars + 1) > kMaxNoteChars) {
        return TapeFileError{row, "tem uma nota de mais de " + std::to_string(kMaxNoteChars) +
                                      " caracteres"};
      }
      read.note = note;
      line = line.substr(0, tab);
    }
    if (Utf8Length(line, kMaxTapeLineChars + 1) > kMaxTapeLineChars) {
      return TapeFileError{row, "é mais longa do que qualquer linha da fita (mais de " +
                                    std::to_string(kMaxTapeLineChars) + " caracteres)"};
    }
    if (line.size() == kSeparatorLine.size() + kNotAddedSuffix.size() &&
        line.starts_with(kSeparatorLine) && line.ends_with(kNotAddedSuffix)) {
      line.remove_suffix(kNotAddedSuffix.size());
      read.closesWithoutAdding = true;
    }
    const TapeLineParts parts = SplitTapeFileLine(line);
    if (parts.kind == TapeLineKind::Other) {
      constexpr std::size_t kShown = 40;
      std::string shown(line.substr(0, kShown));
      if (line.size() > kShown) {
        // Cut on a character boundary.
        DropLastChars(shown, 1);
        shown += "…";
      }
      return TapeFileError{row, "não é uma linha da fita: \"" + shown + "\""};
    }
    if (parts.kind == TapeLineKind::Separator) {
      read.text = line;
      lines.push_back(std::move(read));
      continue;
    }
    if (!ReadFormattedNumber(WithSeparator(parts.number, "."), ".")) {
      return TapeFileError{row, "tem um número fora do alcance do cálculo"};
    }
    const auto at = static_cast<std::size_t>(parts.number.data() - line.data());
    std::string text(line.substr(0, at));
    text += WithSeparator(parts.number, decimalSeparator);
    text += line.substr(at + parts.number.size());
    read.text = std::move(text);
    lines.push_back(std::move(read));
  }
  return lines;
}

std::string LineWithSeparator(std::string_view line, std::string_view decimalSeparator) {
  const TapeLineParts parts = SplitTapeFileLine(line);
  if (parts.kind == TapeLineKind::Other || parts.number.empty()) return std::string(line);
  const auto at = static_cast<std::size_t>(parts.number.data() - line.data());
  std::string text(line.substr(0, at));
  text += WithSeparator(parts.number, decimalSeparator);
  text += line.substr(at + parts.number.size());
  return text;
}

std::string TapeCsvText(const Tape& tape, std::string_view decimalSeparator) {
  const char delimiter = decimalSeparator == "," ? ';' : ',';
  std::string out(kByteOrderMark);
  const auto row = [&](std::initializer_list<std::string_view> fields) {
    bool first = true;
    for (const std::string_view field : fields) {
      if (!first) out += delimiter;
      first = false;
      AppendCsvField(out, field, delimiter);
    }
    out += "\r\n";
  };
  row({"Posição", "Tipo", "Operação", "Valor", "nota"});
  std::int64_t position = 0;
  for (const TapeLine& tapeLine : tape.Lines()) {
    const std::string& line = tapeLine.text;
    const std::string number = std::to_string(++position);
    const TapeLineParts parts = SplitTapeFileLine(line);
    if (parts.kind == TapeLineKind::Other) {
      row({number, KindText(parts.kind), "", line, tapeLine.note});
      continue;
    }
    std::string value = WithSeparator(parts.number, decimalSeparator);
    // "3," as the picture without decimals writes it is the whole number 3.
    if (value.size() >= decimalSeparator.size() &&
        std::string_view(value).substr(value.size() - decimalSeparator.size()) ==
            decimalSeparator) {
      value.resize(value.size() - decimalSeparator.size());
    }
    const std::string_view op = parts.op == kEnDash ? std::string_view("-") : parts.op;
    row({number, KindText(parts.kind), op, value, tapeLine.note});
  }
  return out;
}

}  // namespace tally
