#include "batch/script.h"

#include <array>
#include <charconv>
#include <limits>
#include <optional>

#include "tape/text_utils.h"

namespace tally::batch {
namespace {

constexpr std::array<std::string_view, 28> kButtons = {
    "0", "1", "2", "3", "4", "5", "6", "7", "8", "9", ".", "Backspace", "CE",
    "C", "+", "-", "x", "/", "=", "sqrt", "%", "1/x", "+/-", "M+", "M-", "MR",
    "MC", "Grande Total"};
constexpr std::array<std::string_view, 3> kWindowButtons = {"Limpar", "Imprimir",
                                                            "Sair"};
constexpr std::array<std::string_view, 5> kOperations = {"+", "-", "/", "x",
                                                         "1/x"};

// Decodes one UTF-8 code point at `pos`; nothing for invalid UTF-8.
std::optional<char32_t> DecodeAt(std::string_view text, std::size_t& pos) {
  const auto byte = [&](std::size_t k) {
    return static_cast<unsigned char>(text[k]);
  };
  const unsigned char lead = byte(pos);
  std::size_t size = 0;
  char32_t cp = 0;
  if (lead < 0x80) {
    ++pos;
    return lead;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    size = 2;
    cp = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    size = 3;
    cp = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    size = 4;
    cp = lead & 0x07;
  } else {
    return std::nullopt;
  }
  if (pos + size > text.size()) return std::nullopt;
  for (std::size_t k = 1; k < size; ++k) {
    if ((byte(pos + k) & 0xC0) != 0x80) return std::nullopt;
    cp = (cp << 6) | (byte(pos + k) & 0x3F);
  }
  // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
  if ((size == 3 && cp < 0x800) || (size == 4 && cp < 0x10000) ||
      (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) {
    return std::nullopt;
  }
  pos += size;
  return cp;
}

std::optional<std::int64_t> ParseWhole(std::string_view text, std::int64_t max,
                                       std::string& message) {
  if (text.empty() ||
      text.find_first_not_of("0123456789") != std::string_view::npos) {
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
std::optional<std::int64_t> ParseStartValue(std::string_view text,
                                            std::string& message) {
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
  if ((whole.empty() && fraction.empty()) || !digitsOnly(whole) ||
      !digitsOnly(fraction) || fraction.size() > 4 ||
      (point != std::string_view::npos && fraction.empty() && whole.empty())) {
    message = "expected a number with at most four decimals, found \"" +
              std::string(text) + "\"";
    return std::nullopt;
  }
  std::string digits(whole);
  digits += fraction;
  digits.append(4 - fraction.size(), '0');
  std::int64_t value = 0;
  const auto res =
      std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (res.ec != std::errc{}) {
    message = "number out of range: " + std::string(text);
    return std::nullopt;
  }
  return negative ? -value : value;
}

}  // namespace

bool IsKnownButton(std::string_view name) {
  for (const auto b : kButtons) {
    if (b == name) return true;
  }
  for (const auto b : kWindowButtons) {
    if (b == name) return true;
  }
  return false;
}

ParseResult ParseScript(std::string_view text) {
  std::vector<Command> commands;
  int line = 1;
  int column = 1;
  std::size_t pos = 0;
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
      const auto cp = DecodeAt(text, pos);
      if (!cp) return fail(startLine, startColumn, "invalid UTF-8");
      const int code = UnicodeToCp1252(*cp);
      if (code < 0) {
        return fail(startLine, startColumn,
                    "character not in Windows-1252 cannot be typed");
      }
      ++column;
      Command cmd;
      cmd.kind = Command::Kind::Key;
      cmd.number = code;
      cmd.line = startLine;
      cmd.column = startColumn;
      commands.push_back(std::move(cmd));
      continue;
    }

    // A command in braces.
    const auto close = text.find('}', pos + 1);
    const auto newline = text.find('\n', pos + 1);
    if (close == std::string_view::npos ||
        (newline != std::string_view::npos && newline < close)) {
      return fail(startLine, startColumn, "missing } after {");
    }
    const std::string_view body = text.substr(pos + 1, close - pos - 1);
    // Columns count characters; the body must be valid UTF-8.
    std::size_t scan = 0;
    int bodyChars = 0;
    while (scan < body.size()) {
      if (!DecodeAt(body, scan)) {
        return fail(startLine, startColumn + 1 + bodyChars, "invalid UTF-8");
      }
      ++bodyChars;
    }
    const auto blank = body.find(' ');
    const std::string_view word = body.substr(0, blank);
    const bool hasArg = blank != std::string_view::npos;
    const std::string_view arg = hasArg ? body.substr(blank + 1) : std::string_view{};
    const int argColumn = startColumn + 1 + static_cast<int>(word.size()) + 1;

    Command cmd;
    cmd.line = startLine;
    cmd.column = startColumn;
    std::string message;
    using K = Command::Kind;
    const auto noArg = [&](K kind) -> bool {
      if (hasArg) {
        message = "{" + std::string(word) + "} takes no argument";
        return false;
      }
      cmd.kind = kind;
      return true;
    };
    const auto needArg = [&]() -> bool {
      if (!hasArg || arg.empty()) {
        message = "{" + std::string(word) + "} needs an argument";
        return false;
      }
      return true;
    };
    int errorColumn = startColumn;
    // A command whose argument is a whole number from 0 to max.
    const auto wholeArg = [&](K kind, std::int64_t max) -> bool {
      if (!needArg()) return false;
      const auto v = ParseWhole(arg, max, message);
      errorColumn = argColumn;
      cmd.kind = kind;
      cmd.number = v.value_or(0);
      return v.has_value();
    };
    bool ok = true;
    if (word == "enter" || word == "esc" || word == "bs" || word == "space") {
      ok = noArg(K::Key);
      cmd.number = word == "enter" ? 13 : word == "esc" ? 27 : word == "bs" ? 8 : 32;
    } else if (word == "key") {
      ok = wholeArg(K::Key, 255);
    } else if (word == "click") {
      ok = needArg();
      if (ok && !IsKnownButton(arg)) {
        ok = false;
        errorColumn = argColumn;
        message = "unknown button \"" + std::string(arg) + "\"";
      }
      cmd.kind = K::Click;
      cmd.text = arg;
    } else if (word == "decimals") {
      ok = wholeArg(K::Decimals, 6);
    } else if (word == "select") {
      ok = wholeArg(K::Select, std::numeric_limits<std::int32_t>::max());
    } else if (word == "dblclick") {
      ok = noArg(K::DblClick);
    } else if (word == "new") {
      cmd.kind = K::New;
      cmd.text = arg;
    } else if (word == "op") {
      ok = needArg();
      bool known = false;
      for (const auto o : kOperations) known = known || o == arg;
      if (ok && !known) {
        ok = false;
        errorColumn = argColumn;
        message = "unknown operation \"" + std::string(arg) + "\"";
      }
      cmd.kind = K::Op;
      cmd.text = arg;
    } else if (word == "save") {
      ok = noArg(K::Save);
    } else if (word == "cancel") {
      ok = noArg(K::Cancel);
    } else if (word == "start") {
      ok = needArg();
      if (ok) {
        const auto v = ParseStartValue(arg, message);
        ok = v.has_value();
        errorColumn = argColumn;
        cmd.kind = K::Start;
        cmd.number = v.value_or(0);
      }
    } else if (word == "dump") {
      ok = noArg(K::Dump);
    } else {
      ok = false;
      message = "unknown command {" + std::string(body) + "}";
    }
    if (!ok) return fail(startLine, errorColumn, message);
    commands.push_back(std::move(cmd));
    column += 2 + bodyChars;
    pos = close + 1;
  }
  return commands;
}

}  // namespace tally::batch
