// Correcting a tape line in the real window: a double click opens the edit
// panel over the whole calculator, "Gravar" writes the line and replays the
// tape, "Cancelar" changes nothing; while the panel is open nothing behind it
// takes a click or a key.

#include <QAbstractItemView>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>

#include "window_harness.h"

using tally::testing::L;
using tally::testing::S;
using tally::ui::testing::Harness;
using tally::ui::testing::ModalAnswerer;

namespace {

const char* const kSep = tally::kSeparatorLine.data();

void ChooseTwoDecimals(Harness& h) { h.ChooseDecimals(2); }

}  // namespace

class ChangePanelTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void savingReplaysTheTape_data();
  void savingReplaysTheTape();
  void cancelChangesNothing_data();
  void cancelChangesNothing();
  void panelCoversTheCalculator();
  void refusedLinesDoNotOpenThePanel();
  void divisionByZeroInTheReplayShowsOneBox();
  void windowIconIsTheApplicationIcon();
};

void ChangePanelTest::savingReplaysTheTape_data() {
  QTest::addColumn<QString>("keys");
  QTest::addColumn<int>("row");
  QTest::addColumn<QString>("from");
  QTest::addColumn<QString>("typed");
  QTest::addColumn<QStringList>("tape");
  QTest::addColumn<QString>("display");
  QTest::addColumn<QString>("grandTotal");

  QTest::newRow("subtotal") << QStringLiteral("c10+5=*2=") << 0 << QStringLiteral("+ 10,00")
                            << QStringLiteral("20")
                            << QStringList{S("+ 20,00"), S("+ 5,00"), S("= 25,00 sub total"),
                                           S("x 2,00"), S("= 50,00")}
                            << QStringLiteral("50,00") << QString();
  QTest::newRow("grand total") << QStringLiteral("c10+20+5==8*3==cc") << 1
                               << QStringLiteral("+ 20,00") << QStringLiteral("25")
                               << QStringList{S("+ 10,00"), S("+ 25,00"), S("+ 5,00"), S("= 40,00"),
                                              S(kSep),      S("+ 8,00"),  S("x 3,00"), S("= 24,00"),
                                              S(kSep),      S("G 64,00"), S(kSep)}
                               << QStringLiteral("64,00") << QStringLiteral("0,00");
  QTest::newRow("en dash line, comma number")
      << QStringLiteral("c12-3=") << 1 << QStringLiteral("- 3,00") << QStringLiteral("2,5")
      << QStringList{S("+ 12,00"), S("\u2013 2,50"), S("= 9,50")} << QStringLiteral("9,50")
      << QString();
}

void ChangePanelTest::savingReplaysTheTape() {
  QFETCH(QString, keys);
  QFETCH(int, row);
  QFETCH(QString, from);
  QFETCH(QString, typed);
  QFETCH(QStringList, tape);
  QFETCH(QString, display);
  QFETCH(QString, grandTotal);

  Harness h;
  ChooseTwoDecimals(h);
  h.Type(keys);
  QWidget* panel = h.Find(QStringLiteral("fraChangeTape"));
  auto* field = h.Find<QLineEdit>(QStringLiteral("txtChangeTo"));

  h.DoubleClickLine(row);
  QVERIFY(panel->isVisible());
  QCOMPARE(panel->geometry(), h.Window().rect());
  QCOMPARE(h.Text("lblChangeFrom"), from);
  QCOMPARE(QApplication::focusWidget(), field);
  QCOMPARE(field->selectedText(), field->text());  // typing replaces it

  QTest::keyClicks(field, typed);
  QCOMPARE(field->text(), typed);
  QVERIFY(h.Click(QStringLiteral("Gravar")));

  QVERIFY(!panel->isVisible());
  QCOMPARE(h.TapeLines(), tape);
  QCOMPARE(h.Text("lblResult"), display);
  QCOMPARE(h.Text("lblGrandTotal"), grandTotal);
  QCOMPARE(QApplication::focusWidget(), h.Sink());
  // Typing reaches the calculator again at once.
  h.Type(QStringLiteral("c"));
  QCOMPARE(h.Text("lblResult"), QStringLiteral("."));
}

void ChangePanelTest::cancelChangesNothing_data() {
  // What was typed into the number field before "Cancelar".
  QTest::addColumn<QString>("typed");
  // Whether Enter was pressed there too, and an operation picked.
  QTest::addColumn<bool>("enter");
  QTest::addColumn<QString>("operation");
  QTest::newRow("a new number") << S("99") << false << QString();
  QTest::newRow("keys the field keeps, Enter among them") << S("5x") << true << QString();
  QTest::newRow("a new number and operation") << S("3") << false << S("x");
}

void ChangePanelTest::cancelChangesNothing() {
  QFETCH(QString, typed);
  QFETCH(bool, enter);
  QFETCH(QString, operation);
  Harness h;
  ChooseTwoDecimals(h);
  h.Type(QStringLiteral("c4+4="));
  const QStringList before = h.TapeLines();
  h.DoubleClickLine(0);
  auto* field = h.Find<QLineEdit>(QStringLiteral("txtChangeTo"));
  QTest::keyClicks(field, typed);
  if (enter) {
    QTest::keyClick(field, Qt::Key_Return);
    QTest::keyClick(field, Qt::Key_Enter);
  }
  if (!operation.isEmpty()) {
    auto* type = h.Find<QComboBox>(QStringLiteral("cboType"));
    const int index = type->findText(operation);
    QVERIFY(index >= 0);
    type->setCurrentIndex(index);
  }
  QVERIFY(h.Click(QStringLiteral("Cancelar")));
  QVERIFY(!h.Find(QStringLiteral("fraChangeTape"))->isVisible());
  QCOMPARE(h.TapeLines(), before);
  QCOMPARE(h.Text("lblResult"), QStringLiteral("8,00"));
  QCOMPARE(QApplication::focusWidget(), h.Sink());
  // What the panel covered takes clicks and keys again.
  for (const char* name : {"cmdNumber7", "cmdOperator1", "lstTape", "picSetFocus", "cboDecPlace"}) {
    QVERIFY2(h.Find(QString::fromLatin1(name))->isEnabled(), name);
  }
  h.Type(QStringLiteral("7"));
  QCOMPARE(h.Text("lblResult"), QStringLiteral("7."));
}

void ChangePanelTest::panelCoversTheCalculator() {
  Harness h;
  ChooseTwoDecimals(h);
  h.Type(QStringLiteral("c4+4="));
  h.DoubleClickLine(0);
  auto* field = h.Find<QLineEdit>(QStringLiteral("txtChangeTo"));
  auto* type = h.Find<QComboBox>(QStringLiteral("cboType"));
  QCOMPARE(type->currentText(), QStringLiteral("+"));

  // Keys stay in the number field: Enter and the calculator's own letters do
  // nothing else.
  QTest::keyClicks(field, QStringLiteral("5x"));
  QTest::keyClick(field, Qt::Key_Return);
  QTest::keyClick(field, Qt::Key_Enter);
  QCOMPARE(field->text(), QStringLiteral("5x"));
  QVERIFY(h.Window().isVisible());

  // Nothing is typed into the operation field.
  type->setFocus();
  QTest::keyClicks(type, QStringLiteral("x-"));
  QTest::keyClick(type, Qt::Key_Down);
  QCOMPARE(type->currentText(), QStringLiteral("+"));

  // The keypad and the tape behind the panel take nothing.
  for (const char* name :
       {"cmdNumber7", "cmdOperator1", "lstTape", "picSetFocus", "cboDecPlace", "cmdClose"}) {
    QVERIFY2(!h.Find(QString::fromLatin1(name))->isEnabled(), name);
  }
  QCOMPARE(h.TapeLines(), (QStringList{S("+ 4,00"), S("+ 4,00"), S("= 8,00")}));
  QCOMPARE(h.Text("lblResult"), QStringLiteral("8,00"));

  // Nor do the window's shortcuts: the tape is not copied.
  QGuiApplication::clipboard()->setText(QStringLiteral("antes"));
  field->setFocus();
  QTest::keyClick(field, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
  QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("antes"));
}

void ChangePanelTest::refusedLinesDoNotOpenThePanel() {
  Harness h;
  ChooseTwoDecimals(h);
  h.Type(QStringLiteral("c4+4==cc"));
  // "= 8,00", the separator and the G line.
  for (const int row : {2, 3, 4}) {
    h.DoubleClickLine(row);
    QVERIFY(!h.Find(QStringLiteral("fraChangeTape"))->isVisible());
  }
}

void ChangePanelTest::divisionByZeroInTheReplayShowsOneBox() {
  Harness h;
  ChooseTwoDecimals(h);
  h.Type(QStringLiteral("c5/.001=/.001="));
  QCOMPARE(h.TapeLines().at(1), QStringLiteral("/ 0,00"));
  ModalAnswerer answerer;
  h.DoubleClickLine(0);
  QVERIFY(h.Click(QStringLiteral("Gravar")));
  QCOMPARE(answerer.seen.size(), 1);
  QCOMPARE(answerer.seen[0].title, S(tally::kProgramTitle));
  QCOMPARE(answerer.seen[0].text, S("Erro de divisão por zero"));
  QCOMPARE(answerer.seen[0].icon, QMessageBox::Warning);
  QCOMPARE(h.Text("lblResult"), QStringLiteral("5,00"));
}

void ChangePanelTest::windowIconIsTheApplicationIcon() {
  Harness h;
  const QIcon icon = h.Window().windowIcon();
  QVERIFY(!icon.isNull());
  const QList<QSize> sizes = icon.availableSizes();
  for (const int size : {16, 32, 48, 256}) {
    QVERIFY2(sizes.contains(QSize(size, size)), qPrintable(QString::number(size)));
  }
}

QTEST_MAIN(ChangePanelTest)
#include "change_panel_test.moc"
