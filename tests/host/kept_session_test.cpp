// The kept session on real files: what a start finds after keys, after a
// kill at any instant (a journal cut short anywhere), after damage, and when
// another window holds it.

#include "host/kept_session.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "fake_host.h"
#include "random_session.h"

namespace tally::host {
namespace {

using tally::testing::FakeHost;
using tally::testing::Keys;
using tally::testing::Monkey;
using tally::testing::TapeLines;

// Every field, bit for bit, as a text, so that two snapshots compare whole.
std::string Describe(const CalculatorSnapshot& s) {
  std::string out;
  const auto bits = [&](double v) {
    std::uint64_t b = 0;
    std::memcpy(&b, &v, sizeof b);
    out += std::to_string(b) + ";";
  };
  const CalculatorState& c = s.state;
  for (const double v :
       {c.Accumulator, c.Operand, c.LastEntry, c.MemoryValue, c.GrandTotal, c.EntryValue}) {
    bits(v);
  }
  out += std::to_string(c.EntryStarted) + std::to_string(c.OperandCount) +
         std::string(InputKindText(c.LastInputKind)) + "|" +
         std::string(OperatorText(c.PendingOperator)) + "|" + std::to_string(c.NegativeEntry) +
         std::to_string(c.TotalPending) + std::to_string(c.CancelPressed) + c.NumberFormat + "|" +
         std::to_string(c.AddMode) + std::to_string(c.EntryKeyed) + "|";
  out += s.labels.lblResult + "|" + s.labels.lblOperator + "|" + s.labels.lblGrandTotal + "|" +
         std::to_string(s.labels.lblMemoryVisible) + "|" + std::to_string(s.selected) + "|";
  for (const auto& line : s.tape) out += line + "\n";
  return out;
}

// What a kept session holds of a calculator.
CalculatorSnapshot Of(const Calculator& calc) {
  const auto& lines = calc.GetTape().Lines();
  return {calc.State(), calc.Labels(), {lines.begin(), lines.end()}, calc.GetTape().Selected()};
}

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
    const std::string expected = Describe(Of(calc));
    kept.Stop(false);

    KeptSession again(Path());
    const KeptSession::Found found = again.Load();
    ASSERT_TRUE(found.snapshot.has_value());
    EXPECT_TRUE(found.notice.isEmpty());
    EXPECT_EQ(Describe(*found.snapshot), expected);

    // Put back into a fresh calculator, it goes on as the first one would.
    FakeHost otherHost;
    Calculator restored(otherHost, seed % 2 ? "," : ".");
    restored.Restore(*found.snapshot);
    EXPECT_FALSE(restored.Panel().visible);
    Keys(calc, "12+3=[M+]");
    Keys(restored, "12+3=[M+]");
    EXPECT_EQ(Describe(Of(restored)), Describe(Of(calc)));
  }
}

// A kill at any instant leaves the journal cut anywhere: a start finds the
// calculator after some whole key, the last one written before the cut.
TEST_F(KeptSessionTest, AJournalCutAnywhereGivesTheStateAfterAWholeKey) {
  FakeHost host;
  Calculator calc(host, ",");
  KeptSession kept(Path());
  kept.Load();
  ASSERT_TRUE(kept.Start(calc));
  std::vector<std::string> states{Describe(Of(calc))};
  std::vector<qint64> sizes{Read().size()};
  Monkey monkey(calc, 7);
  for (int step = 0; step < 300; ++step) {
    monkey.Step();
    kept.Commit();
    const std::string now = Describe(Of(calc));
    if (now != states.back()) states.push_back(now);
  }
  kept.Stop(false);
  const QByteArray whole = Read();

  std::mt19937 rng(11);
  std::uniform_int_distribution<qsizetype> at(0, whole.size());
  for (int trial = 0; trial < 300; ++trial) {
    const qsizetype cut = trial == 0 ? whole.size() : at(rng);
    SCOPED_TRACE("cut at " + std::to_string(cut));
    // What a killed writer leaves: the journal up to the cut, zeros after.
    QByteArray bytes = whole.left(cut);
    bytes.append(QByteArray(whole.size() - cut + 64, '\0'));
    Write(bytes);
    KeptSession again(Path());
    const KeptSession::Found found = again.Load();
    if (!found.snapshot) {
      // Only a cut inside the header or the first record loses everything,
      // and that file is kept aside.
      EXPECT_FALSE(found.notice.isEmpty());
      continue;
    }
    const std::string state = Describe(*found.snapshot);
    const auto it = std::find(states.begin(), states.end(), state);
    ASSERT_NE(it, states.end()) << "a state after no key";
    if (cut == whole.size()) {
      EXPECT_EQ(state, states.back());
    }
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
  const std::string expected = Describe(Of(calc));
  EXPECT_GT(QFileInfo(Path()).size(), 0);
  kept.Stop(false);
  EXPECT_LT(QFileInfo(Path()).size(), room * 4) << "the journal was never started again";
  KeptSession again(Path());
  const KeptSession::Found found = again.Load();
  ASSERT_TRUE(found.snapshot.has_value());
  EXPECT_EQ(Describe(*found.snapshot), expected);
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
    EXPECT_EQ(Describe(*found.snapshot), Describe(Of(calc)));
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
  EXPECT_EQ(s.tape, (std::vector<std::string>{"+ 1234,00", "+ 5,00", "= 1239,00 sub total"}));
  EXPECT_EQ(s.labels.lblResult, "7.");
  EXPECT_EQ(s.state.EntryValue, 7);
  EXPECT_EQ(s.state.NumberFormat, "#0.00");
  EXPECT_FALSE(s.state.AddMode);
  EXPECT_FALSE(s.state.EntryKeyed);
  EXPECT_TRUE(Aside().isEmpty());
}

}  // namespace
}  // namespace tally::host
