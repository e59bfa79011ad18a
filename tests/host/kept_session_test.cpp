// The kept session on real files: what a start finds after keys, after a
// kill at any instant (a journal cut short anywhere), after damage, and when
// another window holds it.

#include "host/kept_session.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "calculator_state.h"
#include "fake_host.h"
#include "random_session.h"

namespace tally::host {
namespace {

using tally::testing::DescribeState;
using tally::testing::FakeHost;
using tally::testing::Keys;
using tally::testing::Monkey;
using tally::testing::SnapshotOf;

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
  newer[8] = 2;  // the version
  QByteArray middle = good;
  middle[good.size() / 2] = static_cast<char>(middle[good.size() / 2] ^ 0x55);

  const struct {
    const char* name;
    QByteArray bytes;  // empty: a folder in the way
    const char* why;
  } cases[] = {
      {"damaged", damaged, "o arquivo está danificado"},
      {"damaged in the middle", middle, "o arquivo está danificado"},
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
  first.Load();
  ASSERT_TRUE(first.Start(calc));
  Keys(calc, "5+");
  first.Commit();

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
  kept.Load();
  ASSERT_TRUE(kept.Start(calc));
  Keys(calc, "5+");
  kept.Commit();
  ASSERT_TRUE(QFile::exists(Path()));
  kept.Stop(true);
  EXPECT_FALSE(QFile::exists(Path()));
  EXPECT_TRUE(Aside().isEmpty());
}

}  // namespace
}  // namespace tally::host
