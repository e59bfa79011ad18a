// The tape's list model: each change of the tape reaches the view as the one
// row signal that matches it, and the model stays consistent under
// QAbstractItemModelTester.

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

#include <functional>
#include <string>

#include "ui/tape_model.h"

using tally::Tape;
using tally::ui::TapeModel;

using TapeAction = std::function<void(Tape&)>;
Q_DECLARE_METATYPE(TapeAction)

namespace {

QStringList Rows(const QAbstractItemModel& model) {
  QStringList rows;
  for (int row = 0; row < model.rowCount(); ++row) {
    rows << model.index(row, 0).data().toString();
  }
  return rows;
}

QStringList Lines(const Tape& tape) {
  QStringList lines;
  for (const auto& line : tape.Lines()) lines << QString::fromStdString(line.text);
  return lines;
}

}  // namespace

class TapeModelTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void eachChangeIsOneRowSignal_data();
  void eachChangeIsOneRowSignal();
  void aFullTapeTrimsInOneRemoval_data();
  void aFullTapeTrimsInOneRemoval();
  void linesAreShownAsUnicode();
  void theNoteIsARoleAndInTheTooltip();
};

void TapeModelTest::theNoteIsARoleAndInTheTooltip() {
  Tape tape;
  TapeModel model(tape);
  tape.SetObserver(&model);
  tape.AddTapeLine("+ 12,00");
  tape.AddTapeLine("+ 3,00");
  tape.SetNote(0, "aluguel de março");
  QCOMPARE(model.index(0).data(TapeModel::NoteRole).toString(), QStringLiteral("aluguel de março"));
  QCOMPARE(model.index(0).data(Qt::ToolTipRole).toString(),
           QStringLiteral("+ 12,00\naluguel de março"));
  QCOMPARE(model.index(0).data(Qt::DisplayRole).toString(), QStringLiteral("+ 12,00"));
  QCOMPARE(model.index(1).data(TapeModel::NoteRole).toString(), QString());
  QCOMPARE(model.index(1).data(Qt::ToolTipRole).toString(), QStringLiteral("+ 3,00"));
}

void TapeModelTest::eachChangeIsOneRowSignal_data() {
  QTest::addColumn<TapeAction>("action");
  QTest::addColumn<int>("inserted");      // rowsInserted signals
  QTest::addColumn<int>("removed");       // rowsRemoved signals
  QTest::addColumn<int>("changed");       // dataChanged signals
  QTest::addColumn<int>("changedFirst");  // rows of the one dataChanged
  QTest::addColumn<int>("changedLast");
  QTest::addColumn<int>("resets");
  QTest::addColumn<int>("selected");  // last selection passed on, -2 none

  // Every action starts from the three lines "+ 1", "+ 2", "= 3".
  QTest::newRow("AddTapeLine appends and selects")
      << TapeAction([](Tape& t) { t.AddTapeLine("***"); }) << 1 << 0 << 0 << -1 << -1 << 0 << 3;
  QTest::newRow("direct append leaves the selection")
      << TapeAction([](Tape& t) { t.AppendDirect("G 3"); }) << 1 << 0 << 0 << -1 << -1 << 0 << -2;
  QTest::newRow("rewrite of the last line")
      << TapeAction([](Tape& t) { t.SetLine(2, "= 3 sub total"); }) << 0 << 0 << 1 << 2 << 2 << 0
      << -2;
  QTest::newRow("rewrite of every line is one change") << TapeAction([](Tape& t) {
    t.RewriteAll({"+ 4", "+ 5", "= 9"});
  }) << 0 << 0 << 1 << 0 << 2 << 0 << -2;
  QTest::newRow("clear is one reset, not row by row")
      << TapeAction([](Tape& t) { t.Clear(); }) << 0 << 0 << 0 << -1 << -1 << 1 << -1;
  QTest::newRow("a click selects")
      << TapeAction([](Tape& t) { t.Select(1); }) << 0 << 0 << 0 << -1 << -1 << 0 << 1;
  QTest::newRow("a rewrite outside the tape is no change")
      << TapeAction([](Tape& t) { t.SetLine(3, "x"); }) << 0 << 0 << 0 << -1 << -1 << 0 << -2;
  QTest::newRow("an inserted line is one row, and selected")
      << TapeAction([](Tape& t) { t.InsertLine(1, "+ 9"); }) << 1 << 0 << 0 << -1 << -1 << 0 << 1;
  QTest::newRow("a removed line is one row")
      << TapeAction([](Tape& t) { t.RemoveLine(1); }) << 0 << 1 << 0 << -1 << -1 << 0 << -2;
  QTest::newRow("removing the selected line selects the next")
      << TapeAction([](Tape& t) {
           t.Select(0);
           t.RemoveLine(0);
         })
      << 0 << 1 << 0 << -1 << -1 << 0 << 0;
  QTest::newRow("a note is a change of its row")
      << TapeAction([](Tape& t) { t.SetNote(1, "luz"); }) << 0 << 0 << 1 << 1 << 1 << 0 << -2;
}

void TapeModelTest::eachChangeIsOneRowSignal() {
  QFETCH(TapeAction, action);
  QFETCH(int, inserted);
  QFETCH(int, removed);
  QFETCH(int, changed);
  QFETCH(int, changedFirst);
  QFETCH(int, changedLast);
  QFETCH(int, resets);
  QFETCH(int, selected);

  Tape tape;
  TapeModel model(tape);
  tape.SetObserver(&model);
  QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
  tape.AddTapeLine("+ 1");
  tape.AddTapeLine("+ 2");
  tape.AddTapeLine("= 3");
  tape.Select(-1);

  QSignalSpy insertedSpy(&model, &QAbstractItemModel::rowsInserted);
  QSignalSpy removedSpy(&model, &QAbstractItemModel::rowsRemoved);
  QSignalSpy changedSpy(&model, &QAbstractItemModel::dataChanged);
  QSignalSpy resetSpy(&model, &QAbstractItemModel::modelReset);
  QSignalSpy selectionSpy(&model, &TapeModel::tapeSelectionChanged);

  action(tape);

  QCOMPARE(insertedSpy.size(), inserted);
  QCOMPARE(removedSpy.size(), removed);
  QCOMPARE(changedSpy.size(), changed);
  if (changed > 0) {
    QCOMPARE(changedSpy.first().at(0).toModelIndex().row(), changedFirst);
    QCOMPARE(changedSpy.first().at(1).toModelIndex().row(), changedLast);
  }
  QCOMPARE(resetSpy.size(), resets);
  if (selected == -2) {
    QCOMPARE(selectionSpy.size(), 0);
  } else {
    QVERIFY(!selectionSpy.isEmpty());
    QCOMPARE(selectionSpy.last().at(0).toInt(), selected);
  }
  QCOMPARE(Rows(model), Lines(tape));
}

// A full tape trims its oldest row as the next line comes. Grand total and
// sign-change lines are appended past the limit; the next line trims all of
// them in one removal of rows 0..n-1.
void TapeModelTest::aFullTapeTrimsInOneRemoval_data() {
  QTest::addColumn<QStringList>("pastTheLimit");  // appended before the next line
  QTest::addColumn<int>("lastRemoved");
  QTest::addColumn<QString>("firstLeft");
  QTest::newRow("the oldest row") << QStringList{} << 0 << QStringLiteral("+ 1");
  QTest::newRow("the lines past the limit too")
      << QStringList{QStringLiteral("***********************"), QStringLiteral("+ 5,00")} << 2
      << QStringLiteral("+ 3");
}

void TapeModelTest::aFullTapeTrimsInOneRemoval() {
  QFETCH(QStringList, pastTheLimit);
  QFETCH(int, lastRemoved);
  QFETCH(QString, firstLeft);
  Tape tape;
  for (int k = 0; k < Tape::kMaxLines; ++k) tape.AppendDirect("+ " + std::to_string(k));
  TapeModel model(tape);
  tape.SetObserver(&model);
  QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
  for (const QString& line : pastTheLimit) tape.AppendDirect(line.toStdString());
  QSignalSpy insertedSpy(&model, &QAbstractItemModel::rowsInserted);
  QSignalSpy removedSpy(&model, &QAbstractItemModel::rowsRemoved);
  QSignalSpy selectionSpy(&model, &TapeModel::tapeSelectionChanged);

  tape.AddTapeLine("= last");

  QCOMPARE(model.rowCount(), Tape::kMaxLines);
  QCOMPARE(insertedSpy.size(), 1);
  QCOMPARE(insertedSpy.first().at(1).toInt(), Tape::kMaxLines + lastRemoved);
  QCOMPARE(removedSpy.size(), 1);
  QCOMPARE(removedSpy.first().at(1).toInt(), 0);
  QCOMPARE(removedSpy.first().at(2).toInt(), lastRemoved);
  QCOMPARE(Rows(model), Lines(tape));
  QCOMPARE(model.index(0, 0).data().toString(), firstLeft);
  QCOMPARE(model.index(Tape::kMaxLines - 1, 0).data().toString(), QStringLiteral("= last"));
  QCOMPARE(selectionSpy.last().at(0).toInt(), Tape::kMaxLines - 1);
}

void TapeModelTest::linesAreShownAsUnicode() {
  Tape tape;
  TapeModel model(tape);
  tape.SetObserver(&model);
  tape.AddTapeLine("\xE2\x80\x93 3,00");  // the tape's minus is the en dash
  QCOMPARE(model.index(0, 0).data().toString(), QStringLiteral("\u2013 3,00"));
  // The tooltip is the whole line, for a line wider than the list.
  QCOMPARE(model.index(0, 0).data(Qt::ToolTipRole).toString(), QStringLiteral("\u2013 3,00"));
  QVERIFY(!model.index(0, 0).data(Qt::EditRole).isValid());
}

QTEST_GUILESS_MAIN(TapeModelTest)
#include "tape_model_test.moc"
