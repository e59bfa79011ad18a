// Tape files, CSV rows and pasted numbers: the text forms of the tape that
// leave the window and come back.

#include "tape/tape_file.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <variant>
#include <vector>

#include "tape/number_text.h"
#include "tape/text_utils.h"

namespace tally {
namespace {

using Lines = std::vector<std::string>;
using FileLines = std::vector<TapeLine>;
const std::string kDash(kEnDash);
const std::string kSep(kSeparatorLine);

Lines Texts(const FileLines& lines) {
  Lines texts;
  for (const TapeLine& line : lines) texts.push_back(line.text);
  return texts;
}

TapeLine Marked() {
  TapeLine line(kSep);
  line.closesWithoutAdding = true;
  return line;
}

Tape TapeOf(const Lines& lines) {
  Tape tape;
  for (const auto& line : lines) tape.AppendDirect(line);
  return tape;
}

TEST(TapeLine, KindsOperatorsAndNumbers) {
  const struct {
    std::string line;
    TapeLineKind kind;
    const char* op;
    const char* number;
  } cases[] = {
      {"+ 12,00", TapeLineKind::Add, "+", "12,00"},
      {kDash + " 3,00", TapeLineKind::Subtract, "\xE2\x80\x93", "3,00"},
      {"- 3.5", TapeLineKind::Subtract, "-", "3.5"},
      {"x -2,5", TapeLineKind::Multiply, "x", "-2,5"},
      {"/ 4,", TapeLineKind::Divide, "/", "4,"},
      {"+ 1,5E-07", TapeLineKind::Add, "+", "1,5E-07"},
      {"+ 1E+15", TapeLineKind::Add, "+", "1E+15"},
      {"= 15,00", TapeLineKind::Total, "=", "15,00"},
      {"= 15,00 sub total", TapeLineKind::Subtotal, "=", "15,00"},
      {"= 15 sub total sub total", TapeLineKind::Subtotal, "=", "15"},
      {kSep, TapeLineKind::Separator, "", ""},
      {"G 19,00", TapeLineKind::GrandTotal, "G", "19,00"},
      {"GT 19,00", TapeLineKind::GrandTotalKey, "GT", "19,00"},
      // Not tape lines.
      {"", TapeLineKind::Other, "", ""},
      {"+12,00", TapeLineKind::Other, "", ""},
      {"+  12,00", TapeLineKind::Other, "", ""},
      {"+ 12,00 ", TapeLineKind::Other, "", ""},
      {"+ 1.234,50", TapeLineKind::Other, "", ""},
      {"+ ,5", TapeLineKind::Other, "", ""},
      {"+ 12,00 sub total", TapeLineKind::Other, "", ""},
      {"* 2", TapeLineKind::Other, "", ""},
      {"1/x 4,00", TapeLineKind::Other, "", ""},
      {"= abc", TapeLineKind::Other, "", ""},
      {"+ 1E", TapeLineKind::Other, "", ""},
      {"**********************", TapeLineKind::Other, "", ""},
      {"G", TapeLineKind::Other, "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    const TapeLineParts parts = SplitTapeFileLine(c.line);
    EXPECT_EQ(parts.kind, c.kind);
    EXPECT_EQ(parts.op, c.op);
    EXPECT_EQ(parts.number, c.number);
  }
}

TEST(TapeFile, TextIsEveryLineEndedByALineFeed) {
  EXPECT_EQ(TapeFileText(TapeOf({})), "");
  EXPECT_EQ(TapeFileText(TapeOf({"+ 1", "= 1", kSep})), "+ 1\n= 1\n" + kSep + "\n");
}

TEST(TapeFile, ReadsBackInAnyLocaleChangingOnlyTheSeparator) {
  const Lines saved = {"+ 12,50", kDash + " 3,", "x -2,5", "= 15,00 sub total", "+ 1,5E-07",
                       "/ 4",     "= 1E+15",     kSep,     "G 19,00",           "GT 7,25"};
  const std::string text = TapeFileText(TapeOf(saved));
  const auto pt = ReadTapeFileText(text, ",");
  ASSERT_TRUE(std::holds_alternative<FileLines>(pt));
  EXPECT_EQ(Texts(std::get<FileLines>(pt)), saved);
  const auto en = ReadTapeFileText(text, ".");
  ASSERT_TRUE(std::holds_alternative<FileLines>(en));
  const Lines dotted = {"+ 12.50", kDash + " 3.", "x -2.5", "= 15.00 sub total", "+ 1.5E-07",
                        "/ 4",     "= 1E+15",     kSep,     "G 19.00",           "GT 7.25"};
  EXPECT_EQ(Texts(std::get<FileLines>(en)), dotted);
  // And back: the first file byte for byte.
  const auto again = ReadTapeFileText(TapeFileText(TapeOf(dotted)), ",");
  ASSERT_TRUE(std::holds_alternative<FileLines>(again));
  EXPECT_EQ(TapeFileText(TapeOf(Texts(std::get<FileLines>(again)))), text);
}

TEST(TapeFile, WhatEditorsDoToATextFileIsTaken) {
  const struct {
    const char* name;
    std::string text;
  } cases[] = {
      {"no final line feed", "+ 1\n= 1"},
      {"CR LF line ends", "+ 1\r\n= 1\r\n"},
      {"a byte order mark", "\xEF\xBB\xBF+ 1\n= 1\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto read = ReadTapeFileText(c.text, ",");
    ASSERT_TRUE(std::holds_alternative<FileLines>(read));
    EXPECT_EQ(Texts(std::get<FileLines>(read)), (Lines{"+ 1", "= 1"}));
  }
}

TEST(TapeFile, HostileTextsAreRefusedWithTheirLineAndReason) {
  std::string tooMany;
  for (int k = 0; k <= Tape::kMaxLines; ++k) tooMany += "+ 1\n";
  std::string justEnough;
  for (int k = 0; k < Tape::kMaxLines; ++k) justEnough += "+ 1\n";
  const struct {
    const char* name;
    std::string text;
    int line;  // -1: accepted
    const char* reason;
  } cases[] = {
      {"empty", "", 0, "vazio"},
      {"a byte order mark alone", "\xEF\xBB\xBF", 0, "vazio"},
      {"binary: a NUL byte", std::string("+ 1\n\0\n", 6), 0, "UTF-8"},
      {"not UTF-8", "+ 1\n+ 2\xE9\n", 0, "UTF-8"},
      {"a line of another kind", "+ 1\n= 1\nTotal: 1\n", 3,
       "não é uma linha da fita: \"Total: 1\""},
      {"a blank line", "+ 1\n\n= 1\n", 2, "não é uma linha da fita"},
      {"grouping in a number", "+ 1.234,50\n", 1, "não é uma linha da fita"},
      {"a long line is shown cut", "x " + std::string(100, 'y') + "\n", 1, "yyy…\""},
      {"a number beyond any double", "+ 1\n+ 9E+999\n", 2, "fora do alcance"},
      {"more lines than a tape holds", tooMany, 0, "mais de 32.766 linhas"},
      {"as many lines as a tape holds", justEnough, -1, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto read = ReadTapeFileText(c.text, ",");
    if (c.line < 0) {
      EXPECT_TRUE(std::holds_alternative<FileLines>(read));
      continue;
    }
    ASSERT_TRUE(std::holds_alternative<TapeFileError>(read));
    const auto& error = std::get<TapeFileError>(read);
    EXPECT_EQ(error.line, c.line);
    EXPECT_NE(error.reason.find(c.reason), std::string::npos) << error.reason;
  }
}

// A small RFC 4180 reader: fields, quotes, doubled quotes, CR LF rows.
std::vector<std::vector<std::string>> ReadCsv(std::string_view text, char delimiter) {
  std::vector<std::vector<std::string>> rows(1);
  std::string field;
  bool quoted = false;
  for (std::size_t k = 0; k < text.size(); ++k) {
    const char c = text[k];
    if (quoted) {
      if (c == '"' && k + 1 < text.size() && text[k + 1] == '"') {
        field += '"';
        ++k;
      } else if (c == '"') {
        quoted = false;
      } else {
        field += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == delimiter) {
      rows.back().push_back(std::move(field));
      field.clear();
    } else if (c == '\r' && k + 1 < text.size() && text[k + 1] == '\n') {
      rows.back().push_back(std::move(field));
      field.clear();
      rows.emplace_back();
      ++k;
    } else {
      field += c;
    }
  }
  if (rows.back().empty() && field.empty()) rows.pop_back();
  return rows;
}

TEST(TapeCsv, RowsReadBackWithTheLocalesConvention) {
  const Lines lines = {"+ 12,50", kDash + " 3,", "= 9,50 sub total", "x 2,00",
                       "= 19,00", kSep,          "G 19,00",          "GT 1,5E-07"};
  // Each line's row; its value as it is written with "," and with "." as
  // the separator.
  const struct {
    const char* position;
    const char* kind;
    const char* operation;
    const char* withComma;
    const char* withPoint;
  } rows[] = {
      {"1", "número", "+", "12,50", "12.50"},
      {"2", "número", "-", "3", "3"},
      {"3", "subtotal", "=", "9,50", "9.50"},
      {"4", "número", "x", "2,00", "2.00"},
      {"5", "total", "=", "19,00", "19.00"},
      {"6", "separador", "", "", ""},
      {"7", "grande total", "G", "19,00", "19.00"},
      {"8", "grande total", "GT", "1,5E-07", "1.5E-07"},
  };
  for (const bool comma : {true, false}) {
    SCOPED_TRACE(comma ? "," : ".");
    std::vector<std::vector<std::string>> expected{
        {"Posição", "Tipo", "Operação", "Valor", "nota"}};
    for (const auto& row : rows) {
      expected.push_back(
          {row.position, row.kind, row.operation, comma ? row.withComma : row.withPoint, ""});
    }
    std::string text = TapeCsvText(TapeOf(lines), comma ? "," : ".");
    ASSERT_EQ(text.substr(0, 3), "\xEF\xBB\xBF");
    // The field delimiter is the one a spreadsheet of that locale reads.
    EXPECT_EQ(ReadCsv(std::string_view(text).substr(3), comma ? ';' : ','), expected);
  }
}

TEST(TapeCsv, FieldsHoldingTheDelimiterOrQuotesAreQuoted) {
  // No line the calculator writes needs quoting; a line of unknown form is
  // written whole as its value, quoted as needed.
  const std::string text = TapeCsvText(TapeOf({"a;b \"c\""}), ",");
  EXPECT_NE(text.find("\"a;b \"\"c\"\"\""), std::string::npos) << text;
  EXPECT_EQ(ReadCsv(std::string_view(text).substr(3), ';')[1][3], "a;b \"c\"");
}

TEST(TapeCsv, NotesAreTheFifthColumn) {
  Tape tape;
  TapeLine noted("+ 12,50");
  noted.note = "aluguel; \"junho\"";
  tape.AppendDirect(noted);
  tape.AppendDirect(Marked());
  const std::string text = TapeCsvText(tape, ",");
  EXPECT_EQ(ReadCsv(std::string_view(text).substr(3), ';'),
            (std::vector<std::vector<std::string>>{
                {"Posição", "Tipo", "Operação", "Valor", "nota"},
                {"1", "número", "+", "12,50", "aluguel; \"junho\""},
                {"2", "separador", "", "", ""}}));
}

// Marks and notes in a tape file: after the line as shown, so that the file
// still reads line by line as the tape.
TEST(TapeFile, MarksAndNotesFollowTheLineAsShown) {
  Tape tape;
  TapeLine noted("+ 12,50");
  noted.note = "aluguel de junho";
  tape.AppendDirect(noted);
  tape.AppendDirect(Marked());
  TapeLine markedNoted = Marked();
  markedNoted.note = "cancelado";
  tape.AppendDirect(markedNoted);
  tape.AppendDirect(TapeLine(kSep));
  const std::string file = "+ 12,50\taluguel de junho\n" + kSep + " (não somado)\n" + kSep +
                           " (não somado)\tcancelado\n" + kSep + "\n";
  EXPECT_EQ(TapeFileText(tape), file);
  // The clipboard shows no marks.
  EXPECT_EQ(TapeCopyText(tape),
            "+ 12,50\taluguel de junho\n" + kSep + "\n" + kSep + "\tcancelado\n" + kSep + "\n");

  // Read back whole in either locale; written again, byte for byte.
  for (const char* sep : {",", "."}) {
    SCOPED_TRACE(sep);
    const auto read = ReadTapeFileText(file, sep);
    ASSERT_TRUE(std::holds_alternative<FileLines>(read));
    const FileLines& lines = std::get<FileLines>(read);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].text, std::string("+ 12") + sep + "50");
    EXPECT_EQ(lines[0].note, "aluguel de junho");
    EXPECT_FALSE(lines[0].closesWithoutAdding);
    EXPECT_EQ(lines[1], Marked());
    EXPECT_EQ(lines[2], markedNoted);
    EXPECT_EQ(lines[3], TapeLine(kSep));
    Tape again;
    for (const TapeLine& line : lines) again.AppendDirect(line);
    const auto back = ReadTapeFileText(TapeFileText(again), ",");
    ASSERT_TRUE(std::holds_alternative<FileLines>(back));
    Tape third;
    for (const TapeLine& line : std::get<FileLines>(back)) third.AppendDirect(line);
    EXPECT_EQ(TapeFileText(third), file);
  }
}

TEST(TapeFile, NotesAndLongLinesAreRefusedWithTheirLine) {
  // "+ 1,000…": as long as a line may be.
  const std::string longest = "1," + std::string(kMaxTapeLineChars - 4, '0');
  const struct {
    const char* name;
    std::string text;
    int line;  // -1: accepted
    const char* reason;
  } cases[] = {
      {"a second tab", "+ 1\n+ 2\tuma\tduas\n", 2, "mais de uma tabulação"},
      {"a note of 200 characters", "+ 1\t" + std::string(200, 'n') + "\n", -1, ""},
      {"a note of 200 characters, not bytes", "+ 1\t" + [] {
         std::string n;
         for (int k = 0; k < 200; ++k) n += "ç";
         return n;
       }() + "\n", -1, ""},
      {"a note of 201 characters", "+ 1\n+ 1\t" + std::string(201, 'n') + "\n", 2,
       "nota de mais de 200 caracteres"},
      {"the suffix on a line that is not a separator", "+ 1 (não somado)\n", 1,
       "não é uma linha da fita"},
      {"the suffix twice", kSep + " (não somado) (não somado)\n", 1, "não é uma linha da fita"},
      {"the longest line taken", "+ " + longest + "\n", -1, ""},
      {"a line past the longest", "+ 1\n+ " + longest + "0\n", 2,
       "mais longa do que qualquer linha da fita"},
      {"a line of 1 MiB", "+ 1\n= 1" + std::string(1 << 20, ' ') + "\n", 2,
       "mais longa do que qualquer linha da fita"},
      {"a subtotal repeated for 1 MiB", [] {
         std::string t = "= 1";
         while (t.size() < (1u << 20)) t += " sub total";
         return t;
       }(), 1, "mais longa"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto read = ReadTapeFileText(c.text, ",");
    if (c.line < 0) {
      EXPECT_TRUE(std::holds_alternative<FileLines>(read))
          << std::get<TapeFileError>(read).reason;
      continue;
    }
    ASSERT_TRUE(std::holds_alternative<TapeFileError>(read));
    const auto& error = std::get<TapeFileError>(read);
    EXPECT_EQ(error.line, c.line);
    EXPECT_NE(error.reason.find(c.reason), std::string::npos) << error.reason;
  }
}

// A file saved by the calculator before lines had marks and notes opens as it
// did: every line as it was, every separator adding.
TEST(TapeFile, AFileFromBeforeMarksReadsAsBefore) {
  std::ifstream in(TALLYROLLER_FIXTURES "/tape-before-marks.txt", std::ios::binary);
  const std::string text{std::istreambuf_iterator<char>(in), {}};
  ASSERT_FALSE(text.empty());
  const auto read = ReadTapeFileText(text, ",");
  ASSERT_TRUE(std::holds_alternative<FileLines>(read));
  const Lines expected = {"+ 100,00", "+ 50,00",  kSep,         "+ 5,00",     "= 5,00",
                          kSep,       "+ 12,00",  kSep,         "+ 12,00",    "+ -3,00",
                          "= 9,00",   kSep,       "+ 7,00",     kDash + " 2,00", "= 5,00",
                          kSep,       "G 14,00",  kSep,         "+ 4,",       "x 3,",
                          "= 12,",    kSep,       "+ 1,000000", "/ 8,000000", "= 0,125000"};
  EXPECT_EQ(Texts(std::get<FileLines>(read)), expected);
  for (const TapeLine& line : std::get<FileLines>(read)) {
    EXPECT_FALSE(line.closesWithoutAdding);
    EXPECT_TRUE(line.note.empty());
  }
  EXPECT_EQ(TapeFileText(TapeOf(expected)), text);
}

TEST(PastedNumber, ReadAsAPersonWroteIt) {
  const struct {
    const char* text;
    const char* separator;
    const char* keys;  // nullptr: refused
    bool negative;
  } cases[] = {
      {"1.234,56", ",", "1234.56", false},
      {"1234,56", ",", "1234.56", false},
      {"12.5", ",", "12.5", false},
      {"1.234.567", ",", "1234567", false},
      {"1,234.56", ".", "1234.56", false},
      {"1,234", ".", "1234", false},
      {"1,5", ".", "1.5", false},
      {"1,5", ",", "1.5", false},
      {"1,234,567", ",", "1234567", false},
      {"R$ 1.234,56", ",", "1234.56", false},
      {"-R$ 12,50", ",", "12.50", true},
      {"R$ -12,50", ",", "12.50", true},
      {"+12", ",", "12", false},
      {"12 €", ",", "12", false},
      {"$5", ".", "5", false},
      {"\xC2\xA0 1\xC2\xA0"
       "234,5 \n",
       ",", "1234.5", false},
      {"0,5", ",", "0.5", false},
      {",5", ",", ".5", false},
      {"12.", ",", "12.", false},
      {"007", ",", "007", false},
      // Refused.
      {"", ",", nullptr, false},
      {"   ", ",", nullptr, false},
      {"abc", ",", nullptr, false},
      {"12a", ",", nullptr, false},
      {"1E5", ",", nullptr, false},
      {"12\t34", ",", nullptr, false},
      {"12\n34", ",", nullptr, false},
      {"12+34", ",", nullptr, false},
      {"--12", ",", nullptr, false},
      {"12-+", ",", nullptr, false},
      {"-12-", ",", nullptr, false},
      {"-(12)", ",", nullptr, false},
      {"(-12)", ",", nullptr, false},
      {"(12", ",", nullptr, false},
      {"1.2.3,4,5", ",", nullptr, false},
      {"R$ R$ 5", ",", nullptr, false},
      {".", ",", nullptr, false},
      {"R$", ",", nullptr, false},
      {"\xFF"
       "12",
       ",", nullptr, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.text) + " with " + c.separator);
    const auto number = ReadPastedNumber(c.text, c.separator);
    if (!c.keys) {
      EXPECT_FALSE(number.has_value());
      continue;
    }
    ASSERT_TRUE(number.has_value());
    EXPECT_EQ(number->keys, c.keys);
    EXPECT_EQ(number->negative, c.negative);
  }
  EXPECT_TRUE(ReadPastedNumber(std::string(400, '7'), ",").has_value());
  EXPECT_FALSE(ReadPastedNumber(std::string(401, '7'), ",").has_value());
}

// A lone "." or "," with three digits after it, where it cannot be the
// locale's point, groups thousands; parentheses and a trailing minus make a
// number negative; the calculator's own exponent form reads back.
TEST(PastedNumber, GroupingSignsAndTheExponentFormByLocale) {
  const std::string smallest = "0." + std::string(323, '0') + "494065645841247";
  const struct {
    const char* text;
    const char* locale;  // its decimal separator below
    const char* keys;    // nullptr: refused
    bool negative;
  } cases[] = {
      {"R$ 2.500", "pt_BR", "2500", false},
      {"2.500", "pt_BR", "2500", false},
      {"12.5", "pt_BR", "12.5", false},
      {"1,234", "pt_BR", "1.234", false},
      {"2.5000", "pt_BR", "2.5000", false},
      {".500", "pt_BR", ".500", false},
      {"1,234", "en_US", "1234", false},
      {"1,5", "en_US", "1.5", false},
      {"2.500", "en_US", "2.500", false},
      {"$ 2,500", "en_US", "2500", false},
      {"2.500", "de_DE", "2500", false},
      {"2.500,75 €", "de_DE", "2500.75", false},
      {"1,234", "de_DE", "1.234", false},
      {"(1.234,56)", "pt_BR", "1234.56", true},
      {"1.234,56-", "pt_BR", "1234.56", true},
      {"(R$ 1.234,56)", "pt_BR", "1234.56", true},
      {"R$ 1.234,56-", "pt_BR", "1234.56", true},
      {"(1,234.56)", "en_US", "1234.56", true},
      {"12-", "en_US", "12", true},
      {"( 7 )", "de_DE", "7", true},
      // The exponent form, with the locale's separator only.
      {"9,9999997E+23", "pt_BR", "999999970000000000000000", false},
      {"1,5E-07", "pt_BR", "0.00000015", false},
      {"-1,5E-07", "pt_BR", "0.00000015", true},
      {"1E+15", "pt_BR", "1000000000000000", false},
      {"9.9999997E+23", "en_US", "999999970000000000000000", false},
      {"1.5E-07", "en_US", "0.00000015", false},
      {"2,5E+16", "de_DE", "25000000000000000", false},
      {"4,94065645841247E-324", "pt_BR", smallest.c_str(), false},
      {"9.9999997E+23", "pt_BR", nullptr, false},
      {"9,9999997E+23", "en_US", nullptr, false},
      {"1e+15", "pt_BR", nullptr, false},
      {"1E15", "pt_BR", nullptr, false},
      {"1E+", "pt_BR", nullptr, false},
      {"E+15", "pt_BR", nullptr, false},
      {"1,E+15", "pt_BR", nullptr, false},
      {"1.000,5E+15", "pt_BR", nullptr, false},
      {"1E+15E+1", "pt_BR", nullptr, false},
      {"1E+1000", "pt_BR", nullptr, false},
      // Past the largest double it could only be typed as another number.
      {"1,79769313486232E+308", "pt_BR", nullptr, false},
      {"12 EUR", "pt_BR", nullptr, false},
      {"1x", "en_US", nullptr, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.text) + " in " + c.locale);
    const std::string separator = std::string(c.locale) == "en_US" ? "." : ",";
    const auto number = ReadPastedNumber(c.text, separator);
    if (!c.keys) {
      EXPECT_FALSE(number.has_value()) << number->keys;
      continue;
    }
    ASSERT_TRUE(number.has_value());
    EXPECT_EQ(number->keys, c.keys);
    EXPECT_EQ(number->negative, c.negative);
  }
}



}  // namespace
}  // namespace tally
