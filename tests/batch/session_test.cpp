#include "batch/session.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <fstream>
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

long ResidentKiB() {
  std::ifstream statm("/proc/self/statm");
  long size = 0, resident = 0;
  statm >> size >> resident;
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// A working day of keys, for each kind of line the keys write: operand and
// total lines, grand total lines ("G" key, C C) and sign-change lines. The
// tape never holds more than one line past its limit after a command, and the
// resident size after a million keys stays within 10% of what it was after
// the first 100,000 (the tape is full by then).
TEST(Session, MemoryAndTapeStayFlatOverAMillionKeysOfEveryLineKind) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the address sanitizer's quarantine holds freed memory";
#endif
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
    long afterFirst = 0;
    std::int32_t longest = 0;
    while (keys < 1000000) {
      for (const Command& command : cycle) {
        session.RunCommand(command, sink);
        longest = std::max(longest, session.GetCalculator().GetTape().Count());
      }
      keys += cycle.size();
      if (afterFirst == 0 && keys >= 100000) afterFirst = ResidentKiB();
    }
    const long atEnd = ResidentKiB();
    EXPECT_LE(longest, Tape::kMaxLines + 1);
    EXPECT_EQ(session.GetCalculator().GetTape().Count(), Tape::kMaxLines);
    EXPECT_LE(atEnd, afterFirst + afterFirst / 10)
        << "after 100,000 keys " << afterFirst << " KiB, at the end " << atEnd;
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
  session.Run(Parse("{decimals 2}5{click 1/x}{dump}{select 0}"), out);
  std::string first, second;
  std::istringstream lines(out.str());
  std::getline(lines, first);
  std::getline(lines, second);
  EXPECT_EQ(first.rfind("{\"display\": \"0,20\", \"operator\": \"\", \"grandTotal\": \"\", "
                        "\"memory\": false, \"tape\": [], \"selected\": -1, \"panel\": null, "
                        "\"messages\": [], \"closed\": false, \"state\": {\"Accumulator\": 0, ",
                        0),
            0u)
      << first;
  EXPECT_TRUE(first.ends_with("\"EntryValue\": 0.2}, \"notes\": {}, \"items\": 0}")) << first;
  EXPECT_NE(second.find("\"messages\": []"), std::string::npos);
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
