#include "batch/script.h"

#include <gtest/gtest.h>

#include <string>
#include <variant>

namespace tally::batch {
namespace {

std::vector<Command> Parsed(std::string_view text) {
  auto result = ParseScript(text);
  if (auto* error = std::get_if<ScriptError>(&result)) {
    ADD_FAILURE() << error->line << ":" << error->column << ": " << error->message;
    return {};
  }
  return std::get<std::vector<Command>>(result);
}

TEST(Script, TypedKeysAndCommands) {
  const auto cmds = Parsed(
      "12+ 3=\r\n\t{enter}{esc}{bs}{space}{key 150}{click Grande Total}"
      "{click x}{decimals 6}{select 0}{dblclick}{new 1,5 }{new }{new}"
      "{op 1/x}{save}{cancel}{start -12.5}{start 7}{dump}\xC3\xA9\xE2\x80\x93"
      "{addmode on}{addmode off}"
      "{note aluguel de mar\xC3\xA7o}{note}{delete}{insert}{use}");
  using K = Command::Kind;
  const struct {
    K kind;
    std::int64_t number;
    std::string text;
  } expected[] = {
      {K::Key, '1', ""},
      {K::Key, '2', ""},
      {K::Key, '+', ""},
      {K::Key, '3', ""},
      {K::Key, '=', ""},
      {K::Key, 13, ""},
      {K::Key, 27, ""},
      {K::Key, 8, ""},
      {K::Key, 32, ""},
      {K::Key, 150, ""},
      {K::Click, 0, "Grande Total"},
      {K::Click, 0, "x"},
      {K::Decimals, 6, ""},
      {K::Select, 0, ""},
      {K::DblClick, 0, ""},
      {K::New, 0, "1,5 "},
      {K::New, 0, ""},
      {K::New, 0, ""},
      {K::Op, 0, "1/x"},
      {K::Save, 0, ""},
      {K::Cancel, 0, ""},
      {K::Start, -125000, ""},
      {K::Start, 70000, ""},
      {K::Dump, 0, ""},
      {K::Key, 0xE9, ""},
      {K::Key, 150, ""},
      {K::AddMode, 1, ""},
      {K::AddMode, 0, ""},
      {K::Note, 0, "aluguel de mar\xC3\xA7o"},
      {K::Note, 0, ""},
      {K::Delete, 0, ""},
      {K::Insert, 0, ""},
      {K::Use, 0, ""},
  };
  ASSERT_EQ(cmds.size(), std::size(expected));
  for (std::size_t k = 0; k < cmds.size(); ++k) {
    SCOPED_TRACE(k);
    EXPECT_EQ(cmds[k].kind, expected[k].kind);
    EXPECT_EQ(cmds[k].number, expected[k].number);
    EXPECT_EQ(cmds[k].text, expected[k].text);
  }
  EXPECT_EQ(cmds[3].line, 1);
  EXPECT_EQ(cmds[3].column, 5);
  EXPECT_EQ(cmds[5].line, 2);
  EXPECT_EQ(cmds[5].column, 2);
}

TEST(Script, MalformedScriptsNameLineAndColumn) {
  const struct {
    const char* text;
    int line;
    int column;
    const char* fragment;
  } cases[] = {
      {"12{bogus}", 1, 3, "unknown command"},   {"1\n  {enter", 2, 3, "missing }"},
      {"{enter\n}", 1, 1, "missing }"},         {"{key 256}", 1, 6, "out of range"},
      {"{key -1}", 1, 6, "whole number"},       {"{key}", 1, 1, "needs an argument"},
      {"{decimals 7}", 1, 11, "out of range"},  {"{select 99999999999}", 1, 9, "out of range"},
      {"{click Soma}", 1, 8, "unknown button"}, {"{click  C}", 1, 8, "unknown button"},
      {"{op *}", 1, 5, "unknown operation"},    {"{start 1.23456}", 1, 8, "four decimals"},
      {"{start abc}", 1, 8, "four decimals"},   {"{start 99999999999999999}", 1, 8, "out of range"},
      {"{dump 1}", 1, 1, "takes no argument"},  {"{Enter}", 1, 1, "unknown command"},
      {"ab\xE4\xB8\xAD", 1, 3, "Windows-1252"}, {"a\xFF", 1, 2, "invalid UTF-8"},
      {"\xC3", 1, 1, "invalid UTF-8"},          {"{new \xFF}", 1, 6, "invalid UTF-8"},
      {"{addmode}", 1, 1, "needs an argument"}, {"{addmode On}", 1, 10, "on or off"},
      {"{addmode  on}", 1, 10, "on or off"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const auto result = ParseScript(c.text);
    const auto* error = std::get_if<ScriptError>(&result);
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(error->line, c.line);
    EXPECT_EQ(error->column, c.column);
    EXPECT_NE(error->message.find(c.fragment), std::string::npos) << error->message;
  }
}

// Commands sharing one line and commands on lines of their own read alike,
// however many there are; an error far along a long line names its column.
TEST(Script, LongLinesOfCommands) {
  constexpr int kPieces = 25000;
  const std::string piece = "{click 1}{key 43}7 {dump}";  // four commands, 25 columns
  const auto repeated = [&](const std::string& after) {
    std::string text;
    for (int k = 0; k < kPieces; ++k) text += piece + after;
    return text;
  };
  const struct {
    std::string text;
    int lastLine;
    int lastColumn;
  } cases[] = {
      {repeated(""), 1, 25 * (kPieces - 1) + 20},
      {repeated("\n"), kPieces, 20},
      {repeated("\r\n"), kPieces, 20},
  };
  for (const auto& c : cases) {
    const auto cmds = Parsed(c.text);
    ASSERT_EQ(cmds.size(), 4u * kPieces);
    EXPECT_EQ(cmds.back().kind, Command::Kind::Dump);
    EXPECT_EQ(cmds.back().line, c.lastLine);
    EXPECT_EQ(cmds.back().column, c.lastColumn);
  }
  const auto result = ParseScript(repeated("") + "{click 2\n" + piece);
  const auto* error = std::get_if<ScriptError>(&result);
  ASSERT_NE(error, nullptr);
  EXPECT_EQ(error->line, 1);
  EXPECT_EQ(error->column, 25 * kPieces + 1);
  EXPECT_NE(error->message.find("missing }"), std::string::npos) << error->message;
}

// A leading byte order mark is not part of the script: it is skipped and
// columns count from the character after it. Anywhere else it is a
// character Windows-1252 cannot type.
TEST(Script, ALeadingByteOrderMarkIsSkipped) {
  const std::string bom = "\xEF\xBB\xBF";
  const auto keys = Parsed(bom + "12+\n{dump}");
  ASSERT_EQ(keys.size(), 4u);
  EXPECT_EQ(keys[0].number, '1');
  EXPECT_EQ(keys[0].line, 1);
  EXPECT_EQ(keys[0].column, 1);
  EXPECT_EQ(keys[2].column, 3);
  EXPECT_EQ(keys[3].kind, Command::Kind::Dump);
  EXPECT_EQ(keys[3].line, 2);
  EXPECT_TRUE(Parsed(bom).empty());
  EXPECT_EQ(Parsed(bom + "{key 13}").size(), 1u);

  const struct {
    std::string text;
    int line;
    int column;
    const char* fragment;
  } errors[] = {
      {bom + "{bogus}", 1, 1, "unknown command"}, {bom + "12{click Soma}", 1, 10, "unknown button"},
      {bom + bom + "1", 1, 1, "Windows-1252"},    {"1" + bom, 1, 2, "Windows-1252"},
      {"\xEF\xBB", 1, 1, "invalid UTF-8"},
  };
  for (const auto& c : errors) {
    SCOPED_TRACE(c.text);
    const auto result = ParseScript(c.text);
    const auto* error = std::get_if<ScriptError>(&result);
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(error->line, c.line);
    EXPECT_EQ(error->column, c.column);
    EXPECT_NE(error->message.find(c.fragment), std::string::npos) << error->message;
  }
}

// The error line quotes the script: its control characters (C0, DEL, C1)
// and any byte that is not UTF-8 are shown as \xHH, never raw, and then a
// backslash is shown so too and the line says how it was written.
TEST(ErrorLine, ControlCharactersAreShownEscaped) {
  const std::string note = " (control characters and backslashes shown as \\xHH)";
  const struct {
    std::string line;
    std::string shown;
  } cases[] = {
      {"s:1:1: unknown command {bogus}", "s:1:1: unknown command {bogus}"},
      {"s:1:8: unknown button \"\\\"", "s:1:8: unknown button \"\\\""},
      {"s:1:1: unknown command {\x1B[31mred}", "s:1:1: unknown command {\\x1B[31mred}" + note},
      {"s:1:1: unknown command {key\t1}", "s:1:1: unknown command {key\\x091}" + note},
      {"s:1:1: x {\x7F\x01\\x}", "s:1:1: x {\\x7F\\x01\\x5Cx}" + note},
      {"s:1:1: x {\xC2\x9B"
       "2J}",
       "s:1:1: x {\\xC2\\x9B2J}" + note},
      {"s:1:1: x {\xC3\xA9\xE2\x80\x93}", "s:1:1: x {\xC3\xA9\xE2\x80\x93}"},
      {"bad\x9B\xFFname:1:1: y", "bad\\x9B\\xFFname:1:1: y" + note},
      {std::string("nul\0", 4), "nul\\x00" + note},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(ShownEscaped(c.line), c.shown);
  }
}

}  // namespace
}  // namespace tally::batch
