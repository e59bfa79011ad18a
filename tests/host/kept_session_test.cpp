// The kept session on real files: what a start finds after keys, after a
// kill at any instant (a journal cut short anywhere), after damage, and when
// another window holds it.

#include "host/kept_session.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "calculator_state.h"
#include "child_process.h"
#include "fake_host.h"
#include "grand_total_sessions.h"
#include "random_session.h"

namespace tally::host {
namespace {

using tally::testing::DescribeState;
using tally::testing::FakeHost;
using tally::testing::Keys;
using tally::testing::Monkey;
using tally::testing::RunInChild;

using tally::testing::SnapshotOf;
using tally::testing::TapeLines;

class KeptSessionTest : public ::testing::Test {
 protected:
  QString Path() const { return dir_.filePath(QStringLiteral("sessao/KeptSession.journal")); }
  QByteArray Read() const {
    QFile file(Path());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }
  void Write(const QByteArray& bytes) const {
    QFile file(Path());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
  }
  QStringList Aside() const {
    return QDir(dir_.filePath(QStringLiteral("sessao")))
        .entryList({QStringLiteral("*.ilegivel-*")}, QDir::AllEntries);
  }
  // Starts keeping `calc` in `kept`, then types `keys` and commits them.
  static void StartTyping(KeptSession& kept, Calculator& calc, std::string_view keys) {
    kept.Load();
    ASSERT_TRUE(kept.Start(calc));
    Keys(calc, keys);
    kept.Commit();
  }
  // Keeps a session while `keys` are typed, then lets it go as a closing
  // window does; the calculator as it was kept.
  std::string KeptAfter(Calculator& calc, std::string_view keys) const {
    KeptSession kept(Path());
    StartTyping(kept, calc, keys);
    return DescribeState(SnapshotOf(calc));
  }

  QTemporaryDir dir_;
};

TEST_F(KeptSessionTest, AStartFindsTheCalculatorAfterTheLastKey) {
  for (unsigned seed = 1; seed <= 12; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    QFile::remove(Path());
    FakeHost host;
    Calculator calc(host, seed % 2 ? "," : ".");
    KeptSession kept(Path());
    EXPECT_FALSE(kept.Load().snapshot.has_value());
    ASSERT_TRUE(kept.Start(calc));
    Monkey monkey(calc, seed);
    for (int step = 0; step < 4000; ++step) {
      monkey.Step();
      kept.Commit();
    }
    const std::string expected = DescribeState(SnapshotOf(calc));
    kept.Stop(false);

    KeptSession again(Path());
    const KeptSession::Found found = again.Load();
    ASSERT_TRUE(found.snapshot.has_value());
    EXPECT_TRUE(found.notice.isEmpty());
    EXPECT_EQ(DescribeState(*found.snapshot), expected);

    // Put back into a fresh calculator, it goes on as the first one would.
    FakeHost otherHost;
    Calculator restored(otherHost, seed % 2 ? "," : ".");
    restored.Restore(*found.snapshot);
    EXPECT_FALSE(restored.Panel().visible);
    Keys(calc, "12+3=[M+]");
    Keys(restored, "12+3=[M+]");
    EXPECT_EQ(DescribeState(SnapshotOf(restored)), DescribeState(SnapshotOf(calc)));
  }
}

// Where each record of a journal ends, read from the layout alone: a header
// of 16 bytes, then records of a marker "REPK", the length of the body, a
// checksum, and the body.
std::vector<qsizetype> RecordEnds(const QByteArray& journal) {
  std::vector<qsizetype> ends;
  qsizetype pos = 16;
  while (pos + 12 <= journal.size() && journal.mid(pos, 4) == "REPK") {
    std::uint32_t length = 0;
    std::memcpy(&length, journal.constData() + pos + 4, 4);
    pos += 12 + static_cast<qsizetype>(length);
    ends.push_back(pos);
  }
  return ends;
}

// A kill at any instant leaves the journal cut anywhere: a start finds the
// calculator after the last whole record before the cut, which is the state
// after the last key written whole. Only a cut before the first record is
// whole loses the session, and that file is kept aside.
TEST_F(KeptSessionTest, AJournalCutAnywhereGivesTheStateAfterTheLastWholeRecord) {
  FakeHost host;
  Calculator calc(host, ",");
  KeptSession kept(Path());
  kept.Load();
  ASSERT_TRUE(kept.Start(calc));
  // The state each record leaves: the calculator as it started, then the
  // state after each key that wrote one.
  std::vector<std::string> states{DescribeState(SnapshotOf(calc))};
  ASSERT_EQ(RecordEnds(Read()).size(), 1u);
  std::size_t records = 1;
  Monkey monkey(calc, 7);
  for (int step = 0; step < 300; ++step) {
    monkey.Step();
    kept.Commit();
    const std::size_t now = RecordEnds(Read()).size();
    ASSERT_LE(now, records + 1) << "more than one record for a key";
    if (now > records) states.push_back(DescribeState(SnapshotOf(calc)));
    records = now;
  }
  kept.Stop(false);
  const QByteArray whole = Read();
  const std::vector<qsizetype> ends = RecordEnds(whole);
  ASSERT_EQ(ends.size(), states.size());
  ASSERT_GT(ends.size(), 3u);

  // Every record's end, a byte before and after it, and a cut inside every
  // record; the first record cut at its every eighth byte.
  std::vector<qsizetype> cuts{0, 8, 15, 16, 20, 27, 28};
  for (qsizetype at = 16; at < ends[0]; at += 8) cuts.push_back(at);
  std::mt19937 rng(11);
  for (std::size_t k = 0; k < ends.size(); ++k) {
    const qsizetype begin = k == 0 ? 16 : ends[k - 1];
    cuts.insert(cuts.end(), {ends[k] - 1, ends[k], ends[k] + 1});
    cuts.push_back(std::uniform_int_distribution<qsizetype>(begin + 1, ends[k] - 1)(rng));
  }
  for (qsizetype cut : cuts) {
    cut = std::min(cut, whole.size());
    SCOPED_TRACE("cut at " + std::to_string(cut));
    // What a killed writer leaves: the journal up to the cut, zeros after.
    QDir(dir_.filePath(QStringLiteral("sessao"))).removeRecursively();
    QDir().mkpath(dir_.filePath(QStringLiteral("sessao")));
    QByteArray bytes = whole.left(cut);
    bytes.append(QByteArray(whole.size() - cut + 64, '\0'));
    Write(bytes);
    KeptSession again(Path());
    const KeptSession::Found found = again.Load();
    // A cut among zero bytes leaves the file as it was up to the next byte
    // that is not zero: the records that end before that are whole.
    qsizetype same = cut;
    while (same < whole.size() && whole[same] == '\0') ++same;
    const auto wholeRecords =
        static_cast<std::size_t>(std::upper_bound(ends.begin(), ends.end(), same) - ends.begin());
    if (wholeRecords == 0) {
      EXPECT_FALSE(found.snapshot.has_value());
      EXPECT_TRUE(found.notice.contains(QStringLiteral("danificado"))) << found.notice.toStdString();
      EXPECT_EQ(Aside().size(), 1);
      continue;
    }
    ASSERT_TRUE(found.snapshot.has_value()) << found.notice.toStdString();
    EXPECT_TRUE(found.notice.isEmpty()) << found.notice.toStdString();
    EXPECT_EQ(DescribeState(*found.snapshot), states[wholeRecords - 1]);
    EXPECT_TRUE(Aside().isEmpty());
  }
}

TEST_F(KeptSessionTest, ASessionThatCannotBeReadIsMovedAsideAndToldOnce) {
  FakeHost host;
  Calculator calc(host, ",");
  {
    KeptSession kept(Path());
    kept.Load();
    ASSERT_TRUE(kept.Start(calc));
    for (int k = 0; k < 20; ++k) {
      Keys(calc, "12+");
      kept.Commit();
    }
  }
  const QByteArray good = Read();
  QByteArray damaged = good;
  damaged[40] = static_cast<char>(damaged[40] ^ 0x55);  // inside the first record
  QByteArray newer = good;
  newer[8] = static_cast<char>(newer[8] + 1);  // the version after this one

  const struct {
    const char* name;
    QByteArray bytes;  // empty: a folder in the way
    const char* why;
  } cases[] = {
      {"damaged", damaged, "o arquivo está danificado"},
      {"newer", newer, "versão mais nova"},
      {"not a session", QByteArray("+ 12,00\n= 12,00\n"), "o arquivo está danificado"},
      {"a folder in the way", QByteArray(), "há uma pasta no lugar do arquivo"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    QDir(dir_.filePath(QStringLiteral("sessao"))).removeRecursively();
    QDir().mkpath(dir_.filePath(QStringLiteral("sessao")));
    if (c.bytes.isEmpty()) {
      QDir().mkpath(Path() + QStringLiteral("/dentro"));
    } else {
      Write(c.bytes);
    }
    KeptSession kept(Path());
    const KeptSession::Found found = kept.Load();
    EXPECT_FALSE(found.snapshot.has_value());
    EXPECT_TRUE(found.notice.contains(QString::fromUtf8(c.why))) << found.notice.toStdString();
    const QStringList aside = Aside();
    ASSERT_EQ(aside.size(), 1);
    EXPECT_TRUE(found.notice.contains(aside.first()));
    // Nothing of it is lost: the moved file is the one that was there.
    if (!c.bytes.isEmpty()) {
      QFile moved(dir_.filePath(QStringLiteral("sessao/") + aside.first()));
      ASSERT_TRUE(moved.open(QIODevice::ReadOnly));
      EXPECT_EQ(moved.readAll(), c.bytes);
    }
    // The next start is a clean one, and keeping works again.
    FakeHost fresh;
    Calculator clean(fresh, ",");
    EXPECT_TRUE(kept.Start(clean));
  }
}

TEST_F(KeptSessionTest, AnotherWindowsSessionIsLeftAlone) {
  FakeHost host;
  Calculator calc(host, ",");
  KeptSession first(Path());
  ASSERT_NO_FATAL_FAILURE(StartTyping(first, calc, "5+"));

  KeptSession second(Path());
  const KeptSession::Found found = second.Load();
  EXPECT_FALSE(found.snapshot.has_value());
  EXPECT_TRUE(found.notice.contains(QStringLiteral("Outra janela")));
  FakeHost otherHost;
  Calculator other(otherHost, ",");
  QString error;
  EXPECT_FALSE(second.Start(other, &error));
  EXPECT_FALSE(error.isEmpty());
  EXPECT_TRUE(Aside().isEmpty());

  first.Stop(false);
  KeptSession third(Path());
  ASSERT_TRUE(third.Load().snapshot.has_value());
}

TEST_F(KeptSessionTest, AFullJournalStartsAgainWhole) {
  FakeHost host;
  Calculator calc(host, ",");
  calc.cboDecPlace_Click(2);
  KeptSession kept(Path());
  kept.Load();
  ASSERT_TRUE(kept.Start(calc));
  const qint64 room = QFileInfo(Path()).size();
  // Far more keys than the first room holds, on a full tape.
  for (int k = 0; k < 60000; ++k) {
    Keys(calc, "12.5+3*2-1=7/4==");
    kept.Commit();
  }
  EXPECT_EQ(calc.GetTape().Count(), Tape::kMaxLines);
  const std::string expected = DescribeState(SnapshotOf(calc));
  EXPECT_GT(QFileInfo(Path()).size(), 0);
  kept.Stop(false);
  EXPECT_LT(QFileInfo(Path()).size(), room * 4) << "the journal was never started again";
  KeptSession again(Path());
  const KeptSession::Found found = again.Load();
  ASSERT_TRUE(found.snapshot.has_value());
  EXPECT_EQ(DescribeState(*found.snapshot), expected);
}

TEST_F(KeptSessionTest, TurningKeepingOffRemovesTheSession) {
  FakeHost host;
  Calculator calc(host, ",");
  KeptSession kept(Path());
  ASSERT_NO_FATAL_FAILURE(StartTyping(kept, calc, "5+"));
  ASSERT_TRUE(QFile::exists(Path()));
  kept.Stop(true);
  EXPECT_FALSE(QFile::exists(Path()));
  EXPECT_TRUE(Aside().isEmpty());
}

bool AllZeroFrom(const QByteArray& bytes, qsizetype from) {
  return std::all_of(bytes.begin() + from, bytes.end(), [](char c) { return c == 0; });
}

// A journal of whole keys, and the calculator after each of its records
// (read from the journal cut after it).
class DamagedJournal : public KeptSessionTest {
 protected:
  void Make(int steps, unsigned seed) {
    FakeHost host;
    Calculator calc(host, ",");
    {
      KeptSession kept(Path());
      kept.Load();
      ASSERT_TRUE(kept.Start(calc));
      Monkey monkey(calc, seed);
      for (int step = 0; step < steps; ++step) {
        monkey.Step();
        kept.Commit();
      }
      last_ = DescribeState(SnapshotOf(calc));
    }
    whole_ = Read();
    ends_ = RecordEnds(whole_);
    ASSERT_GE(ends_.size(), 3u);
    ASSERT_EQ(ends_.back(), whole_.size());
    states_.clear();
    for (const qsizetype end : ends_) {
      Write(whole_.left(end));
      KeptSession again(Path());
      const KeptSession::Found found = again.Load();
      ASSERT_TRUE(found.snapshot.has_value());
      ASSERT_TRUE(found.notice.isEmpty());
      states_.push_back(DescribeState(*found.snapshot));
    }
    ASSERT_EQ(states_.back(), last_);
  }
  // The record that holds byte `at`; -1 for the header.
  int RecordOf(qsizetype at) const {
    if (at < 16) return -1;
    return static_cast<int>(std::upper_bound(ends_.begin(), ends_.end(), at) - ends_.begin());
  }
  void Clean() {
    QDir(dir_.filePath(QStringLiteral("sessao"))).removeRecursively();
    QDir().mkpath(dir_.filePath(QStringLiteral("sessao")));
  }

  QByteArray whole_;
  std::vector<qsizetype> ends_;
  std::vector<std::string> states_;
  std::string last_;
};

TEST_F(DamagedJournal, AFlippedMarkerBitInAMiddleRecordKeepsTheKeysBeforeItAndIsTold) {
  Make(40, 3);
  const int record = 3;
  QByteArray damaged = whole_;
  damaged[ends_[record - 1]] = static_cast<char>(damaged[ends_[record - 1]] ^ 0x08);
  Write(damaged);
  FakeHost host;
  Calculator calc(host, ",");
  {
    KeptSession kept(Path());
    const Resumed resumed = ResumeKeptSession(kept, calc, true);
    EXPECT_TRUE(resumed.restored);
    EXPECT_TRUE(resumed.keeping);
    ASSERT_EQ(resumed.notices.size(), 1);
    EXPECT_TRUE(resumed.notices.first().contains(QStringLiteral("danificada")))
        << resumed.notices.first().toStdString();
    EXPECT_EQ(DescribeState(SnapshotOf(calc)), states_[record - 1]);
    // The damaged file is kept aside as it was, and named.
    const QStringList aside = Aside();
    ASSERT_EQ(aside.size(), 1);
    EXPECT_TRUE(resumed.notices.first().contains(aside.first()));
    QFile moved(dir_.filePath(QStringLiteral("sessao/") + aside.first()));
    ASSERT_TRUE(moved.open(QIODevice::ReadOnly));
    EXPECT_EQ(moved.readAll(), damaged);
  }
  // Told once: the next start finds what this one kept.
  FakeHost nextHost;
  Calculator next(nextHost, ",");
  KeptSession kept(Path());
  const Resumed resumed = ResumeKeptSession(kept, next, true);
  EXPECT_TRUE(resumed.notices.isEmpty());
  EXPECT_EQ(DescribeState(SnapshotOf(next)), states_[record - 1]);
}

// Random flips, cuts and zeroed spans, one at a time: the start finds the
// calculator after a whole record or nothing, never another state; it keeps
// quiet only about a cut end or a torn last record.
TEST_F(DamagedJournal, RandomDamageNeverGivesAWrongStateNorLosesKeysSilently) {
  Make(400, 21);
  const int records = static_cast<int>(ends_.size());
  std::mt19937 rng(2026);
  int told = 0, quiet = 0;
  for (int trial = 0; trial < 450; ++trial) {
    QByteArray bytes = whole_;
    const int kind = trial % 3;
    qsizetype at = std::uniform_int_distribution<qsizetype>(0, whole_.size() - 1)(rng);
    std::string what;
    if (kind == 0) {
      const int flips = std::uniform_int_distribution<int>(1, 3)(rng);
      for (int k = 0; k < flips; ++k) {
        const qsizetype near = std::min<qsizetype>(whole_.size() - 1, at + k * 3);
        bytes[near] = static_cast<char>(bytes[near] ^ (1 << (rng() % 8)));
      }
      what = "flips at ";
    } else if (kind == 1) {
      bytes.truncate(at);
      // What a cut power leaves in a room that was made ahead: zeros.
      if (trial % 2 == 0) bytes.append(QByteArray(4096, '\0'));
      what = "cut at ";
    } else {
      const qsizetype length = std::uniform_int_distribution<qsizetype>(1, 600)(rng);
      for (qsizetype k = at; k < std::min(whole_.size(), at + length); ++k) bytes[k] = 0;
      what = "zeros from ";
    }
    SCOPED_TRACE(what + std::to_string(at));
    // The first byte that differs, and the record it is in.
    qsizetype first = 0;
    while (first < std::min(bytes.size(), whole_.size()) && bytes[first] == whole_[first]) ++first;
    if (first == whole_.size()) continue;  // nothing changed
    const int damaged = RecordOf(first);

    Clean();
    Write(bytes);
    KeptSession kept(Path());
    const KeptSession::Found found = kept.Load();
    const bool wasTold = !found.notice.isEmpty();
    told += wasTold;
    quiet += !wasTold;
    // Zeros to the end are a cut end too (the pages a power cut lost).
    const bool cut = kind == 1 || AllZeroFrom(bytes, first);
    // Everything before the first damaged byte comes back, and nothing else.
    const int expected = damaged - 1;
    if (expected < 0) {
      EXPECT_FALSE(found.snapshot.has_value());
      EXPECT_TRUE(wasTold);
      continue;
    }
    ASSERT_TRUE(found.snapshot.has_value());
    ASSERT_EQ(DescribeState(*found.snapshot), states_[static_cast<std::size_t>(expected)])
        << "a wrong state accepted";
    if (cut) continue;
    if (!wasTold) {
      EXPECT_EQ(damaged, records - 1) << "keys lost without a word";
    } else {
      EXPECT_EQ(Aside().size(), 1);
    }
  }
  RecordProperty("told", told);
  RecordProperty("quiet", quiet);
}

TEST_F(KeptSessionTest, ALockWhoseHolderIsGoneIsTakenOver) {
  FakeHost host;
  Calculator calc(host, ",");
  const std::string kept = KeptAfter(calc, "12+3=");
  // A process that is gone.
  const pid_t gone = fork();
  if (gone == 0) _exit(0);
  ASSERT_GT(gone, 0);
  waitpid(gone, nullptr, 0);
  const struct {
    const char* name;
    QByteArray lock;
  } cases[] = {
      {"an empty lock (a kill at start, a power cut)", QByteArray()},
      {"a lock naming a process that is gone",
       QByteArray::number(gone) + "\nTallyroller\n" + QByteArray("localhost\n")},
      {"a lock of unreadable bytes", QByteArray("\xff\xfe\x00garbage", 10)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    QFile lock(Path() + QStringLiteral(".lock"));
    ASSERT_TRUE(lock.open(QIODevice::WriteOnly | QIODevice::Truncate));
    lock.write(c.lock);
    lock.close();
    FakeHost otherHost;
    Calculator other(otherHost, ",");
    KeptSession again(Path());
    const Resumed resumed = ResumeKeptSession(again, other, true);
    EXPECT_TRUE(resumed.notices.isEmpty()) << resumed.notices.join(u'|').toStdString();
    EXPECT_TRUE(resumed.restored);
    EXPECT_TRUE(resumed.keeping);
    EXPECT_EQ(DescribeState(SnapshotOf(other)), kept);
  }
}

// A folder that cannot be written: what is there is restored, and the user
// is told it cannot be kept (not that another window keeps it).
TEST_F(KeptSessionTest, AReadOnlyFolderRestoresAndSaysItCannotBeKept) {
  FakeHost host;
  Calculator calc(host, ",");
  const std::string kept = KeptAfter(calc, "12+3=");
  const QByteArray folder = QFile::encodeName(dir_.filePath(QStringLiteral("sessao")));
  ASSERT_EQ(chmod(QFile::encodeName(dir_.path()).constData(), 0755), 0);
  ASSERT_EQ(chmod(folder.constData(), 0555), 0);
  const QString result = dir_.filePath(QStringLiteral("result"));
  const std::optional<uid_t> user =
      geteuid() == 0 ? std::optional<uid_t>(tally::testing::kNobody) : std::nullopt;
  // The child tells what it found through its exit status.
  const int outcome = RunInChild({std::nullopt, user}, [&] {
    FakeHost childHost;
    Calculator other(childHost, ",");
    KeptSession again(Path());
    const Resumed resumed = ResumeKeptSession(again, other, true);
    if (!resumed.restored || DescribeState(SnapshotOf(other)) != kept) return 1;
    if (resumed.keeping) return 2;
    if (resumed.notices.size() != 1) return 3;
    if (!resumed.notices.first().startsWith(QStringLiteral("A sessão não pode ser guardada: "))) {
      return 4;
    }
    if (resumed.notices.first().contains(QStringLiteral("Outra janela")) ||
        resumed.notices.first().contains(QStringLiteral("Permission"))) {
      return 5;
    }
    return 0;
  });
  chmod(folder.constData(), 0755);
  EXPECT_EQ(outcome, 0);
  EXPECT_TRUE(Aside().isEmpty());
}

// A full disk when the journal must be written afresh: told once, nothing
// tried again until a pause, and kept again once there is room.
TEST_F(KeptSessionTest, AFullDiskStopsKeepingWithOneNoticeAndAPauseTriesAgain) {
  constexpr qint64 kRoom = 4096;
  const QString final = dir_.filePath(QStringLiteral("final"));
  const int outcome = RunInChild({std::nullopt, std::nullopt}, [&] {
    FakeHost host;
    Calculator calc(host, ",");
    KeptSession kept(Path(), kRoom);
    kept.Load();
    if (!kept.Start(calc)) return 1;
    // Room for the first journal and a little more, not for a longer tape.
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    const rlim_t unlimited = limit.rlim_cur;
    limit.rlim_cur = static_cast<rlim_t>(QFileInfo(Path()).size() + 200);
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return 125;
    int notices = 0;
    QString notice;
    for (int k = 0; k < 400; ++k) {
      Keys(calc, "12+");
      kept.Commit();
      if (const QString n = kept.TakeNotice(); !n.isEmpty()) {
        ++notices;
        notice = n;
      }
      if (k % 50 == 49) kept.Sync();  // a pause: tried again, not told again
    }
    if (notices != 1) return 10 + std::min(notices, 9);
    if (!notice.startsWith(QStringLiteral("A sessão deixou de ser guardada: ")) ||
        !notice.contains(QStringLiteral("tamanho máximo"))) {
      return 3;
    }
    // Room again: the next pause keeps the calculator as it is.
    limit.rlim_cur = unlimited;
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return 125;
    kept.Sync();
    Keys(calc, "5=");
    kept.Commit();
    if (!kept.TakeNotice().isEmpty()) return 4;
    kept.Stop(false);
    QFile out(final);
    if (!out.open(QIODevice::WriteOnly)) return 5;
    out.write(QByteArray::fromStdString(DescribeState(SnapshotOf(calc))));
    return 0;
  });
  ASSERT_EQ(outcome, 0);
  QFile expected(final);
  ASSERT_TRUE(expected.open(QIODevice::ReadOnly));
  KeptSession again(Path());
  const KeptSession::Found found = again.Load();
  ASSERT_TRUE(found.snapshot.has_value());
  EXPECT_EQ(DescribeState(*found.snapshot), expected.readAll().toStdString());
}

// A session kept where "," is the separator, restored where "." is: the
// lines and the display read in the new locale, and the replay adds them.
TEST_F(KeptSessionTest, ASessionKeptInOneLocaleIsRestoredInAnother) {
  {
    FakeHost host;
    Calculator calc(host, ",");
    calc.cboDecPlace_Click(2);
    KeptAfter(calc, "10+3.5+");
  }
  FakeHost host;
  Calculator calc(host, ".");
  KeptSession kept(Path());
  const Resumed resumed = ResumeKeptSession(kept, calc, true);
  ASSERT_TRUE(resumed.restored);
  const auto& lines = calc.GetTape().Lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "+ 10.00");
  EXPECT_EQ(lines[1], "+ 3.50");
  EXPECT_EQ(calc.Labels().lblResult, "13.50");
  Keys(calc, "=");
  EXPECT_EQ(calc.GetTape().Lines().back(), "= 13.50");
}

TEST_F(KeptSessionTest, NotARegularFileIsMovedAsideAndToldWithoutWaiting) {
  QDir().mkpath(dir_.filePath(QStringLiteral("sessao")));
  ASSERT_EQ(mkfifo(QFile::encodeName(Path()).constData(), 0600), 0);
  // Opening a FIFO for reading waits for a writer: the start must not.
  const int outcome = RunInChild({std::nullopt, std::nullopt}, [&] {
    alarm(20);
    KeptSession kept(Path());
    const KeptSession::Found found = kept.Load();
    return found.notice.contains(QStringLiteral("FIFO")) && !found.snapshot ? 0 : 1;
  });
  EXPECT_EQ(outcome, 0);
  const QStringList aside = QDir(dir_.filePath(QStringLiteral("sessao")))
                                .entryList({QStringLiteral("*.ilegivel-*")}, QDir::System);
  ASSERT_EQ(aside.size(), 1);
  struct stat st {};
  ASSERT_EQ(
      lstat(QFile::encodeName(dir_.filePath(QStringLiteral("sessao/") + aside.first())).constData(),
            &st),
      0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

TEST_F(KeptSessionTest, TemporaryFilesOfAKilledProgramAreRemovedAtStart) {
  QDir().mkpath(dir_.filePath(QStringLiteral("sessao")));
  const pid_t gone = fork();
  if (gone == 0) _exit(0);
  ASSERT_GT(gone, 0);
  waitpid(gone, nullptr, 0);
  const QString folder = dir_.filePath(QStringLiteral("sessao/"));
  const QString leftover =
      QStringLiteral("KeptSession.journal.tallyroller-%1-0.tmp").arg(gone);
  // Not ours, or of a program still running: left alone.
  const QStringList others = {
      QStringLiteral("KeptSession.journal.tallyroller-%1-0.tmp").arg(getpid()),
      QStringLiteral("KeptSession.journal.backup"),
      QStringLiteral("KeptSession.journal.AbC123"),
      QStringLiteral("Other.journal.tallyroller-%1-0.tmp").arg(gone),
  };
  QStringList all = others;
  all << leftover;
  for (const QString& name : all) {
    QFile f(folder + name);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("x");
  }
  KeptSession kept(Path());
  kept.Load();
  EXPECT_FALSE(QFile::exists(folder + leftover));
  for (const QString& name : others) EXPECT_TRUE(QFile::exists(folder + name)) << name.toStdString();
}

// Add mode and whether the entry was keyed are kept: in the whole record a
// journal starts with, and in the records of the keys after it.
TEST_F(KeptSessionTest, AddModeAndAKeyedEntryAreKept) {
  for (const bool onAtStart : {true, false}) {
    SCOPED_TRACE(onAtStart ? "on before keeping began" : "turned on while kept");
    QFile::remove(Path());
    FakeHost host;
    Calculator calc(host, ",");
    calc.cboDecPlace_Click(2);
    calc.SetAddMode(onAtStart);
    KeptSession kept(Path());
    kept.Load();
    ASSERT_TRUE(kept.Start(calc));
    calc.SetAddMode(true);
    kept.Commit();
    for (const char key : std::string("1234+5=+7")) {
      Keys(calc, std::string(1, key));
      kept.Commit();
    }
    kept.Stop(false);

    KeptSession again(Path());
    const KeptSession::Found found = again.Load();
    ASSERT_TRUE(found.snapshot.has_value());
    EXPECT_TRUE(found.snapshot->state.AddMode);
    EXPECT_TRUE(found.snapshot->state.EntryKeyed);
    EXPECT_EQ(DescribeState(*found.snapshot), DescribeState(SnapshotOf(calc)));
    FakeHost otherHost;
    Calculator restored(otherHost, ",");
    restored.Restore(*found.snapshot);
    Keys(restored, "=");
    EXPECT_EQ(TapeLines(restored).back(), "= 12,46");
  }

  // Turned off again: the last record says so.
  FakeHost host;
  Calculator calc(host, ",");
  KeptSession kept(Path());
  ASSERT_TRUE(kept.Load().snapshot.has_value());
  calc.SetAddMode(true);
  ASSERT_TRUE(kept.Start(calc));
  calc.SetAddMode(false);
  kept.Commit();
  kept.Stop(false);
  KeptSession again(Path());
  const KeptSession::Found found = again.Load();
  ASSERT_TRUE(found.snapshot.has_value());
  EXPECT_FALSE(found.snapshot->state.AddMode);
}

// A journal written before add mode existed, by "{decimals 2}1234+5=+7":
// its whole record ends with the tape and its key records know fewer fields.
TEST_F(KeptSessionTest, AJournalFromBeforeAddModeIsRead) {
  const QByteArray journal = QByteArray::fromHex(
    "54414c4c594b505401000000040302015245504b5400000098fbb04f5300000000000000000000000000000000000000"
    "0000000000000000000000000000000000000000000000000000000000000000000000000000000002000000302e0100"
    "00002b0000000000ffffffff000000005245504b12000000ec0d3fad4b001000000500000023302e3030000000005245"
    "504b1c0000008fecf4914b4060000001000000000000f03f0000000002000000312e000000005245504b1b000000d16b"
    "a87e4b0060000000000000000028400100000002000000322e000000005245504b1b0000003be870b84b006000000000"
    "000000c05e400200000002000000332e000000005245504b1b000000449b2d4f4b006000000000000000489340030000"
    "0002000000342e000000005245504b360000001ddfe8d84be70004000000000000489340000000000048934000000000"
    "00489340010202000000000100000000090000002b20313233342c30305245504b1c000000e56ce9544b406000000100"
    "000000000014400000000002000000352e000000005245504b5d000000623a49e24bc7e2040000000000005c93400000"
    "000000001440000000000000144003050100000000005c93400000000007000000313233392c3030010000003d020000"
    "000200000000060000002b20352c303000090000003d20313233392c30305245504b3500000010e230bf4bc282000000"
    "000000005c9340020200010000002b010000000202000000130000003d20313233392c30302073756220746f74616c52"
    "45504b1c000000274eacf84b40600000010000000000001c400000000002000000372e00000000");
  ASSERT_EQ(journal.size(), 615);
  ASSERT_TRUE(QDir().mkpath(QFileInfo(Path()).absolutePath()));
  Write(journal);
  KeptSession kept(Path());
  const KeptSession::Found found = kept.Load();
  ASSERT_TRUE(found.snapshot.has_value());
  EXPECT_TRUE(found.notice.isEmpty());
  const CalculatorSnapshot& s = *found.snapshot;
  EXPECT_EQ(s.tape, (std::vector<TapeLine>{"+ 1234,00", "+ 5,00", "= 1239,00 sub total"}));
  EXPECT_EQ(s.labels.lblResult, "7.");
  EXPECT_EQ(s.state.EntryValue, 7);
  EXPECT_EQ(s.state.NumberFormat, "#0.00");
  EXPECT_FALSE(s.state.AddMode);
  EXPECT_FALSE(s.state.EntryKeyed);
  EXPECT_TRUE(Aside().isEmpty());
}

// Every line is kept whole: its separator mark and its note, whether the
// journal took it in the whole record, in an appended line, in a rewritten
// one or in a new tape.
TEST_F(KeptSessionTest, LinesAreKeptWithTheirMarksAndNotes) {
  FakeHost host;
  Calculator calc(host, ",");
  calc.cboDecPlace_Click(2);
  Keys(calc, "10+5=C");
  CalculatorSnapshot noted = SnapshotOf(calc);
  noted.tape[0].note = "aluguel";
  noted.tape[2].note = "fechado à mão ç";
  calc.Restore(noted);
  KeptSession kept(Path());
  ASSERT_TRUE(kept.Start(calc));  // the whole record
  const auto expectAfterRestart = [&](const char* what) {
    SCOPED_TRACE(what);
    // Read from a copy: the session itself is locked while it is kept.
    kept.Sync();
    const QString copy = dir_.filePath(QStringLiteral("copia.journal"));
    QFile::remove(copy);
    ASSERT_TRUE(QFile::copy(Path(), copy));
    KeptSession again(copy);
    const auto found = again.Load();
    ASSERT_TRUE(found.snapshot.has_value());
    EXPECT_EQ(DescribeState(*found.snapshot), DescribeState(SnapshotOf(calc)));
  };
  expectAfterRestart("whole");
  Keys(calc, "7+2[+/-]+");  // appended lines, a marked one among them
  kept.Commit();
  ASSERT_TRUE(calc.GetTape().Line(5).closesWithoutAdding);
  expectAfterRestart("appended");
  calc.lstTape_Click(0);
  calc.lstTape_DblClick();
  calc.cmdSaveChange_Click();  // the whole tape rewritten
  kept.Commit();
  ASSERT_EQ(calc.GetTape().Line(0).note, "aluguel");
  expectAfterRestart("rewritten");
  Keys(calc, "=+");  // a total made a subtotal in place
  kept.Commit();
  expectAfterRestart("set in place");
  calc.lstTape_Click(1);
  ASSERT_TRUE(calc.SetSelectedNote("outra nota"));  // a note alone
  kept.Commit();
  expectAfterRestart("noted");
  ASSERT_TRUE(calc.SetSelectedNote(""));
  kept.Commit();
  expectAfterRestart("note removed");
  calc.lstTape_Click(0);
  calc.cmdDeleteLine_Click();
  kept.Commit();
  expectAfterRestart("deleted");
  calc.lstTape_Click(0);
  calc.cmdInsertLine_Click();
  calc.AppendToChangeTo("3");
  calc.cmdSaveChange_Click();
  kept.Commit();
  expectAfterRestart("inserted");
  kept.Stop(false);
}

// The grand total of a session with "C", sign changes and pasted negatives
// survives a restart, and a correction after it.
TEST_F(KeptSessionTest, TheGrandTotalSurvivesARestart) {
  for (const auto& session : tally::testing::kGrandTotalSessions) {
    SCOPED_TRACE(session.name);
    QFile::remove(Path());
    FakeHost host;
    Calculator calc(host, ",");
    KeptSession kept(Path());
    ASSERT_TRUE(kept.Start(calc));
    calc.cboDecPlace_Click(2);
    kept.Commit();
    tally::testing::RunSession(calc, session.script, [&] { kept.Commit(); });
    kept.Stop(false);

    KeptSession again(Path());
    const auto found = again.Load();
    ASSERT_TRUE(found.snapshot.has_value());
    FakeHost otherHost;
    Calculator restored(otherHost, ",");
    restored.Restore(*found.snapshot);
    EXPECT_EQ(DescribeState(SnapshotOf(restored)), DescribeState(SnapshotOf(calc)));
    for (int i = 0; i < restored.GetTape().Count(); ++i) {
      if (!IsOperand(ClassifyTapeLine(restored.GetTape().Text(i)).kind)) continue;
      restored.lstTape_Click(i);
      restored.lstTape_DblClick();
      restored.cmdSaveChange_Click();
      EXPECT_EQ(restored.State().GrandTotal, calc.State().GrandTotal) << "line " << i;
    }
  }
}

// A journal written by the previous version, which kept the lines' texts
// alone, restores exactly as that version restored it.
TEST_F(KeptSessionTest, AJournalFromBeforeMarksRestoresAsBefore) {
  QDir().mkpath(QFileInfo(Path()).absolutePath());
  ASSERT_TRUE(QFile::copy(QStringLiteral(TALLYROLLER_FIXTURES "/kept-session-v1.journal"), Path()));
  KeptSession kept(Path());
  const auto found = kept.Load();
  ASSERT_TRUE(found.snapshot.has_value()) << found.notice.toStdString();
  EXPECT_TRUE(found.notice.isEmpty());
  const CalculatorSnapshot& s = *found.snapshot;
  const std::string S(kSeparatorLine);
  std::vector<TapeLine> tape;
  for (const char* text : {"+ 100,00", "+ 50,00", S.c_str(), "+ 5,00", "= 5,00", S.c_str(),
                           "+ 12,00", S.c_str(), "+ 12,00", "+ -3,00", "= 9,00", S.c_str()}) {
    tape.emplace_back(text);
  }
  EXPECT_EQ(s.tape, tape);
  EXPECT_EQ(s.selected, 1);
  EXPECT_EQ(s.state.GrandTotal, 14);
  EXPECT_EQ(s.state.NumberFormat, "#0.00");
  EXPECT_EQ(s.state.PendingOperator, PendingOp::Add);
  EXPECT_EQ(s.state.LastInputKind, InputKind::Num);
  EXPECT_TRUE(s.state.TotalPending);
  EXPECT_EQ(s.labels.lblResult, ".");
  EXPECT_EQ(s.labels.lblOperator, "+");
  EXPECT_EQ(s.labels.lblGrandTotal, "14,00 ");
  EXPECT_FALSE(s.labels.lblMemoryVisible);

  // Kept on, it is written afresh in the present form and reads back the same.
  FakeHost host;
  Calculator calc(host, ",");
  calc.Restore(s);
  ASSERT_TRUE(kept.Start(calc));
  kept.Stop(false);
  KeptSession again(Path());
  const auto rewritten = again.Load();
  ASSERT_TRUE(rewritten.snapshot.has_value());
  EXPECT_EQ(DescribeState(*rewritten.snapshot), DescribeState(s));
}

}  // namespace
}  // namespace tally::host
