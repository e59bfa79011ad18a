// Keeping the session in the real window: with "Continuar de onde parei" on,
// closing and starting again shows the calculator as it was after the last
// key; with it off, a start is the blank one and nothing is written.

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QMenu>

#include "host/settings.h"
#include "window_harness.h"
#include "window_test.h"

using tally::testing::L;
using tally::testing::S;
using tally::ui::frmCalculator;
using tally::ui::testing::Answers;
using tally::ui::testing::Harness;
using tally::ui::testing::ModalAnswerer;
using tally::ui::testing::WindowTest;

namespace {

// Picks the option in the tape's menu.
void ToggleKeeping(Harness& h) {
  Answers answers;
  answers.menuItem = S("Continuar de onde parei");
  ModalAnswerer answerer({}, std::ref(answers));
  QTest::keyClick(h.FocusTarget(), Qt::Key_F10, Qt::ShiftModifier);
  QVERIFY(h.Reactivate());
  QCOMPARE(answers.menus.size(), 1);
}

// Every field of the calculator and what the window shows of it.
QStringList Everything(Harness& h) {
  const auto& s = h.Calc().State();
  QStringList all;
  for (const double v :
       {s.Accumulator, s.Operand, s.LastEntry, s.MemoryValue, s.GrandTotal, s.EntryValue}) {
    all << QString::number(v, 'g', 17);
  }
  all << QString::number(s.EntryStarted) << QString::number(s.OperandCount)
      << QString::fromUtf8(tally::InputKindText(s.LastInputKind).data())
      << QString::number(static_cast<int>(s.PendingOperator)) << QString::number(s.NegativeEntry)
      << QString::number(s.TotalPending) << QString::number(s.CancelPressed)
      << QString::fromStdString(s.NumberFormat);
  all << h.Text("lblResult") << h.Text("lblOperator") << h.Text("lblGrandTotal")
      << QString::number(h.Find(S("lblMemory"))->isVisible())
      << QString::number(h.Find<QComboBox>(S("cboDecPlace"))->currentIndex())
      << QString::number(h.Calc().GetTape().Selected())
      << QString::number(h.Tape()->currentIndex().row());
  all << h.TapeLines();
  return all;
}

}  // namespace

class KeptSessionWindowTest : public WindowTest {
  Q_OBJECT

 public:
  // Each test here answers the windows it expects.
  KeptSessionWindowTest() : WindowTest(Dialogs::AnsweredByTheTest) {}

 private Q_SLOTS:
  void aRestartShowsTheCalculatorAfterTheLastKey();
  void offIsTheBlankStartAndWritesNothing();
  void turningItOffRemovesTheSession();
  void anUnreadableSessionIsToldOnceAndKeptAside();

 private:
  frmCalculator::Options Options() const {
    frmCalculator::Options options;
    options.decimalSeparator = ",";
    options.keptSession = dir_.filePath(S("data/KeptSession.journal"));
    return options;
  }

  // Every test starts with keeping off (nothing stored) and no session.
  void Prepare() override { QDir(dir_.filePath(S("data"))).removeRecursively(); }
  QString StoredKeeping() const { return StoredSetting("Options", "KeepSession"); }

  QTemporaryDir dir_;
};

void KeptSessionWindowTest::aRestartShowsTheCalculatorAfterTheLastKey() {
  QStringList before;
  {
    Harness h(Options());
    QVERIFY(h.Active());
    h.Type(S("12+3=+4=="));
    ToggleKeeping(h);
    QCOMPARE(StoredKeeping(), S("1"));
    h.ChooseDecimals(3);
    h.Type(S("7.5"));
    QVERIFY(h.Click(S("M+")));
    h.Type(S("*2-"));
    QVERIFY(h.Click(S("+/-")));
    h.DoubleClickLine(1);  // the selected line is 1; the panel stays open
    QVERIFY(h.Find(S("fraChangeTape"))->isVisible());
    before = Everything(h);
    h.Window().close();
  }
  // Memory 7.5 and a grand total of 19 are part of what comes back.
  QCOMPARE(before.mid(3, 2), (QStringList{S("7.5"), S("19")}));
  Harness again(Options());
  QVERIFY(again.Active());
  QCOMPARE(Everything(again), before);
  QVERIFY(!again.Find(S("fraChangeTape"))->isVisible());
  QCOMPARE(again.Window().focusWidget(), again.Sink());
  // Keying goes on from the restored calculation.
  again.Type(S("3="));
  QCOMPARE(again.TapeLines().last(), S("= 12,000"));
}

void KeptSessionWindowTest::offIsTheBlankStartAndWritesNothing() {
  {
    Harness h(Options());
    h.Type(S("12+3="));
    h.ChooseDecimals(2);
    h.Window().close();
  }
  Harness again(Options());
  QCOMPARE(again.Text("lblResult"), S("0."));
  QVERIFY(again.TapeLines().isEmpty());
  QCOMPARE(again.Find<QComboBox>(S("cboDecPlace"))->currentIndex(), -1);
  QVERIFY(!QDir(dir_.filePath(S("data"))).exists());
}

void KeptSessionWindowTest::turningItOffRemovesTheSession() {
  const QString journal = Options().keptSession;
  {
    Harness h(Options());
    ToggleKeeping(h);
    h.Type(S("5+"));
    QVERIFY(QFile::exists(journal));
    ToggleKeeping(h);
    QCOMPARE(StoredKeeping(), S("0"));
    QVERIFY(!QFile::exists(journal));
    h.Type(S("6+"));
    QVERIFY(!QFile::exists(journal));
  }
  Harness again(Options());
  QVERIFY(again.TapeLines().isEmpty());
}

void KeptSessionWindowTest::anUnreadableSessionIsToldOnceAndKeptAside() {
  const QString journal = Options().keptSession;
  QDir().mkpath(QFileInfo(journal).path());
  {
    QFile damaged(journal);
    QVERIFY(damaged.open(QIODevice::WriteOnly));
    damaged.write("not a kept session");
  }
  tally::host::StoreKeepSession(true);
  ModalAnswerer answerer;
  {
    Harness h(Options());
    QTRY_COMPARE(answerer.seen.size(), 1);
    QVERIFY(answerer.seen[0].text.contains(S("ilegivel")));
    QVERIFY(h.TapeLines().isEmpty());
    QCOMPARE(QDir(QFileInfo(journal).path()).entryList({S("*.ilegivel-*")}).size(), 1);
    // Keeping goes on with the blank calculator.
    QVERIFY(h.Reactivate());
    h.Type(S("5+"));
  }
  Harness again(Options());
  QCOMPARE(again.TapeLines(), L({"+ 5"}));
  QCOMPARE(answerer.seen.size(), 1);
  tally::host::StoreKeepSession(false);
}

QTEST_MAIN(KeptSessionWindowTest)
#include "kept_session_window_test.moc"
