// Keys never misfire: the decimal places list gives the focus back to the
// calculator however its popup closes and passes the calculator's keys on,
// the edit panel is left with Tab and cancelled with Escape, its labels sit
// on the line of their fields, and its operation list takes nothing but a
// pick from the list.

#include <QAbstractItemView>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>

#include <memory>

#include "window_harness.h"
#include "window_test.h"

using tally::testing::L;
using tally::testing::S;
using tally::ui::testing::Harness;
using tally::ui::testing::WindowTest;

namespace {

QComboBox* Decimals(Harness& h) { return h.Find<QComboBox>(QStringLiteral("cboDecPlace")); }

// Opens the list's popup as a click on it does.
QAbstractItemView* OpenPopup(QComboBox* combo) {
  combo->setFocus(Qt::MouseFocusReason);
  combo->showPopup();
  QAbstractItemView* view = combo->view();
  if (!QTest::qWaitForWindowExposed(view->window())) return nullptr;
  return view;
}

// The row of ink a line of text stands on, in panel coordinates: the lowest
// row where at least a third as much ink lies as on the inkiest row, so that
// the tail of a comma does not count.
int Baseline(const QImage& image, const QRect& area) {
  const QRect r = area.intersected(image.rect());
  const QRgb background = image.pixel(r.left(), r.top());
  QList<int> ink;
  for (int y = r.top(); y <= r.bottom(); ++y) {
    int n = 0;
    for (int x = r.left(); x <= r.right(); ++x) {
      const QRgb p = image.pixel(x, y);
      if (qAbs(qGray(p) - qGray(background)) > 96) ++n;
    }
    ink << n;
  }
  const int most = *std::max_element(ink.begin(), ink.end());
  if (most == 0) return -1;
  for (int k = static_cast<int>(ink.size()) - 1; k >= 0; --k) {
    if (ink[k] * 3 >= most) return r.top() + k;
  }
  return -1;
}

}  // namespace

class KeyboardFocusTest : public WindowTest {
  Q_OBJECT

 private Q_SLOTS:
  void closingTheDecimalsPopupGivesTheFocusBack_data();
  void closingTheDecimalsPopupGivesTheFocusBack();
  void keysTypedOnTheDecimalsListReachTheCalculator_data();
  void keysTypedOnTheDecimalsListReachTheCalculator();

  void tabMovesThroughTheEditPanelAndStaysInIt();
  void escapeAnywhereInTheEditPanelCancels_data();
  void escapeAnywhereInTheEditPanelCancels();
  void panelLabelsSitOnTheLineOfTheirFields();
  void theOperationTakesNothingButAPick();
  void theMiddleButtonPastesNothingIntoTheOperation();
};

void KeyboardFocusTest::closingTheDecimalsPopupGivesTheFocusBack_data() {
  QTest::addColumn<QString>("how");
  QTest::addColumn<QString>("stored");   // after the popup closed, "2" before
  QTest::addColumn<QString>("display");  // after "5" and "+"
  QTest::newRow("a new item") << S("new item") << S("4") << S("5,0000");
  QTest::newRow("the item already chosen") << S("same item") << S("2") << S("5,00");
  QTest::newRow("Escape") << S("Escape") << S("2") << S("5,00");
  QTest::newRow("a click away") << S("click away") << S("2") << S("5,00");
}

void KeyboardFocusTest::closingTheDecimalsPopupGivesTheFocusBack() {
  QFETCH(QString, how);
  QFETCH(QString, stored);
  QFETCH(QString, display);
  Harness h;
  QVERIFY(h.Active());
  h.ChooseDecimals(2);
  QCOMPARE(StoredDecimalPlaces(), S("2"));

  QComboBox* combo = Decimals(h);
  QAbstractItemView* view = OpenPopup(combo);
  QVERIFY(view);
  QWidget* popup = view->window();
  if (how == QLatin1String("new item") || how == QLatin1String("same item")) {
    const int row = how == QLatin1String("new item") ? 4 : 2;
    const QModelIndex item = view->model()->index(row, 0);
    // The popup ignores a release that comes as fast as a double click after
    // it opened: the item is clicked until a click is taken.
    const auto clickItem = [&] {
      QTest::mouseMove(view->viewport(), view->visualRect(item).center());
      QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(item).center());
      return !popup->isVisible();
    };
    QTRY_VERIFY(clickItem());
  } else if (how == QLatin1String("Escape")) {
    QTest::keyClick(view, Qt::Key_Escape);
  } else {
    // A press outside a popup reaches the popup, which closes.
    const QPoint away =
        popup->mapFromGlobal(h.Find(QStringLiteral("Label3"))->mapToGlobal(QPoint(5, 5)));
    QVERIFY(!popup->rect().contains(away));
    QTest::mouseClick(popup, Qt::LeftButton, {}, away);
  }
  QTRY_VERIFY(!popup->isVisible());
  QTRY_COMPARE(QApplication::focusWidget(), h.Sink());
  QCOMPARE(StoredDecimalPlaces(), stored);

  h.Type(QStringLiteral("5"));
  QCOMPARE(h.Text("lblResult"), QStringLiteral("5."));
  h.Type(QStringLiteral("+"));
  QCOMPARE(h.TapeLines(), QStringList{QStringLiteral("+ ") + display});
  QCOMPARE(StoredDecimalPlaces(), stored);
  QCOMPARE(combo->currentIndex(), stored.toInt());
}

void KeyboardFocusTest::keysTypedOnTheDecimalsListReachTheCalculator_data() {
  QTest::addColumn<QString>("before");  // typed on the calculator first
  QTest::addColumn<int>("key");
  QTest::addColumn<QString>("text");
  QTest::newRow("digit") << QString() << int(Qt::Key_5) << S("5");
  QTest::newRow("digit 2, an item's own text") << S("1") << int(Qt::Key_2) << S("2");
  QTest::newRow("point") << S("3") << int(Qt::Key_Period) << S(".");
  QTest::newRow("operator") << S("12") << int(Qt::Key_Plus) << S("+");
  QTest::newRow("Enter") << S("12+8") << int(Qt::Key_Return) << S("\r");
  QTest::newRow("Escape is C") << S("12+8") << int(Qt::Key_Escape) << S("\x1b");
  QTest::newRow("Backspace") << S("123") << int(Qt::Key_Backspace) << S("\b");
}

// Each key does what it does typed on the calculator itself.
void KeyboardFocusTest::keysTypedOnTheDecimalsListReachTheCalculator() {
  QFETCH(QString, before);
  QFETCH(int, key);
  QFETCH(QString, text);
  Harness reference;
  reference.Type(before + text);

  Harness h;
  QVERIFY(h.Active());
  h.Type(before);
  // Tab from the focus sink reaches the list first.
  QTest::keyClick(h.Sink(), Qt::Key_Tab);
  QComboBox* combo = Decimals(h);
  QCOMPARE(QApplication::focusWidget(), combo);

  QTest::sendKeyEvent(QTest::Click, combo, Qt::Key(key), text, Qt::NoModifier);
  QCOMPARE(h.Text("lblResult"), reference.Text("lblResult"));
  QCOMPARE(h.TapeLines(), reference.TapeLines());
  QVERIFY(h.Text("lblResult") != QStringLiteral("0."));
  QCOMPARE(combo->currentIndex(), -1);
  QCOMPARE(StoredDecimalPlaces(), QString());
  QVERIFY(!combo->view()->window()->isVisible());
}

void KeyboardFocusTest::tabMovesThroughTheEditPanelAndStaysInIt() {
  Harness h;
  h.ChooseDecimals(2);
  h.Type(QStringLiteral("c12+3="));
  h.DoubleClickLine(0);
  QWidget* panel = h.Find(QStringLiteral("fraChangeTape"));
  QVERIFY(panel->isVisible());
  auto* field = h.Find<QLineEdit>(QStringLiteral("txtChangeTo"));
  auto* type = h.Find<QComboBox>(QStringLiteral("cboType"));
  QWidget* save = h.Button(QStringLiteral("Gravar"));
  QWidget* cancel = h.Button(QStringLiteral("Cancelar"));
  QCOMPARE(QApplication::focusWidget(), field);

  const auto owner = [&](QWidget* focus) -> QWidget* {
    for (QWidget* control :
         {static_cast<QWidget*>(field), static_cast<QWidget*>(type), save, cancel}) {
      if (focus == control || control->isAncestorOf(focus)) return control;
    }
    return focus;
  };
  // Shift+Tab from the number reaches the operation list, and Tab leaves it.
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
  QCOMPARE(owner(QApplication::focusWidget()), type);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  QCOMPARE(owner(QApplication::focusWidget()), field);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  QCOMPARE(owner(QApplication::focusWidget()), save);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  QCOMPARE(owner(QApplication::focusWidget()), cancel);
  // Round and round, never behind the panel.
  for (int k = 0; k < 10; ++k) {
    QTest::keyClick(QApplication::focusWidget(), k % 3 ? Qt::Key_Tab : Qt::Key_Backtab,
                    k % 3 ? Qt::NoModifier : Qt::ShiftModifier);
    QVERIFY2(panel->isAncestorOf(QApplication::focusWidget()),
             qPrintable(QApplication::focusWidget()->objectName()));
  }
  // Tab was never typed into anything.
  QCOMPARE(type->currentText(), QStringLiteral("+"));
  QCOMPARE(field->text(), QStringLiteral("12,00"));
  QCOMPARE(h.TapeLines(), (QStringList{S("+ 12,00"), S("+ 3,00"), S("= 15,00")}));
}

void KeyboardFocusTest::escapeAnywhereInTheEditPanelCancels_data() {
  QTest::addColumn<QString>("control");
  QTest::newRow("number field") << S("txtChangeTo");
  QTest::newRow("operation list") << S("cboType");
  QTest::newRow("Gravar") << S("cmdSaveChange");
  QTest::newRow("Cancelar") << S("cmdCancelChange");
}

void KeyboardFocusTest::escapeAnywhereInTheEditPanelCancels() {
  QFETCH(QString, control);
  Harness h;
  QVERIFY(h.Active());
  h.ChooseDecimals(2);
  h.Type(QStringLiteral("c12+3="));
  const QStringList tape = h.TapeLines();
  h.DoubleClickLine(0);
  QWidget* panel = h.Find(QStringLiteral("fraChangeTape"));
  QVERIFY(panel->isVisible());
  QTest::keyClicks(h.Find<QLineEdit>(QStringLiteral("txtChangeTo")), QStringLiteral("99"));
  QWidget* target = h.Find(control);
  target->setFocus(Qt::TabFocusReason);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);

  QVERIFY(!panel->isVisible());
  QCOMPARE(h.TapeLines(), tape);
  QCOMPARE(h.Text("lblResult"), QStringLiteral("15,00"));
  QCOMPARE(QApplication::focusWidget(), h.Sink());
  QVERIFY(h.Find(QStringLiteral("cmdNumber7"))->isEnabled());
  // The next Escape is the calculator's "C" again.
  h.Type(QStringLiteral("\x1b"));
  QCOMPARE(h.TapeLines().size(), 4);
}

void KeyboardFocusTest::panelLabelsSitOnTheLineOfTheirFields() {
  Harness h;
  QVERIFY(h.Active());
  h.ChooseDecimals(2);
  h.Type(QStringLiteral("c20+3="));
  h.DoubleClickLine(0);
  QWidget* panel = h.Find(QStringLiteral("fraChangeTape"));
  // Plain text in the field: no selection, no cursor.
  h.Find<QLineEdit>(QStringLiteral("txtChangeTo"))->deselect();
  h.Button(QStringLiteral("Cancelar"))->setFocus();
  const QImage image = panel->grab().toImage().convertToFormat(QImage::Format_RGB32);
  QCOMPARE(image.devicePixelRatio(), 1.0);

  const struct {
    const char* label;
    const char* field;
  } pairs[] = {{"lblChangeTape0", "lblChangeFrom"}, {"lblChangeTape1", "txtChangeTo"}};
  for (const auto& pair : pairs) {
    auto* label = h.Find<QLabel>(S(pair.label));
    QWidget* field = h.Find(S(pair.field));
    QCOMPARE(label->buddy(), field);
    // Inside the field's frame only.
    const QRect fieldText = field->geometry().adjusted(3, 3, -3, -3);
    const int labelLine = Baseline(image, label->geometry());
    const int fieldLine = Baseline(image, fieldText);
    QVERIFY2(labelLine >= 0 && fieldLine >= 0, pair.label);
    QVERIFY2(qAbs(labelLine - fieldLine) <= 1, qPrintable(QStringLiteral("%1 on %2, %3 on %4")
                                                              .arg(S(pair.label))
                                                              .arg(labelLine)
                                                              .arg(S(pair.field))
                                                              .arg(fieldLine)));
  }
}

void KeyboardFocusTest::theOperationTakesNothingButAPick() {
  Harness h;
  QVERIFY(h.Active());
  h.ChooseDecimals(2);
  h.Type(QStringLiteral("c12+3="));
  auto* type = h.Find<QComboBox>(QStringLiteral("cboType"));
  // Before any edit it shows the text it was designed with.
  QCOMPARE(type->currentText(), QStringLiteral("cboType"));
  h.DoubleClickLine(0);
  QCOMPARE(type->currentText(), QStringLiteral("+"));
  QLineEdit* text = type->lineEdit();
  QVERIFY(text);

  // Pasting through the context menu: whatever it offers, nothing changes
  // the text.
  QGuiApplication::clipboard()->setText(QStringLiteral("G"));
  text->selectAll();
  std::unique_ptr<QMenu> menu(text->createStandardContextMenu());
  for (QAction* action : menu->actions()) {
    if (action->isEnabled() && !action->isSeparator()) action->trigger();
  }
  QCOMPARE(type->currentText(), QStringLiteral("+"));

  // A dropped text is refused.
  QMimeData dropped;
  dropped.setText(QStringLiteral("G"));
  const QPoint at = text->rect().center();
  QDragEnterEvent enter(at, Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(text, &enter);
  QDragMoveEvent move(at, Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(text, &move);
  QDropEvent drop(at, Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(text, &drop);
  QCOMPARE(type->currentText(), QStringLiteral("+"));

  // A pick from the list does set it.
  type->setCurrentIndex(type->findText(QStringLiteral("x")));
  QCOMPARE(type->currentText(), QStringLiteral("x"));
  type->setCurrentIndex(type->findText(QStringLiteral("+")));
  QVERIFY(h.Click(QStringLiteral("Gravar")));
  QCOMPARE(h.TapeLines(), (QStringList{S("+ 12,00"), S("+ 3,00"), S("= 15,00")}));
}

// The middle button pastes the selection where the desktop has one.
void KeyboardFocusTest::theMiddleButtonPastesNothingIntoTheOperation() {
  if (!QGuiApplication::clipboard()->supportsSelection()) {
    QSKIP("this platform has no selection to paste with the middle button (offscreen has none)");
  }
  Harness h;
  QVERIFY(h.Active());
  h.ChooseDecimals(2);
  h.Type(QStringLiteral("c12+3="));
  h.DoubleClickLine(0);
  auto* type = h.Find<QComboBox>(QStringLiteral("cboType"));
  QCOMPARE(type->currentText(), QStringLiteral("+"));
  QGuiApplication::clipboard()->setText(QStringLiteral("G"), QClipboard::Selection);
  QTest::mouseClick(type->lineEdit(), Qt::MiddleButton);
  QCOMPARE(type->currentText(), QStringLiteral("+"));
}

QTEST_MAIN(KeyboardFocusTest)
#include "keyboard_focus_test.moc"
