// Runs the real tallyroller-batch on hostile scripts: it must answer with a
// snapshot (status 0) or one error line naming a position (status 2), and
// never crash or hang.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "child_process.h"
#include "driver_process.h"

namespace {

namespace fs = std::filesystem;

using Outcome = tally::testing::DriverProcess::Outcome;

std::string Slurp(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// What the child's standard input brings, and limits it runs under.
struct RunOptions {
  std::string input;
  tally::testing::ChildLimits limits;
  // A run that takes longer is killed and fails the test (a hang).
  std::chrono::seconds timeout{60};
};

Outcome RunBatch(const std::vector<std::string>& args, const fs::path& dir,
                 const RunOptions& options = {}) {
  std::vector<std::string> argv = {"--locale", "pt_BR", "--error-log",
                                   (dir / "ErrorLog.txt").string()};
  argv.insert(argv.end(), args.begin(), args.end());
  tally::testing::DriverProcess driver(argv, options.input, options.limits);
  const Outcome outcome = driver.Wait(options.timeout);
  if (outcome.hung) ADD_FAILURE() << "tallyroller-batch hung";
  return outcome;
}

class BatchBinary : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("tally-batch-" + std::to_string(getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  fs::path Write(const std::string& name, const std::string& bytes) {
    const fs::path file = dir_ / name;
    std::ofstream(file, std::ios::binary) << bytes;
    return file;
  }

  // Exit 2 with one line naming FILE:LINE:COLUMN, or exit 0 with snapshots.
  void ExpectAnswered(const Outcome& o) {
    ASSERT_TRUE(o.exited) << "killed by a signal";
    if (o.status == 2) {
      EXPECT_TRUE(o.out.empty());
      EXPECT_EQ(std::count(o.err.begin(), o.err.end(), '\n'), 1) << o.err;
      EXPECT_NE(o.err.find(":"), std::string::npos);
    } else {
      EXPECT_EQ(o.status, 0) << o.err;
      EXPECT_EQ(o.out.rfind("{\"display\": ", 0), 0u);
    }
  }

  fs::path dir_;
};

TEST_F(BatchBinary, RandomBytesAndMalformedScripts) {
  std::mt19937 rng(7);
  for (int round = 0; round < 25; ++round) {
    std::string bytes(std::uniform_int_distribution<int>(1, 4000)(rng), '\0');
    for (auto& b : bytes) b = static_cast<char>(std::uniform_int_distribution<int>(0, 255)(rng));
    ExpectAnswered(RunBatch({Write("random.script", bytes).string()}, dir_));
  }
  const std::vector<std::string> scripts = {"{",
                                            "}",
                                            "{key 99999999999999999999999}",
                                            "{start 1e5}",
                                            "{click}",
                                            std::string(1 << 20, '{'),
                                            "{new " + std::string(1 << 20, 'x'),
                                            std::string("12\0+3", 5)};
  for (const std::string& script : scripts) {
    ExpectAnswered(RunBatch({Write("bad.script", script).string()}, dir_));
  }
}

TEST_F(BatchBinary, LongScriptsRun) {
  const auto digits =
      RunBatch({Write("digits.script", std::string(5000, '9') + "." + std::string(5000, '1') + "+=")
                    .string()},
               dir_);
  ExpectAnswered(digits);
  EXPECT_EQ(digits.status, 0);
}

TEST_F(BatchBinary, UnreadableFilesAndBadOptions) {
  const struct {
    std::vector<std::string> args;
    const char* fragment;
  } cases[] = {
      {{(dir_ / "missing.script").string()}, "missing.script:1:1:"},
      {{dir_.string()}, ":1:1:"},
      {{"--frobnicate"}, "unknown option"},
      {{"--locale"}, "--locale needs a value"},
  };
  for (const auto& c : cases) {
    const Outcome o = RunBatch(c.args, dir_);
    ASSERT_TRUE(o.exited);
    EXPECT_EQ(o.status, 2);
    EXPECT_NE(o.err.find(c.fragment), std::string::npos) << o.err;
  }
}

// The command line's forms: a value may look like an option, options
// without a value take none, and a file name reaches the driver as its bytes.
TEST_F(BatchBinary, CommandLineForms) {
  const std::string script = Write("\xFF\xFE.script", "1+").string();
  const struct {
    std::vector<std::string> args;
    int status;
    std::string out;  // what standard output starts with
    std::string err;  // all of standard error
  } cases[] = {
      {{"--help"}, 0, "Usage: tallyroller-batch [OPTION]... [SCRIPT]\n", ""},
      {{"--version"}, 0, "tallyroller-batch (Tallyroller) ", ""},
      {{"--locale=en_US", script}, 0, "{\"display\": \"1.\"", ""},
      {{"--locale", "--version", script}, 0, "{\"display\": \"1", ""},
      {{"--help=1"}, 2, "", "tallyroller-batch: unknown option --help=1\n"},
      {{"-x", script}, 2, "", "tallyroller-batch: unknown option -x\n"},
      {{script, script}, 2, "", "tallyroller-batch: more than one script given\n"},
      {{script, "--print-to"}, 2, "", "tallyroller-batch: --print-to needs a value\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.front());
    const Outcome o = RunBatch(c.args, dir_);
    ASSERT_TRUE(o.exited);
    EXPECT_EQ(o.status, c.status);
    EXPECT_EQ(o.out.substr(0, c.out.size()), c.out) << o.out;
    EXPECT_EQ(o.err, c.err);
  }
}

// Whether text holds a control character (C0 but the final line feed, DEL,
// C1) or a byte that is not UTF-8 that a terminal could act on.
bool HasRawControls(const std::string& text) {
  for (std::size_t k = 0; k < text.size(); ++k) {
    const auto c = static_cast<unsigned char>(text[k]);
    if (c == '\n' && k + 1 == text.size()) continue;
    if (c < 0x20 || c == 0x7F) return true;
    if (c == 0xC2 && k + 1 < text.size() &&
        (static_cast<unsigned char>(text[k + 1]) & 0xE0) == 0x80) {
      return true;
    }
    if (c == 0x9B) return true;
  }
  return false;
}

// The error line names the line and column and shows what the script holds
// of control characters escaped, never raw.
TEST_F(BatchBinary, ErrorLinesShowControlCharactersEscaped) {
  const struct {
    std::string script;
    std::string shown;
  } cases[] = {
      {"12{\x1B[31mred}", "bad.script:1:3: unknown command {\\x1B[31mred}"},
      {"1\n {click \x1B]0;title\x07}", "bad.script:2:9: unknown button \"\\x1B]0;title\\x07\""},
      {"{new}{key\t13}", "bad.script:1:6: unknown command {key\\x0913}"},
      {"{op \xC2\x9B"
       "2J}",
       "bad.script:1:5: unknown operation \"\\xC2\\x9B2J\""},
      {"{key \x7F}", "bad.script:1:6: expected a whole number, found \"\\x7F\""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.shown);
    const Outcome o = RunBatch({Write("bad.script", c.script).string()}, dir_);
    ExpectAnswered(o);
    EXPECT_EQ(o.status, 2);
    EXPECT_FALSE(HasRawControls(o.err)) << o.err;
    EXPECT_NE(o.err.find(c.shown), std::string::npos) << o.err;
    EXPECT_NE(o.err.find("(control characters and backslashes shown as \\xHH)"), std::string::npos)
        << o.err;
  }
  // A file name from the command line is shown the same way.
  const Outcome missing = RunBatch({(dir_ / "no\x1B[2Jsuch.script").string()}, dir_);
  EXPECT_EQ(missing.status, 2);
  EXPECT_FALSE(HasRawControls(missing.err)) << missing.err;
  EXPECT_NE(missing.err.find("no\\x1B[2Jsuch.script:1:1:"), std::string::npos) << missing.err;
}

// A script that starts with a UTF-8 byte order mark runs, from a file or from
// standard input, and its columns count from the character after the mark.
TEST_F(BatchBinary, AByteOrderMarkIsSkipped) {
  const std::string bom = "\xEF\xBB\xBF";
  const Outcome plain = RunBatch({Write("plain.script", "12+3=").string()}, dir_);
  ASSERT_EQ(plain.status, 0) << plain.err;
  const Outcome file = RunBatch({Write("bom.script", bom + "12+3=").string()}, dir_);
  EXPECT_EQ(file.status, 0) << file.err;
  EXPECT_EQ(file.out, plain.out);
  const Outcome input = RunBatch({}, dir_, {bom + "12+3=", {}});
  EXPECT_EQ(input.status, 0) << input.err;
  EXPECT_EQ(input.out, plain.out);
  const Outcome error = RunBatch({Write("bom.script", bom + "12{bogus}").string()}, dir_);
  EXPECT_EQ(error.status, 2);
  EXPECT_NE(error.err.find("bom.script:1:3: unknown command {bogus}"), std::string::npos)
      << error.err;
}

// A print job that cannot be written is told on standard error, one line
// naming the file, and the earlier file stays whole; the run goes on and its
// snapshots are as without --print-to. A job that can be written replaces
// the earlier file.
TEST_F(BatchBinary, APdfThatCannotBeWrittenIsToldAndTheEarlierFileStays) {
  const std::string script = Write("print.script", "{decimals 2}12+3=p4+{dump}").string();
  const Outcome reference = RunBatch({script}, dir_);
  ASSERT_EQ(reference.status, 0) << reference.err;

  const auto readable = fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                        fs::perms::others_read | fs::perms::others_exec;
  const auto readOnly = readable & ~fs::perms::owner_write;
  // Another user runs the driver in the folder it may not write.
  fs::permissions(dir_, readable);
  const std::string earlier = "%PDF-1.4 the earlier job, which must survive\n";
  const fs::path pdf = Write("tape.pdf", earlier);
  const fs::path folder = dir_ / "folder.pdf";
  fs::create_directories(folder);
  const fs::path blocker = Write("not-a-folder", "a file");
  const fs::path locked = dir_ / "locked";
  fs::create_directories(locked);
  std::ofstream(locked / "tape.pdf", std::ios::binary) << earlier;
  fs::permissions(locked / "tape.pdf", fs::perms::all);
  fs::permissions(locked, readOnly);

  const struct {
    const char* name;
    fs::path target;
    tally::testing::ChildLimits limits;
  } cases[] = {
      // The snapshots (under 2 kB) still fit, the job (over 7 kB) does not.
      {"the disk fills up", pdf, {4096, std::nullopt}},
      {"a folder in the way", folder, {}},
      {"a file where the folder should be", blocker / "tape.pdf", {}},
      {"a folder the user may not write",
       locked / "tape.pdf",
       {std::nullopt,
        geteuid() == 0 ? std::optional<uid_t>(tally::testing::kNobody) : std::nullopt}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Outcome o =
        RunBatch({"--print-to", c.target.string(), script}, dir_, {"", c.limits});
    if (c.limits.user && o.exited && o.status == 125) {
      std::cerr << "[ skipped  ] " << c.name << ": this machine does not let root become another "
                << "user\n";
      continue;
    }
    ASSERT_TRUE(o.exited);
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out, reference.out);
    EXPECT_NE(o.err.find("tallyroller-batch: cannot write " + c.target.string() + ": "),
              std::string::npos)
        << o.err;
  }
  EXPECT_EQ(Slurp(pdf), earlier);
  EXPECT_EQ(Slurp(locked / "tape.pdf"), earlier);
  EXPECT_TRUE(fs::is_empty(folder));
  EXPECT_EQ(Slurp(blocker), "a file");
  // No temporary file is left beside the earlier ones.
  for (const fs::path& where : {dir_, locked}) {
    for (const auto& entry : fs::directory_iterator(where)) {
      const std::string name = entry.path().filename().string();
      EXPECT_TRUE(name == "tape.pdf" || name.rfind("tape.pdf", 0) != 0) << name;
    }
  }
  fs::permissions(locked, fs::perms::all);

  // Written: the earlier file is replaced by the job.
  const Outcome o = RunBatch({"--print-to", pdf.string(), script}, dir_);
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.err.find("cannot write"), std::string::npos) << o.err;
  EXPECT_EQ(o.out, reference.out);
  EXPECT_EQ(Slurp(pdf).rfind("%PDF-", 0), 0u);
  EXPECT_GT(fs::file_size(pdf), 4096u);
}

// Under a file size limit the driver is not ended by SIGXFSZ (which the
// child here leaves at its default): the writes fail and are told.
TEST_F(BatchBinary, AFileSizeLimitIsToldNotFatal) {
  fs::create_directories(dir_ / "s");
  std::string longTape;
  for (int k = 0; k < 2000; ++k) longTape += "1+";
  const struct {
    const char* name;
    std::vector<std::string> args;
    std::string script;
    rlim_t limit;
    std::string told;
  } cases[] = {
      {"the kept session",
       {"--session", (dir_ / "s/KS.journal").string()},
       "12+3=",
       1000000,
       "A sessão não pode ser guardada: o arquivo passou"},
      {"a saved tape", {}, longTape + "{save " + (dir_ / "big.txt").string() + "}l", 4096,
       "Não foi possível gravar a fita em"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> args = c.args;
    args.push_back(Write("limit.script", c.script).string());
    const Outcome o = RunBatch(args, dir_, {"", {c.limit, std::nullopt}});
    ASSERT_TRUE(o.exited) << "ended by a signal";
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_NE(o.out.find(c.told), std::string::npos) << o.out.substr(0, 600);
    EXPECT_NE(o.out.find("tamanho máximo permitido"), std::string::npos) << o.out.substr(0, 600);
  }
  EXPECT_FALSE(fs::exists(dir_ / "big.txt"));
}

// A FIFO as a document, a session or a print target: refused or written at
// once, never waited on (the run has a time limit, so a hang fails).
TEST_F(BatchBinary, AFifoIsNeverWaitedOn) {
  const fs::path fifo = dir_ / "pipe";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const std::string path = fifo.string();
  const struct {
    const char* name;
    std::vector<std::string> args;
    std::string script;
    std::string toldOut;
    std::string toldErr;
  } cases[] = {
      {"save", {}, "12+{save " + path + "}", "é um pipe nomeado (FIFO)", ""},
      {"export-csv", {}, "12+{export-csv " + path + "}", "é um pipe nomeado (FIFO)", ""},
      {"open", {}, "{open " + path + "}", "é um pipe nomeado (FIFO)", ""},
      {"print-to with no reader", {"--print-to", path}, "12+3=p", "",
       "cannot write " + path + ": ninguém está lendo do outro lado"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> args = c.args;
    args.push_back(Write("fifo.script", c.script).string());
    const Outcome o = RunBatch(args, dir_, {"", {}, std::chrono::seconds(20)});
    ASSERT_TRUE(o.exited);
    EXPECT_EQ(o.status, 0) << o.err;
    if (!c.toldOut.empty()) {
      EXPECT_NE(o.out.find(c.toldOut), std::string::npos) << o.out;
    }
    if (!c.toldErr.empty()) {
      EXPECT_NE(o.err.find(c.toldErr), std::string::npos) << o.err;
    }
    struct stat st {};
    ASSERT_EQ(lstat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
  }

  // As the session: moved aside and told, and the run keeps a fresh one.
  const fs::path session = dir_ / "KS.journal";
  ASSERT_EQ(mkfifo(session.c_str(), 0600), 0);
  const Outcome o = RunBatch({"--session", session.string(), Write("s.script", "12+").string()},
                             dir_, {"", {}, std::chrono::seconds(20)});
  ASSERT_TRUE(o.exited);
  EXPECT_NE(o.out.find("A sessão guardada não pôde ser lida (é um pipe nomeado (FIFO)"),
            std::string::npos)
      << o.out;
  EXPECT_TRUE(fs::is_regular_file(session));
  int aside = 0;
  for (const auto& entry : fs::directory_iterator(dir_)) {
    aside += entry.path().filename().string().rfind("KS.journal.ilegivel-", 0) == 0 &&
             fs::is_fifo(entry.symlink_status());
  }
  EXPECT_EQ(aside, 1);
}

}  // namespace
