// The batch driver's kept session: one run of a script ends as two runs of
// its halves with the same session file; and the real driver, killed at
// random instants, starts again from the state after a whole command, never
// before what it had already shown.

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

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

// The real driver under SIGKILL.
class Killed : public ::testing::Test {
 protected:
  struct Run {
    std::string output;
    bool exited = false;
  };

  // Starts the driver on `script`, reads what it prints, and kills it after
  // `delay` unless it ended before; with no delay it runs to its end.
  static Run StartAndKill(const std::string& script, const std::string& session,
                          std::optional<std::chrono::microseconds> delay) {
    // A driver killed while its script is fed must not take the test along.
    signal(SIGPIPE, SIG_IGN);
    int in[2], out[2];
    if (pipe(in) != 0 || pipe(out) != 0) return {};
    const pid_t child = fork();
    if (child == 0) {
      dup2(in[0], 0);
      dup2(out[1], 1);
      close(in[1]);
      close(out[0]);
      execl(TALLYROLLER_BATCH_PATH, TALLYROLLER_BATCH_PATH, "--locale", "pt_BR", "--session",
            session.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    close(in[0]);
    close(out[1]);
    std::thread feeder([&] {
      std::size_t done = 0;
      while (done < script.size()) {
        const ssize_t n = write(in[1], script.data() + done, script.size() - done);
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
      }
      close(in[1]);
    });
    Run run;
    std::thread reader([&] {
      char buf[65536];
      ssize_t n = 0;
      while ((n = read(out[0], buf, sizeof buf)) > 0)
        run.output.append(buf, static_cast<std::size_t>(n));
    });
    if (delay) {
      std::this_thread::sleep_for(*delay);
      kill(child, SIGKILL);
    }
    int status = 0;
    waitpid(child, &status, 0);
    run.exited = WIFEXITED(status);
    feeder.join();
    reader.join();
    close(out[0]);
    return run;
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

  QTemporaryDir dir;
  std::mt19937 timing(5);
  int killedMidway = 0;
  for (int trial = 0; trial < 40; ++trial) {
    SCOPED_TRACE("trial " + std::to_string(trial));
    const std::string session =
        dir.filePath(QStringLiteral("k%1.journal").arg(trial)).toStdString();
    const auto delay =
        std::chrono::microseconds(std::uniform_int_distribution<int>(2000, 120000)(timing));
    const Run run = StartAndKill(script, session, delay);
    if (!run.exited) ++killedMidway;
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
    const auto found = after.find(KeptPart(final));
    ASSERT_NE(found, after.end()) << "not the state after any prefix: " << final.substr(0, 300);
    if (shown > 0 && shown <= dumpAt.size()) {
      // The state after the last snapshot shown, or a later one.
      EXPECT_GE(found->second, dumpAt[shown - 1]) << "a command already shown was lost";
    }
  }
  RecordProperty("killed_midway", killedMidway);
  EXPECT_GT(killedMidway, 0) << "no run was killed before its end";
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
