// The batch driver's kept session: one run of a script ends as two runs of
// its halves with the same session file; and the real driver, killed at
// chosen points and at seeded instants, starts again from the state after a whole command, never
// before what it had already shown.

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <unordered_map>
#include <variant>
#include <vector>

#include "driver_process.h"
#include "batch/script.h"
#include "batch/session.h"

namespace tally::batch {
namespace {

std::vector<Command> Parse(const std::string& text) {
  auto parsed = ParseScript(text);
  EXPECT_TRUE(std::holds_alternative<std::vector<Command>>(parsed)) << text;
  return std::get<std::vector<Command>>(parsed);
}

// A random script of keys, clicks and corrections; no key closes the window.
std::string RandomScript(std::mt19937& rng, int commands) {
  static const char* const kPieces[] = {"0",
                                        "1",
                                        "2",
                                        "3",
                                        "4",
                                        "5",
                                        "7",
                                        "9",
                                        ".",
                                        ".",
                                        "+",
                                        "-",
                                        "*",
                                        "/",
                                        "=",
                                        "=",
                                        "%",
                                        "e",
                                        "c",
                                        "g",
                                        "{bs}",
                                        "{enter}",
                                        "{click sqrt}",
                                        "{click 1/x}",
                                        "{click +/-}",
                                        "{click M+}",
                                        "{click M-}",
                                        "{click MR}",
                                        "{click MC}",
                                        "{click Grande Total}",
                                        "{decimals 2}",
                                        "{decimals 0}",
                                        "{decimals 6}",
                                        "{select 0}",
                                        "{select 3}",
                                        "{dblclick}",
                                        "{new 12,5}",
                                        "{new abc}",
                                        "{op x}",
                                        "{op 1/x}",
                                        "{op -}",
                                        "{save}",
                                        "{cancel}",
                                        "{start 12.5}",
                                        "l",
                                        "99999999999999999999"};
  std::uniform_int_distribution<std::size_t> pick(0, std::size(kPieces) - 1);
  std::string script;
  for (int k = 0; k < commands; ++k) script += kPieces[pick(rng)];
  return script;
}

// The snapshot less the messages, which belong to a run, not to the state.
std::string WithoutMessages(std::string snapshot) {
  const auto from = snapshot.find(", \"messages\": [");
  const auto to = snapshot.find("], \"closed\"");
  if (from != std::string::npos && to != std::string::npos) snapshot.erase(from, to - from + 1);
  return snapshot;
}

// ... and less the edit panel, which a kept session does not keep.
std::string KeptPart(std::string snapshot) {
  snapshot = WithoutMessages(std::move(snapshot));
  const auto from = snapshot.find(", \"panel\": ");
  const auto to = snapshot.find(", \"closed\"");
  if (from != std::string::npos && to != std::string::npos) snapshot.erase(from, to - from);
  return snapshot;
}

std::string FinalSnapshot(Session::Options options, const std::vector<Command>& commands) {
  Session session(std::move(options));
  std::ostringstream out;
  session.Run(commands, out);
  std::string text = out.str();
  text.pop_back();
  return text.substr(text.rfind('\n') + 1);
}

TEST(KeptSessionRuns, OneRunEqualsTwoRunsOfItsHalves) {
  QTemporaryDir dir;
  std::mt19937 rng(2026);
  for (int trial = 0; trial < 60; ++trial) {
    SCOPED_TRACE("trial " + std::to_string(trial));
    const auto commands = Parse(RandomScript(rng, std::uniform_int_distribution<int>(5, 400)(rng)));
    // Split where the edit panel is closed: an open panel is not kept.
    std::vector<std::size_t> splits;
    {
      Session probe({});
      std::ostringstream sink;
      for (std::size_t k = 0; k <= commands.size(); ++k) {
        if (!probe.GetCalculator().Panel().visible) splits.push_back(k);
        if (k < commands.size()) probe.RunCommands({commands[k]}, sink);
      }
    }
    const std::size_t split =
        splits[std::uniform_int_distribution<std::size_t>(0, splits.size() - 1)(rng)];
    const QString file = dir.filePath(QStringLiteral("run%1.journal").arg(trial));

    Session::Options alone;
    const std::string once = FinalSnapshot(alone, commands);
    Session::Options kept;
    kept.keptSession = file;
    FinalSnapshot(kept, {commands.begin(), commands.begin() + static_cast<std::ptrdiff_t>(split)});
    const std::string twice = FinalSnapshot(
        kept, {commands.begin() + static_cast<std::ptrdiff_t>(split), commands.end()});
    EXPECT_EQ(WithoutMessages(twice), WithoutMessages(once)) << "split at " << split;
  }
}

// Add mode and an entry half keyed go on in the second run, wherever the
// script is split.
TEST(KeptSessionRuns, AddModeGoesOnAfterAnySplit) {
  QTemporaryDir dir;
  const auto commands =
      Parse("{decimals 2}{addmode on}1234+5=+7{addmode off}00-{addmode on}2550=={click MR}+");
  Session::Options alone;
  const std::string once = FinalSnapshot(alone, commands);
  for (std::size_t split = 0; split <= commands.size(); ++split) {
    SCOPED_TRACE("split at " + std::to_string(split));
    Session::Options kept;
    kept.keptSession = dir.filePath(QStringLiteral("split%1.journal").arg(split));
    const auto middle = commands.begin() + static_cast<std::ptrdiff_t>(split);
    FinalSnapshot(kept, {commands.begin(), middle});
    EXPECT_EQ(WithoutMessages(FinalSnapshot(kept, {middle, commands.end()})),
              WithoutMessages(once));
  }
}

// The real driver under SIGKILL.
class Killed : public ::testing::Test {
 protected:
  // After a start that ran to its end: the journals, and no temporary file,
  // lock or file kept aside.
  static void ExpectOnlyJournals(const QTemporaryDir& dir) {
    const QStringList entries = QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden |
                                                           QDir::System | QDir::NoDotAndDotDot);
    for (const QString& name : entries) {
      EXPECT_TRUE(name.endsWith(QStringLiteral(".journal"))) << name.toStdString();
    }
  }

  struct Run {
    std::string output;
    bool exited = false;
  };

  // Starts the driver on `script` and kills it `delay` after its start
  // unless it ended before; with no delay it runs to its end.
  static Run StartAndKill(const std::string& script, const std::string& session,
                          std::optional<std::chrono::microseconds> delay) {
    tally::testing::DriverProcess driver({"--locale", "pt_BR", "--session", session}, script);
    if (delay) {
      std::this_thread::sleep_for(*delay);
      driver.Kill();
    }
    const auto& outcome = driver.Wait();
    return {outcome.out, outcome.exited};
  }

  // Starts the driver on `script` and kills it once it has shown `lines`
  // snapshots. Past those lines the test reads no more: a driver with more to
  // show than the pipe holds is stopped there and cannot end before the kill.
  static Run StartAndKillAfter(const std::string& script, const std::string& session,
                               std::size_t lines) {
    tally::testing::DriverProcess driver({"--locale", "pt_BR", "--session", session}, script);
    EXPECT_TRUE(driver.ReadLines(lines)) << "the driver ended before " << lines << " lines";
    driver.Kill();
    const auto& outcome = driver.Wait();
    return {outcome.out, outcome.exited};
  }
};

TEST_F(Killed, EachRestartFindsAWholeCommandNoEarlierThanItShowed) {
  // A long script with a snapshot now and then (what the driver showed is
  // what it acknowledged), the tape cleared often so that snapshots stay
  // short.
  std::mt19937 rng(77);
  std::string script;
  for (int part = 0; part < 4000; ++part) {
    script += RandomScript(rng, 8);
    script += part % 3 == 0 ? "{dump}" : "";
    if (part % 10 == 0) script += "l";
  }
  const auto commands = Parse(script);

  // The state after every prefix of the script, without the messages.
  std::unordered_map<std::string, std::size_t> after;  // snapshot -> last prefix
  std::vector<std::size_t> dumpAt;                     // prefix at each {dump}
  {
    Session::Options options;
    Session session(options);
    std::ostringstream sink;
    after[KeptPart(session.TakeSnapshot())] = 0;
    for (std::size_t k = 0; k < commands.size(); ++k) {
      if (commands[k].kind == Command::Kind::Dump) dumpAt.push_back(k);
      session.RunCommands({commands[k]}, sink);
      after[KeptPart(session.TakeSnapshot())] = k + 1;
    }
  }

  // The snapshots the driver shows, and where each ends: a kill is only
  // certain to come before the end while more than the pipe can hold (64 KiB
  // here; a few times that to spare) is still to be shown.
  std::string shownInFull;
  {
    Session::Options options;
    Session session(options);
    std::ostringstream out;
    session.Run(commands, out);
    shownInFull = out.str();
  }
  std::vector<std::size_t> lineEnds;
  for (std::size_t at = shownInFull.find('\n'); at != std::string::npos;
       at = shownInFull.find('\n', at + 1)) {
    lineEnds.push_back(at + 1);
  }
  std::size_t killable = 0;
  while (killable < lineEnds.size() && shownInFull.size() - lineEnds[killable] > (512u << 10)) {
    ++killable;
  }
  ASSERT_GE(killable, 40u) << "the script shows too little to be killed midway";

  QTemporaryDir dir;
  // Forty kills certain to come midway, after 1 .. `killable` snapshots spread
  // evenly; then 140 at seeded instants from the first moments of the start
  // (its first journal) to well into the script, wherever they land.
  std::mt19937 timing(5);
  constexpr int kMidway = 40;
  for (int trial = 0; trial < kMidway + 140; ++trial) {
    SCOPED_TRACE("trial " + std::to_string(trial));
    const std::string session =
        dir.filePath(QStringLiteral("k%1.journal").arg(trial)).toStdString();
    Run run;
    if (trial < kMidway) {
      const std::size_t lines =
          1 + static_cast<std::size_t>(trial) * (killable - 1) / (kMidway - 1);
      run = StartAndKillAfter(script, session, lines);
      EXPECT_FALSE(run.exited) << "the driver ended before it was killed";
    } else {
      const auto delay =
          std::chrono::microseconds(std::uniform_int_distribution<int>(0, 30000)(timing));
      run = StartAndKill(script, session, delay);
    }
    std::size_t shown = 0;
    for (std::size_t at = run.output.find('\n'); at != std::string::npos;
         at = run.output.find('\n', at + 1)) {
      ++shown;
    }
    // Started again with nothing to do, it shows where it is.
    const Run restart = StartAndKill("", session, std::nullopt);
    ASSERT_TRUE(restart.exited);
    std::string final = restart.output;
    ASSERT_FALSE(final.empty());
    final.pop_back();
    final = final.substr(final.rfind('\n') + 1);
    EXPECT_NE(final.find("\"messages\": []"), std::string::npos) << final.substr(0, 300);
    const auto found = after.find(KeptPart(final));
    ASSERT_NE(found, after.end()) << "not the state after any prefix: " << final.substr(0, 300);
    if (shown > 0 && shown <= dumpAt.size()) {
      // The state after the last snapshot shown, or a later one.
      EXPECT_GE(found->second, dumpAt[shown - 1]) << "a command already shown was lost";
    }
    ExpectOnlyJournals(dir);
  }
}

// Killed while it starts on a long kept tape: while it reads the session and
// writes it afresh through a temporary file. The next start finds the same
// calculator, says nothing, and leaves no temporary file.
TEST_F(Killed, AKillDuringTheStartLosesNothingAndLeavesNothing) {
  std::mt19937 rng(91);
  std::string script;
  for (int part = 0; part < 600; ++part) script += RandomScript(rng, 8);
  QTemporaryDir dir;
  const std::string session = dir.filePath(QStringLiteral("long.journal")).toStdString();
  const Run first = StartAndKill(script, session, std::nullopt);
  ASSERT_TRUE(first.exited);
  std::string kept = first.output;
  ASSERT_FALSE(kept.empty());
  kept.pop_back();
  kept = KeptPart(kept.substr(kept.rfind('\n') + 1));

  std::mt19937 timing(13);
  for (int trial = 0; trial < 60; ++trial) {
    SCOPED_TRACE("trial " + std::to_string(trial));
    const auto delay =
        std::chrono::microseconds(std::uniform_int_distribution<int>(0, 15000)(timing));
    StartAndKill("", session, delay);
    const Run restart = StartAndKill("", session, std::nullopt);
    ASSERT_TRUE(restart.exited);
    std::string final = restart.output;
    ASSERT_FALSE(final.empty());
    final.pop_back();
    final = final.substr(final.rfind('\n') + 1);
    EXPECT_NE(final.find("\"messages\": []"), std::string::npos) << final.substr(0, 300);
    ASSERT_EQ(KeptPart(final), kept);
    ExpectOnlyJournals(dir);
  }
}

}  // namespace
}  // namespace tally::batch

namespace tally::batch {
namespace {

// Undo and redo are kept like any key: the next run starts where they left
// the calculator.
TEST(KeptSessionRuns, UndoAndRedoAreKeptLikeKeys) {
  QTemporaryDir dir;
  std::mt19937 rng(21);
  for (int trial = 0; trial < 30; ++trial) {
    SCOPED_TRACE("trial " + std::to_string(trial));
    static const char* const kMoves[] = {"{undo}", "{redo}", "{undo}{undo}{undo}", "{redo}{redo}"};
    std::string script;
    for (int piece = 0; piece < 8; ++piece) {
      script += RandomScript(rng, std::uniform_int_distribution<int>(1, 30)(rng));
      script += kMoves[rng() % std::size(kMoves)];
    }
    const auto commands = Parse(script + "{cancel}");
    const QString file = dir.filePath(QStringLiteral("s%1").arg(trial));
    Session::Options kept;
    kept.keptSession = file;
    const std::string once = FinalSnapshot(kept, commands);
    EXPECT_EQ(KeptPart(FinalSnapshot(kept, {})), KeptPart(once)) << script;
  }
}

}  // namespace
}  // namespace tally::batch
