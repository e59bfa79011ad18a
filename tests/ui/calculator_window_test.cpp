// The main window driven as a user would: buttons clicked and keys typed reach
// the same operations, the labels and the tape show what they wrote, and the
// keyboard focus comes back to the focus sink so that typing keeps working.

#include <QAbstractItemModelTester>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>

#include "window_harness.h"
#include "window_test.h"

using tally::testing::L;
using tally::testing::S;
using tally::ui::frmCalculator;
using tally::ui::testing::Harness;
using tally::ui::testing::WindowTest;

namespace {

const char* const kSep = tally::kSeparatorLine.data();

struct KeyPress {
  Qt::Key key;
  Qt::KeyboardModifiers modifiers;
  QString text;
};
using KeyPresses = QList<KeyPress>;

KeyPress Main(Qt::Key key, const char* text) { return {key, Qt::NoModifier, S(text)}; }
KeyPress Pad(Qt::Key key, const char* text) { return {key, Qt::KeypadModifier, S(text)}; }
KeyPress Digit(char d) {
  return {Qt::Key(Qt::Key_0 + (d - '0')), Qt::NoModifier, QString(QLatin1Char(d))};
}

// Chooses a number of decimal places with the arrow keys on the closed list.
void ChooseDecimals(Harness& h, int places) {
  auto* combo = h.Find<QComboBox>(QStringLiteral("cboDecPlace"));
  combo->setFocus();
  for (int k = 0; k <= places; ++k) QTest::keyClick(combo, Qt::Key_Down);
}

}  // namespace

Q_DECLARE_METATYPE(KeyPresses)

class CalculatorWindowTest : public WindowTest {
  Q_OBJECT

 private Q_SLOTS:
  void startsBlank();
  void clicksAndTypedKeysAgree_data();
  void clicksAndTypedKeysAgree();
  void focusReturnsToTheSinkAfterEachButton_data();
  void focusReturnsToTheSinkAfterEachButton();
  void keysReachTheCalculatorFromEveryReceiver_data();
  void keysReachTheCalculatorFromEveryReceiver();
  void keypadAndSpecialKeys_data();
  void keypadAndSpecialKeys();
  void accessKeys_data();
  void accessKeys();
  void memoryMarkShowsAndHides();
  void tapeSelectionFollowsTheNewestLineAndTheUser();
  void tapeModelStaysConsistentInTheWindow();
  void editPanelCoversTheWindowAndKeepsItsKeys();
  void printingGoesThroughTheHook_data();
  void printingGoesThroughTheHook();
};

void CalculatorWindowTest::startsBlank() {
  Harness h;
  QVERIFY(h.Active());
  QCOMPARE(h.Window().windowTitle(), S(tally::kProgramTitle));
  QCOMPARE(h.Text("lblResult"), QStringLiteral("0."));
  QCOMPARE(h.Text("lblOperator"), QStringLiteral("+"));
  QCOMPARE(h.Text("lblGrandTotal"), QString());
  QVERIFY(!h.Find(QStringLiteral("lblMemory"))->isVisible());
  QCOMPARE(h.Find(QStringLiteral("lblGrandTotal"))->palette().color(QPalette::Window),
           QColor(192, 192, 192));
  QVERIFY(h.TapeLines().isEmpty());
  auto* combo = h.Find<QComboBox>(QStringLiteral("cboDecPlace"));
  QCOMPARE(combo->currentIndex(), -1);
  QCOMPARE(combo->currentText(), QString());
  QCOMPARE(combo->count(), 7);
  QCOMPARE(combo->itemText(3), QStringLiteral("3"));
  QCOMPARE(combo->itemText(2), QStringLiteral("2 "));
  QVERIFY(!h.Find(QStringLiteral("fraChangeTape"))->isVisible());
  QCOMPARE(QApplication::focusWidget(), h.Sink());
  // The sink is in the window but out of sight, above its top edge.
  QVERIFY(h.Sink()->geometry().bottom() < 0);
  QVERIFY(h.Sink()->isVisible());
}

void CalculatorWindowTest::clicksAndTypedKeysAgree_data() {
  QTest::addColumn<int>("places");  // -1: no choice
  QTest::addColumn<QStringList>("clicks");
  QTest::addColumn<QString>("typed");
  QTest::addColumn<QString>("display");
  QTest::addColumn<QString>("grandTotal");
  QTest::addColumn<QStringList>("tape");

  QTest::newRow("sum, subtotal and closing total")
      << 2 << L({"1", "2", "+", "3", "=", "+", "4", "=", "="}) << QStringLiteral("12+3=+4==")
      << QStringLiteral(".") << QStringLiteral("19,00 ")
      << L({"+ 12,00", "+ 3,00", "= 15,00 sub total", "+ 4,00", "= 19,00", kSep});
  QTest::newRow("point, Backspace, times, Enter")
      << -1 << L({"1", ".", "5", "Backspace", "7", "x", "2", "="}) << QStringLiteral("1.5\b7*2\r")
      << QStringLiteral("3,4") << QString() << L({"+ 1,7", "x 2", "= 3,4"});
  QTest::newRow("clear entry, minus, divide")
      << -1 << L({"9", "CE", "8", "0", "-", "3", "0", "/", "5", "="})
      << QStringLiteral("9e80-30/5=") << QStringLiteral("10") << QString()
      << L({"+ 80", "\u2013 30", "/ 5", "= 10"});
  QTest::newRow("percent") << -1 << L({"5", "0", "+", "1", "0", "%", "="})
                           << QStringLiteral("50+10%=") << QStringLiteral("55") << QString()
                           << L({"+ 50", "+ 5", "= 55"});
  QTest::newRow("C twice writes the grand total; Escape is C")
      << -1 << L({"7", "+", "8", "=", "=", "C", "C"}) << QStringLiteral("7+8==c\x1b")
      << QStringLiteral(".") << QString() << L({"+ 7", "+ 8", "= 15", kSep, "G 15", kSep});
  QTest::newRow("Grande Total") << -1 << L({"5", "+", "6", "=", "Grande Total"})
                                << QStringLiteral("5+6=g") << QStringLiteral("11") << QString()
                                << L({"+ 5", "+ 6", "= 11", "GT 11", kSep});
  QTest::newRow("Limpar empties the tape only")
      << -1 << L({"3", "+", "4", "=", "Limpar"}) << QStringLiteral("3+4=l") << QStringLiteral("7")
      << QString() << QStringList{};
}

void CalculatorWindowTest::clicksAndTypedKeysAgree() {
  QFETCH(int, places);
  QFETCH(QStringList, clicks);
  QFETCH(QString, typed);
  QFETCH(QString, display);
  QFETCH(QString, grandTotal);
  QFETCH(QStringList, tape);

  Harness clicked;
  if (places >= 0) ChooseDecimals(clicked, places);
  QVERIFY(clicked.ClickAll(clicks));

  Harness keyed;
  if (places >= 0) ChooseDecimals(keyed, places);
  keyed.Type(typed);

  for (Harness* h : {&clicked, &keyed}) {
    QCOMPARE(h->Text("lblResult"), display);
    QCOMPARE(h->Text("lblGrandTotal"), grandTotal);
    QCOMPARE(h->TapeLines(), tape);
  }
  QCOMPARE(clicked.Text("lblOperator"), keyed.Text("lblOperator"));
  QCOMPARE(clicked.Calc().State().Accumulator, keyed.Calc().State().Accumulator);
  QCOMPARE(clicked.Calc().State().PendingOperator, keyed.Calc().State().PendingOperator);
  QCOMPARE(clicked.Calc().GetTape().Selected(), keyed.Calc().GetTape().Selected());
}

void CalculatorWindowTest::focusReturnsToTheSinkAfterEachButton_data() {
  QTest::addColumn<QString>("before");  // typed first
  QTest::addColumn<QString>("button");

  const char* const rows[][2] = {
      {"", "0"},        {"", "7"},          {"", "."},   {"12", "Backspace"},
      {"5", "CE"},      {"5", "+/-"},       {"5", "+"},  {"5", "-"},
      {"5", "x"},       {"5", "/"},         {"5+", "="}, {"9", "sqrt"},
      {"50+10", "%"},   {"4", "1/x"},       {"5", "M+"}, {"5", "M-"},
      {"", "MR"},       {"", "MC"},         {"5+", "C"}, {"5+6=", "Grande Total"},
      {"5+", "Limpar"}, {"5+", "Imprimir"},
  };
  for (const auto& row : rows) {
    QTest::addRow("%s after \"%s\"", row[1], row[0])
        << QString::fromLatin1(row[0]) << QString::fromLatin1(row[1]);
  }
}

void CalculatorWindowTest::focusReturnsToTheSinkAfterEachButton() {
  QFETCH(QString, before);
  QFETCH(QString, button);
  Harness h;
  QVERIFY(h.Active());
  // A printer that is there: with none, "Imprimir" offers a PDF instead.
  h.Window().SetPrintHandler([](const tally::Tape&, QWidget*) {});
  h.Type(before);
  QVERIFY(h.Click(button));
  QCOMPARE(QApplication::focusWidget(), h.Sink());

  // Typing goes on reaching the calculator: "c" starts a new calculation.
  h.Type(QStringLiteral("c"));
  QCOMPARE(h.Text("lblResult"), QStringLiteral("."));
  QCOMPARE(h.Calc().State().OperandCount, 0);
}

void CalculatorWindowTest::keysReachTheCalculatorFromEveryReceiver_data() {
  QTest::addColumn<QString>("receiver");
  QTest::newRow("focus sink") << QStringLiteral("picSetFocus");
  QTest::newRow("tape list") << QStringLiteral("lstTape");
  QTest::newRow("window") << QStringLiteral("frmCalculator");
  QTest::newRow("a button holding the focus") << QStringLiteral("cmdNumber5");
  QTest::newRow("the display label") << QStringLiteral("lblResult");
}

void CalculatorWindowTest::keysReachTheCalculatorFromEveryReceiver() {
  QFETCH(QString, receiver);
  Harness h;
  h.Type(QStringLiteral("1+"));  // a line on the tape, so the list has rows
  QWidget* target = receiver == h.Window().objectName() ? &h.Window() : h.Find(receiver);
  QVERIFY(target);
  QTest::keyClicks(target, QStringLiteral("2+3="));
  QCOMPARE(h.Text("lblResult"), QStringLiteral("6"));
  QCOMPARE(h.TapeLines(), L({"+ 1", "+ 2", "+ 3", "= 6"}));
  // The list's type-ahead search never saw the keys: the newest line is
  // still the selected one.
  QCOMPARE(h.Tape()->currentIndex().row(), 3);
}

void CalculatorWindowTest::keypadAndSpecialKeys_data() {
  QTest::addColumn<KeyPresses>("keys");
  QTest::addColumn<QString>("display");
  QTest::addColumn<QStringList>("tape");

  QTest::newRow("keypad decimal key giving a point")
      << KeyPresses{Digit('1'), Pad(Qt::Key_Period, "."), Digit('5')} << QStringLiteral("1.5")
      << QStringList{};
  QTest::newRow("keypad decimal key giving a comma")
      << KeyPresses{Digit('1'), Pad(Qt::Key_Comma, ","), Digit('5')} << QStringLiteral("1.5")
      << QStringList{};
  QTest::newRow("comma on the main keys is the point where the locale writes one")
      << KeyPresses{Digit('1'), Main(Qt::Key_Comma, ","), Digit('5')} << QStringLiteral("1.5")
      << QStringList{};
  QTest::newRow("keypad operators and Enter")
      << KeyPresses{Pad(Qt::Key_7, "7"),        Pad(Qt::Key_Plus, "+"),  Pad(Qt::Key_2, "2"),
                    Pad(Qt::Key_Asterisk, "*"), Pad(Qt::Key_3, "3"),     Pad(Qt::Key_Minus, "-"),
                    Pad(Qt::Key_1, "1"),        Pad(Qt::Key_Slash, "/"), Pad(Qt::Key_2, "2"),
                    Pad(Qt::Key_Enter, "\r")}
      << QStringLiteral("13") << L({"+ 7", "+ 2", "x 3", "\u2013 1", "/ 2", "= 13"});
  QTest::newRow("Return is =, Escape is C")
      << KeyPresses{Digit('4'), Main(Qt::Key_Plus, "+"), Digit('5'), Main(Qt::Key_Return, "\r"),
                    Main(Qt::Key_Escape, "\x1b")}
      << QStringLiteral(".") << L({"+ 4", "+ 5", "= 9", kSep});
  QTest::newRow("Backspace") << KeyPresses{Digit('1'), Digit('2'), Main(Qt::Key_Backspace, "\b")}
                             << QStringLiteral("1.") << QStringList{};
  QTest::newRow("a key outside the table changes nothing")
      << KeyPresses{Digit('1'), Main(Qt::Key_A, "a"), Main(Qt::Key_Space, " "), Digit('2')}
      << QStringLiteral("12.") << QStringList{};
  QTest::newRow("x with Alt does not close")
      << KeyPresses{Digit('3'), {Qt::Key_X, Qt::AltModifier, S("x")}, Digit('1')}
      << QStringLiteral("31.") << QStringList{};
}

void CalculatorWindowTest::keypadAndSpecialKeys() {
  QFETCH(KeyPresses, keys);
  QFETCH(QString, display);
  QFETCH(QStringList, tape);
  Harness h;
  for (const KeyPress& k : keys) {
    QTest::sendKeyEvent(QTest::Click, h.FocusTarget(), k.key, k.text, k.modifiers);
  }
  QVERIFY(h.Window().isVisible());
  QCOMPARE(h.Text("lblResult"), display);
  QCOMPARE(h.TapeLines(), tape);
}

void CalculatorWindowTest::accessKeys_data() {
  QTest::addColumn<Qt::Key>("key");
  QTest::addColumn<QString>("display");
  QTest::addColumn<int>("tapeLines");
  QTest::addColumn<bool>("open");

  // Each after "5+6=": the display shows 11 and the tape holds three lines.
  QTest::newRow("Alt+E clears the entry") << Qt::Key_E << QStringLiteral("0") << 3 << true;
  QTest::newRow("Alt+C closes the calculation") << Qt::Key_C << QStringLiteral(".") << 4 << true;
  QTest::newRow("Alt+G writes the grand total") << Qt::Key_G << QStringLiteral("11") << 5 << true;
  QTest::newRow("Alt+L empties the tape") << Qt::Key_L << QStringLiteral("11") << 0 << true;
  QTest::newRow("Alt+S closes the window") << Qt::Key_S << QStringLiteral("11") << 3 << false;
  QTest::newRow("Alt+X is nobody's") << Qt::Key_X << QStringLiteral("11") << 3 << true;
}

void CalculatorWindowTest::accessKeys() {
  QFETCH(Qt::Key, key);
  QFETCH(QString, display);
  QFETCH(int, tapeLines);
  QFETCH(bool, open);
  Harness h;
  QVERIFY(h.Active());
  h.Type(QStringLiteral("5+6="));
  QTest::keyClick(h.FocusTarget(), key, Qt::AltModifier);
  // A button pressed by its access key clicks after a short animation.
  QTRY_COMPARE(h.Window().isVisible(), open);
  QTRY_COMPARE(h.Text("lblResult"), display);
  QTRY_COMPARE(h.TapeLines().size(), tapeLines);
}

void CalculatorWindowTest::memoryMarkShowsAndHides() {
  Harness h;
  QWidget* mark = h.Find(QStringLiteral("lblMemory"));
  h.Type(QStringLiteral("5"));
  QVERIFY(h.Click(QStringLiteral("M+")));
  QVERIFY(mark->isVisible());
  QCOMPARE(h.Text("lblMemory"), QStringLiteral("M"));
  QVERIFY(h.Click(QStringLiteral("M-")));  // back to 0
  QVERIFY(!mark->isVisible());
  QVERIFY(h.Click(QStringLiteral("M-")));  // -5
  QVERIFY(mark->isVisible());
  h.Type(QStringLiteral("c"));
  QVERIFY(h.Click(QStringLiteral("MR")));
  QCOMPARE(h.Text("lblResult"), QStringLiteral("-5"));
  QVERIFY(h.Click(QStringLiteral("MC")));
  QVERIFY(!mark->isVisible());
}

void CalculatorWindowTest::tapeSelectionFollowsTheNewestLineAndTheUser() {
  Harness h;
  QVERIFY(h.Active());
  QAbstractItemView* list = h.Tape();
  for (int k = 0; k < 60; ++k) h.Type(QStringLiteral("1+"));
  QCOMPARE(h.TapeLines().size(), 60);

  // The newest line is selected and scrolled into view.
  QCOMPARE(list->currentIndex().row(), 59);
  QVERIFY(list->selectionModel()->isRowSelected(59, QModelIndex()));
  QVERIFY(list->viewport()->rect().contains(list->visualRect(list->currentIndex())));

  // A click selects the clicked line, in the tape too, and gives the focus back.
  const QModelIndex clicked = list->indexAt(QPoint(5, list->viewport()->height() / 2));
  QVERIFY(clicked.isValid());
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(clicked).center());
  QCOMPARE(h.Calc().GetTape().Selected(), clicked.row());
  QCOMPARE(list->currentIndex().row(), clicked.row());
  QCOMPARE(QApplication::focusWidget(), h.Sink());

  // An arrow key on the list moves the selection the same way.
  list->setFocus();
  QTest::keyClick(list, Qt::Key_Up);
  QCOMPARE(h.Calc().GetTape().Selected(), clicked.row() - 1);
  QCOMPARE(QApplication::focusWidget(), h.Sink());

  // The next line written takes the selection back to the end.
  h.Type(QStringLiteral("1+"));
  QCOMPARE(list->currentIndex().row(), 60);
  QCOMPARE(list->selectionModel()->selectedRows().size(), 1);

  // Clearing the tape leaves nothing selected.
  h.Type(QStringLiteral("l"));
  QVERIFY(!list->selectionModel()->hasSelection());
}

void CalculatorWindowTest::tapeModelStaysConsistentInTheWindow() {
  Harness h;
  QAbstractItemModelTester tester(h.Tape()->model(),
                                  QAbstractItemModelTester::FailureReportingMode::QtTest);
  h.Type(QStringLiteral("12+3=+4==7-2=cc5+g"));
  QVERIFY(h.Click(QStringLiteral("Limpar")));
  h.Type(QStringLiteral("1+1="));
  QCOMPARE(h.TapeLines(), L({"+ 1", "+ 1", "= 2"}));
}

void CalculatorWindowTest::editPanelCoversTheWindowAndKeepsItsKeys() {
  Harness h;
  h.Type(QStringLiteral("3+"));
  QWidget* panel = h.Find(QStringLiteral("fraChangeTape"));
  QVERIFY(!panel->isVisible());
  QCOMPARE(panel->geometry(), h.Window().rect());

  for (const char* name :
       {"Label1", "lblChangeTape0", "lblChangeTape1", "lblChangeTape2", "lblChangeFrom",
        "txtChangeTo", "cboType", "cmdCancelChange", "cmdSaveChange"}) {
    QWidget* child = panel->findChild<QWidget*>(QString::fromLatin1(name));
    QVERIFY2(child, name);
  }

  h.DoubleClickLine(0);
  QVERIFY(panel->isVisible());
  QCOMPARE(panel->geometry(), h.Window().rect());
  // On top of every other control.
  QCOMPARE(h.Window().childAt(h.Window().rect().center())->window(), &h.Window());
  QVERIFY(panel->isAncestorOf(h.Window().childAt(5, 5)) || h.Window().childAt(5, 5) == panel);

  auto* field = panel->findChild<QLineEdit*>(QStringLiteral("txtChangeTo"));
  QCOMPARE(QApplication::focusWidget(), field);
  QTest::keyClicks(field, QStringLiteral("12,5xsc"));
  QCOMPARE(field->text(), QStringLiteral("12,5xsc"));
  QVERIFY(h.Window().isVisible());
  QCOMPARE(h.Text("lblResult"), QStringLiteral("3."));
  QCOMPARE(h.TapeLines(), L({"+ 3"}));
}

void CalculatorWindowTest::printingGoesThroughTheHook_data() {
  QTest::addColumn<QString>("before");
  QTest::addColumn<bool>("byKey");
  QTest::addColumn<int>("printed");
  QTest::newRow("button, tape with lines") << QStringLiteral("2+2=") << false << 1;
  QTest::newRow("key p, tape with lines") << QStringLiteral("2+2=p") << true << 1;
  QTest::newRow("key P, tape with lines") << QStringLiteral("2+2=P") << true << 1;
  QTest::newRow("button, empty tape") << QString() << false << 0;
}

void CalculatorWindowTest::printingGoesThroughTheHook() {
  QFETCH(QString, before);
  QFETCH(bool, byKey);
  QFETCH(int, printed);
  Harness h;
  int calls = 0;
  int linesSeen = -1;
  QWidget* owner = nullptr;
  h.Window().SetPrintHandler([&](const tally::Tape& tape, QWidget* window) {
    ++calls;
    linesSeen = tape.Count();
    owner = window;
  });
  h.Type(before);
  if (!byKey) QVERIFY(h.Click(QStringLiteral("Imprimir")));
  QCOMPARE(calls, printed);
  if (printed) {
    QCOMPARE(linesSeen, 3);
    QCOMPARE(owner, &h.Window());
  }
  QCOMPARE(QApplication::focusWidget(), h.Sink());
}

QTEST_MAIN(CalculatorWindowTest)
#include "calculator_window_test.moc"
