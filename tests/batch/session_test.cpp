#include "batch/session.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <sstream>
#include <string>
#include <variant>

#include "batch/script.h"

namespace tally::batch {
namespace {

std::vector<Command> Parse(std::string_view text) {
  auto result = ParseScript(text);
  EXPECT_TRUE(std::holds_alternative<std::vector<Command>>(result));
  return std::get<std::vector<Command>>(result);
}

// No error log: records are dropped.
Session::Options Quiet() { return {}; }

// A working day of keys, for each kind of line the keys write: operand and
// total lines, grand total lines ("G" key, C C) and sign-change lines. The
// tape never holds more than one line past its limit after a command. (What
// the process's memory does meanwhile is a figure: batch_bench measures it.)
TEST(Session, TheTapeStaysFlatOverAMillionKeysOfEveryLineKind) {
  const char* const cycles[] = {
      "{decimals 2}12.5+3*2-1=7/4==",  // operands, totals, separators
      "1+=G",                          // grand total: "GT" line
      "1+==CC",                        // C C: "G" line
      "1{click +/-}+",                 // sign change: separator and restatement
  };
  for (const char* text : cycles) {
    SCOPED_TRACE(text);
    const auto cycle = Parse(text);
    Session session(Quiet());
    std::ostringstream sink;
    std::size_t keys = 0;
    std::int32_t longest = 0;
    while (keys < 1000000) {
      for (const Command& command : cycle) {
        session.RunCommand(command, sink);
        longest = std::max(longest, session.GetCalculator().GetTape().Count());
      }
      keys += cycle.size();
    }
    EXPECT_LE(longest, Tape::kMaxLines + 1);
    EXPECT_EQ(session.GetCalculator().GetTape().Count(), Tape::kMaxLines);
  }
}

// Notes by line index, oldest first, as JSON strings; the item count last.
TEST(Session, SnapshotEndsWithTheNotesAndTheItems) {
  Session session(Quiet());
  std::ostringstream out;
  session.Run(Parse("{decimals 2}1+2+3+{select 2}{note diz \"oi\"\\}{select 0}{note a}"
                    "{select 1}{note b}{note}"),
              out);
  EXPECT_TRUE(out.str().ends_with(
      "\"notes\": {\"0\": \"a\", \"2\": \"diz \\\"oi\\\"\\\\\"}, \"items\": 3}\n"))
      << out.str();
}

TEST(Session, SnapshotShapeAndMessagesAreConsumed) {
  Session session(Quiet());
  std::ostringstream out;
  // The second 1/x divides by zero: one message, shown by the next snapshot
  // only.
  session.Run(Parse("{decimals 2}5{click 1/x}{dump}{click C}{click 1/x}{dump}{select 0}"), out);
  std::string first, withMessage, second;
  std::istringstream lines(out.str());
  std::getline(lines, first);
  std::getline(lines, withMessage);
  std::getline(lines, second);
  EXPECT_EQ(first.rfind("{\"display\": \"0,20\", \"operator\": \"\", \"grandTotal\": \"\", "
                        "\"memory\": false, \"tape\": [], \"selected\": -1, \"panel\": null, "
                        "\"messages\": [], \"closed\": false, \"state\": {\"Accumulator\": 0, ",
                        0),
            0u)
      << first;
  EXPECT_TRUE(first.ends_with("\"EntryValue\": 0.2}, \"notes\": {}, \"items\": 0}")) << first;
  EXPECT_NE(withMessage.find("\"messages\": [{\"title\": \"Tallyroller - ERRO\", \"text\": "
                            "\"Ocorreu erro: 11\\r\\nDescription: Division by zero\\r\\n"),
            std::string::npos)
      << withMessage;
  EXPECT_NE(second.find("\"messages\": []"), std::string::npos) << second;
}

// A correction saved while a number is being keyed: the replay rewrites the
// tape and the running value, and the entry stays on the display as keyed,
// ready for the next key.
TEST(Session, ACorrectionLeavesTheEntryBeingKeyedOnTheDisplay) {
  const struct {
    const char* script;
    const char* display;
    const char* tape;
  } cases[] = {
      {"{decimals 2}{click C}1+2+3{select 0}{dblclick}{new 5}{save}", "3.",
       "\"tape\": [\"+ 5,00\", \"+ 2,00\"]"},
      {"{decimals 2}{click C}1+2+3{select 0}{dblclick}{new 5}{save}=", "10,00",
       "\"tape\": [\"+ 5,00\", \"+ 2,00\", \"+ 3,00\", \"= 10,00\"]"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.script);
    Session session(Quiet());
    std::ostringstream out;
    session.Run(Parse(c.script), out);
    const std::string snapshot = out.str();
    EXPECT_EQ(snapshot.rfind(std::string("{\"display\": \"") + c.display + "\", ", 0), 0u)
        << snapshot;
    EXPECT_NE(snapshot.find(c.tape), std::string::npos) << snapshot;
  }
}

TEST(JsonText, StringsAndNumbers) {
  EXPECT_EQ(JsonString("a\"b\\c\r\n\x01\xE2\x80\x93"), "\"a\\\"b\\\\c\\r\\n\\u0001\xE2\x80\x93\"");
  EXPECT_EQ(JsonNumber(15), "15");
  EXPECT_EQ(JsonNumber(0.1), "0.1");
  EXPECT_EQ(JsonNumber(-2.5e-300), "-2.5e-300");
  EXPECT_EQ(JsonNumber(1.0 / 0.0), "\"inf\"");
  EXPECT_EQ(JsonNumber(-1.0 / 0.0), "\"-inf\"");
}

// Random text, valid or not, is either rejected with a position or run to the
// end; it never crashes or hangs.
TEST(Session, RandomScriptsAreRejectedOrRun) {
  std::mt19937 rng(20261209);
  const std::string alphabet =
      "0123456789+-*/=.%EeCcGgLlPp{}{}{} abcdefghijklmnopqrstuvwxyz\n\t\r"
      "{click C}{dump}{key 13}{select 0}{dblclick}{new 1,5}{save}{op x}";
  for (int round = 0; round < 400; ++round) {
    std::string script;
    const int length = std::uniform_int_distribution<int>(0, 300)(rng);
    const bool bytes = round % 2 == 0;
    for (int k = 0; k < length; ++k) {
      if (bytes) {
        script += static_cast<char>(std::uniform_int_distribution<int>(0, 255)(rng));
      } else {
        script += alphabet[std::uniform_int_distribution<std::size_t>(0, alphabet.size() - 1)(rng)];
      }
    }
    const auto result = ParseScript(script);
    if (const auto* error = std::get_if<ScriptError>(&result)) {
      EXPECT_GE(error->line, 1);
      EXPECT_GE(error->column, 1);
      EXPECT_FALSE(error->message.empty());
      continue;
    }
    Session session(Quiet());
    std::ostringstream out;
    session.Run(std::get<std::vector<Command>>(result), out);
    EXPECT_FALSE(out.str().empty());
  }
}

}  // namespace
}  // namespace tally::batch

namespace tally::batch {
namespace {

std::string TapeOf(std::string_view script) {
  Session session(Quiet());
  std::ostringstream sink;
  session.RunCommands(Parse(script), sink);
  std::string texts;
  for (const TapeLine& line : session.GetCalculator().GetTape().Lines()) texts += line.text + "|";
  return texts + session.GetCalculator().Labels().lblResult;
}

TEST(Session, UndoAndRedo) {
  const struct {
    const char* script;
    const char* tape;
  } cases[] = {
      {"12+3+{undo}", "+ 12|3."},
      {"12+3+{undo}{undo}{undo}{undo}", "1."},
      {"12+3+{undo}{redo}", "+ 12|+ 3|15"},
      {"12+3+{undo}{undo}{redo}{redo}{redo}", "+ 12|+ 3|15"},
      {"12+3+l{undo}", "+ 12|+ 3|15"},
      // A new step drops what could be redone.
      {"12+3+{undo}4{redo}", "+ 12|34."},
      // A click that only selects is no step.
      {"12+3+{select 0}{undo}", "+ 12|3."},
      // Ignored while the edit panel is open.
      {"12+3+{select 0}{dblclick}{undo}{redo}{cancel}", "+ 12|+ 3|15"},
      {"12+{select 0}{dblclick}{new 5}{save}{undo}", "+ 12|12."},
  };
  for (const auto& c : cases) EXPECT_EQ(TapeOf(c.script), c.tape) << c.script;
}

}  // namespace
}  // namespace tally::batch
