#include "engine/error_report.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "engine/calculator.h"
#include "fake_host.h"

namespace tally {
namespace {

namespace fs = std::filesystem;

TEST(ErrorMessage, Texts) {
  const struct {
    ErrorInfo error;
    const char* expected;
  } cases[] = {
      {{"6", "Overflow", "frmCalculator", "StartNewTotal"},
       "Ocorreu erro: 6\r\nDescription: Overflow\r\nModule: frmCalculator\r\n"
       "Function: StartNewTotal"},
      {{"", "", "", ""}, "Ocorreu erro: \r\n"},
      {{"11", "", "", "cmdFunction_Click2"},
       "Ocorreu erro: 11\r\nFunction: cmdFunction_Click2"},
      {{"", "Overflow", "frmCalculator", ""},
       "Ocorreu erro: \r\nDescription: Overflow\r\nModule: frmCalculator\r\n"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(BuildErrorMessage(c.error), c.expected);
  }
}

TEST(ErrorLogRecord, EightFieldsAndCrLf) {
  const LocalDateTime when{2026, 12, 8, 21, 21, 59};
  EXPECT_EQ(BuildErrorLogRecord(when, {"6", "Overflow", "frmCalculator", "cmdDecimal_click"},
                                "ana", "caixa1"),
            "#2026-12-08 21:21:59#,\"6\",\"Overflow\",\"frmCalculator\","
            "\"cmdDecimal_click\",\"Tallyroller v3.0.28\",\"ana\",\"caixa1\"\r\n");
  // All four texts empty; no user or host; exactly midnight shows the date.
  EXPECT_EQ(BuildErrorLogRecord({2027, 1, 2, 0, 0, 0}, {}, "", ""),
            "#2027-01-02#,\"\",\"\",\"\",\"\",\"Tallyroller v3.0.28\",\"\",\"\"\r\n");
  // A quote inside a text is written as it is.
  EXPECT_EQ(BuildErrorLogRecord({2027, 1, 2, 0, 0, 1}, {"5", "a \"b\"", "m", "p"}, "u", "h"),
            "#2027-01-02 00:00:01#,\"5\",\"a \"b\"\",\"m\",\"p\",\"Tallyroller v3.0.28\",\"u\",\"h\"\r\n");
}

class ErrorLogFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("tally-log-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
            "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  ErrorLogFile::Environment Env(std::vector<fs::path> candidates) {
    ErrorLogFile::Environment env;
    env.candidates = std::move(candidates);
    env.clock = [] { return LocalDateTime{2026, 12, 9, 10, 33, 5}; };
    env.userName = "ana";
    env.computerName = "caixa1";
    return env;
  }

  static std::string Read(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }

  fs::path dir_;
};

TEST_F(ErrorLogFileTest, CreatesAMissingFileAndAppendsRecordsInOrder) {
  const fs::path file = dir_ / "sub" / "ErrorLog.txt";
  ErrorLogFile log(Env({file}));
  EXPECT_EQ(log.Append({"6", "Overflow", "frmCalculator", "StartNewTotal"}), file);
  EXPECT_EQ(log.Append({"5", "x", "frmCalculator", "CheckKeyPress"}), file);
  EXPECT_EQ(Read(file),
            "#2026-12-09 10:33:05#,\"6\",\"Overflow\",\"frmCalculator\",\"StartNewTotal\","
            "\"Tallyroller v3.0.28\",\"ana\",\"caixa1\"\r\n"
            "#2026-12-09 10:33:05#,\"5\",\"x\",\"frmCalculator\",\"CheckKeyPress\","
            "\"Tallyroller v3.0.28\",\"ana\",\"caixa1\"\r\n");
}

TEST_F(ErrorLogFileTest, UnwritableFolderFallsBackThenGivesUp) {
  fs::create_directories(dir_);
  const fs::path blocker = dir_ / "not-a-folder";
  std::ofstream(blocker) << "a file where a folder should be";
  const fs::path unwritable = blocker / "ErrorLog.txt";
  const fs::path fallback = dir_ / "data" / "ErrorLog.txt";

  ErrorLogFile withFallback(Env({unwritable, fallback}));
  EXPECT_EQ(withFallback.Append({"6", "Overflow", "m", "p"}), fallback);
  EXPECT_NE(Read(fallback).find("\"Overflow\""), std::string::npos);

  ErrorLogFile nowhere(Env({unwritable}));
  EXPECT_EQ(nowhere.Append({"6", "Overflow", "m", "p"}), fs::path{});
}

TEST(DefaultErrorLog, ExecutableFolderThenUserDataFolder) {
  const auto files = DefaultErrorLogCandidates("/opt/tally/bin");
  ASSERT_GE(files.size(), 1u);
  EXPECT_EQ(files[0], fs::path("/opt/tally/bin/ErrorLog.txt"));
  if (files.size() > 1) {
    EXPECT_EQ(files[1].filename(), "ErrorLog.txt");
    EXPECT_EQ(files[1].parent_path().filename(), "Tallyroller");
  }
}

TEST(ReportError, ShowsTheBoxThenLogs) {
  testing::FakeHost host;
  Calculator calc(host, ",");
  calc.ReportError(true, "6", "Overflow", "frmCalculator", "StartNewTotal");
  calc.ReportError(false, "5", "x", "frmCalculator", "CheckKeyPress");
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].title, "Tallyroller - ERRO");
  EXPECT_EQ(host.messages[0].icon, MessageIcon::Critical);
  EXPECT_EQ(host.messages[0].text,
            "Ocorreu erro: 6\r\nDescription: Overflow\r\nModule: frmCalculator\r\n"
            "Function: StartNewTotal");
  ASSERT_EQ(host.errors.size(), 2u);
  EXPECT_EQ(host.errors[1].procedureName, "CheckKeyPress");
}

}  // namespace
}  // namespace tally
