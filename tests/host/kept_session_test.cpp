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
#include "grand_total_sessions.h"
#include "random_session.h"

namespace tally::host {
namespace {

using tally::testing::FakeHost;
using tally::testing::Keys;
using tally::testing::Monkey;

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
         std::to_string(c.TotalPending) + std::to_string(c.CancelPressed) + c.NumberFormat + "|";
  out += s.labels.lblResult + "|" + s.labels.lblOperator + "|" + s.labels.lblGrandTotal + "|" +
         std::to_string(s.labels.lblMemoryVisible) + "|" + std::to_string(s.selected) + "|";
  for (const auto& line : s.tape) {
    out += line.text + (line.closesWithoutAdding ? "|!" : "") +
           (line.note.empty() ? "" : "|" + line.note) + "\n";
  }
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
  newer[8] = static_cast<char>(newer[8] + 1);  // the version after this one
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

// Every line is kept whole: its separator mark and its note, whether the
// journal took it in the whole record, in an appended line, in a rewritten
// one or in a new tape.
TEST_F(KeptSessionTest, LinesAreKeptWithTheirMarksAndNotes) {
  FakeHost host;
  Calculator calc(host, ",");
  calc.cboDecPlace_Click(2);
  Keys(calc, "10+5=C");
  CalculatorSnapshot noted = Of(calc);
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
    EXPECT_EQ(Describe(*found.snapshot), Describe(Of(calc)));
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
    EXPECT_EQ(Describe(Of(restored)), Describe(Of(calc)));
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
  EXPECT_EQ(Describe(*rewritten.snapshot), Describe(s));
}

}  // namespace
}  // namespace tally::host
