#include "engine/error_report.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/calculator.h"
#include "fake_host.h"
#include "identity.h"

namespace tally {
namespace {

// The sixth field of every record: the title, " v" and the version. The first
// record below pins it as a user reads it.
const std::string kVersionField = std::string("\"") + kProgramTitle + " v" + kVersion + "\"";

TEST(ErrorMessage, Texts) {
  const struct {
    ErrorInfo error;
    const char* expected;
  } cases[] = {
      {{"6", "Overflow", "frmCalculator", "StartNewTotal"},
       "Ocorreu erro: 6\r\nDescription: Overflow\r\nModule: frmCalculator\r\n"
       "Function: StartNewTotal"},
      {{"", "", "", ""}, "Ocorreu erro: \r\n"},
      {{"11", "", "", "cmdFunction_Click2"}, "Ocorreu erro: 11\r\nFunction: cmdFunction_Click2"},
      {{"", "Overflow", "frmCalculator", ""},
       "Ocorreu erro: \r\nDescription: Overflow\r\nModule: frmCalculator\r\n"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(BuildErrorMessage(c.error), c.expected);
  }
}

TEST(ErrorLogRecord, EightFieldsAndCrLf) {
  const LocalDateTime when{2026, 12, 8, 21, 21, 59};
  EXPECT_EQ(BuildErrorLogRecord(when, {"6", "Overflow", "frmCalculator", "cmdDecimal_click"}, "ana",
                                "caixa1"),
            "#2026-12-08 21:21:59#,\"6\",\"Overflow\",\"frmCalculator\","
            "\"cmdDecimal_click\",\"Tallyroller v3.0.28\",\"ana\",\"caixa1\"\r\n");
  // All four texts empty; no user or host; exactly midnight shows the date.
  EXPECT_EQ(BuildErrorLogRecord({2027, 1, 2, 0, 0, 0}, {}, "", ""),
            "#2027-01-02#,\"\",\"\",\"\",\"\"," + kVersionField + ",\"\",\"\"\r\n");
  // A quote inside a text is written as it is.
  EXPECT_EQ(
      BuildErrorLogRecord({2027, 1, 2, 0, 0, 1}, {"5", "a \"b\"", "m", "p"}, "u", "h"),
      "#2027-01-02 00:00:01#,\"5\",\"a \"b\"\",\"m\",\"p\"," + kVersionField + ",\"u\",\"h\"\r\n");
}

TEST(ReportError, ShowsTheBoxThenLogs) {
  testing::FakeHost host;
  Calculator calc(host, ",");
  calc.ReportError(true, "6", "Overflow", "frmCalculator", "StartNewTotal");
  calc.ReportError(false, "5", "x", "frmCalculator", "CheckKeyPress");
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].title, std::string(kProgramTitle) + " - ERRO");
  EXPECT_EQ(host.messages[0].icon, MessageIcon::Critical);
  EXPECT_EQ(host.messages[0].text,
            "Ocorreu erro: 6\r\nDescription: Overflow\r\nModule: frmCalculator\r\n"
            "Function: StartNewTotal");
  ASSERT_EQ(host.errors.size(), 2u);
  EXPECT_EQ(host.errors[1].procedureName, "CheckKeyPress");
  // The box first: the record is written once the user has seen it.
  EXPECT_EQ(host.order, (std::vector<std::string>{"box", "log", "log"}));
}

}  // namespace
}  // namespace tally
