// What a screen reader gets: a name on everything a user can reach, the
// calculator (the focus sink) with the display as its value, Qt's value
// change on every new display and none for a key that changes nothing, the
// tape's selection, keys named as they are read, pictures that are buttons,
// and no unnamed decoration in the tree.

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleTextInterface>
#include <QAccessibleValueInterface>
#include <QComboBox>
#include <QLineEdit>

#ifdef TALLYROLLER_QPA_ACCESSIBILITY
#include <private/qguiapplication_p.h>
#include <qpa/qplatformaccessibility.h>
#include <qpa/qplatformintegration.h>
#endif

#include "window_harness.h"
#include "window_test.h"

using tally::testing::L;
using tally::testing::S;
using tally::ui::testing::Harness;
using tally::ui::testing::ModalAnswerer;
using tally::ui::testing::WindowTest;

namespace {

// A screen reader listening while it lives. Qt hands its updates on only
// while the platform's accessibility is on, as it is once a reader connects;
// offscreen no reader ever does, so it is turned on here, and every update
// goes to this handler instead of the platform's bridge. Both come back as
// they were when it goes.
class ScreenReader {
 public:
  struct Update {
    QAccessible::Event type;
    const QObject* object;
    int child;
    QString value;  // of a value change
  };

  ScreenReader() {
    Updates().clear();
    previous_ = QAccessible::installUpdateHandler(&Record);
#ifdef TALLYROLLER_QPA_ACCESSIBILITY
    platform_ = QGuiApplicationPrivate::platformIntegration()->accessibility();
    if (platform_) {
      wasActive_ = platform_->isActive();
      platform_->setActive(true);
    }
#endif
  }
  ~ScreenReader() {
#ifdef TALLYROLLER_QPA_ACCESSIBILITY
    if (platform_) platform_->setActive(wasActive_);
#endif
    QAccessible::installUpdateHandler(previous_);
    Updates().clear();
  }
  ScreenReader(const ScreenReader&) = delete;
  ScreenReader& operator=(const ScreenReader&) = delete;

  // Why Qt hands this reader nothing here; empty when it listens.
  static QString WhyDeaf() {
#ifdef TALLYROLLER_QPA_ACCESSIBILITY
    if (QAccessible::isActive()) return {};
    return S("the platform has no accessibility to turn on");
#else
    return S(
        "built without Qt's private platform headers (qt6-base-private-dev), which alone "
        "turn on accessibility where no screen reader runs");
#endif
  }

  // The updates of one kind from one object since the last call, taken.
  static QList<Update> Take(const QObject* object, QAccessible::Event type) {
    QList<Update> taken;
    QList<Update>& all = Updates();
    for (auto it = all.begin(); it != all.end();) {
      if (it->object == object && it->type == type) {
        taken << *it;
        it = all.erase(it);
      } else {
        ++it;
      }
    }
    return taken;
  }
  static QStringList TakeValues(const QObject* object) {
    QStringList values;
    for (const Update& u : Take(object, QAccessible::ValueChanged)) values << u.value;
    return values;
  }
  static QList<int> TakeChildren(const QObject* object, QAccessible::Event type) {
    QList<int> children;
    for (const Update& u : Take(object, type)) children << u.child;
    return children;
  }
  static void Forget() { Updates().clear(); }

 private:
  static QList<Update>& Updates() {
    static QList<Update> updates;
    return updates;
  }
  static void Record(QAccessibleEvent* event) {
    QString value;
    if (event->type() == QAccessible::ValueChanged) {
      value = static_cast<QAccessibleValueChangeEvent*>(event)->value().toString();
    }
    Updates().append({event->type(), event->object(), event->child(), value});
  }

  QAccessible::UpdateHandler previous_ = nullptr;
#ifdef TALLYROLLER_QPA_ACCESSIBILITY
  QPlatformAccessibility* platform_ = nullptr;
  bool wasActive_ = false;
#endif
};

QString Name(QWidget* widget) {
  QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
  return accessible ? accessible->text(QAccessible::Name) : QString();
}

// What a screen reader announces a control by: its name, or the label that
// labels it (a combo box's name is its current text, its label comes by
// relation).
QString Announced(QWidget* widget) {
  QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
  if (!accessible) return {};
  QString announced = accessible->text(QAccessible::Name).trimmed();
  for (const auto& [label, relation] : accessible->relations(QAccessible::Label)) {
    announced += QLatin1Char(' ') + label->text(QAccessible::Name).trimmed();
  }
  return announced.trimmed();
}

// Every widget a user can reach with the keyboard or a click.
QList<QWidget*> Reachable(QWidget* window) {
  QList<QWidget*> reachable;
  for (QWidget* w : window->findChildren<QWidget*>()) {
    if (!w->isVisibleTo(window) || !w->isEnabled()) continue;
    if ((w->focusPolicy() & Qt::TabFocus) || qobject_cast<QAbstractButton*>(w)) reachable << w;
  }
  return reachable;
}

}  // namespace

class AccessibilityTest : public WindowTest {
  Q_OBJECT

 private Q_SLOTS:
  void everythingReachableHasAName();
  void theTreeHoldsNoUnnamedObject();
  void keysAreNamedAsTheyAreRead_data();
  void keysAreNamedAsTheyAreRead();
  void theCalculatorsValueIsTheDisplay();
  void eachNewDisplayIsAnnounced_data();
  void eachNewDisplayIsAnnounced();
  void theTapeTellsItsSelection();
  void thePicturesAreButtonsTabReaches();
};

void AccessibilityTest::everythingReachableHasAName() {
  Harness h;
  QVERIFY(h.Active());
  h.ChooseDecimals(2);
  h.Type(QStringLiteral("12+3="));
  const auto check = [&](const char* when) {
    const QList<QWidget*> reachable = Reachable(&h.Window());
    QVERIFY(reachable.size() >= 4);
    for (QWidget* w : reachable) {
      QVERIFY2(!Announced(w).isEmpty(),
               qPrintable(QStringLiteral("%1: %2 (%3)")
                              .arg(S(when), w->objectName(), S(w->metaObject()->className()))));
    }
  };
  check("calculator");
  QVERIFY(Reachable(&h.Window()).size() > 30);
  // The decimal places list is announced by its label before any choice.
  QVERIFY(
      Announced(h.Find(QStringLiteral("cboDecPlace"))).contains(S("Quantidade de casas decimais")));
  h.DoubleClickLine(0);
  QVERIFY(h.Find(QStringLiteral("fraChangeTape"))->isVisible());
  check("edit panel");
  QCOMPARE(Name(h.Find(QStringLiteral("txtChangeTo"))), S("Novo número"));
  // Tab into the operation list lands in its text, named for what it holds.
  QCOMPARE(Name(h.Find<QComboBox>(QStringLiteral("cboType"))->lineEdit()), S("Operação"));
  // The list itself is named by its label, as Linux screen readers name one
  // (its own name is the operation it holds).
  QAccessibleInterface* type =
      QAccessible::queryAccessibleInterface(h.Find(QStringLiteral("cboType")));
  QVERIFY(type);
  QStringList labels;
  for (const auto& [label, relation] : type->relations(QAccessible::Label)) {
    labels << label->text(QAccessible::Name);
  }
  QCOMPARE(labels, QStringList{S("Operação")});
  QVERIFY(Announced(h.Find(QStringLiteral("cboType"))).endsWith(S(" Operação")));
}

void AccessibilityTest::theTreeHoldsNoUnnamedObject() {
  Harness h;
  QVERIFY(h.Active());
  h.Type(QStringLiteral("7+8=="));
  QAccessibleInterface* window = QAccessible::queryAccessibleInterface(&h.Window());
  QVERIFY(window);
  QCOMPARE(window->text(QAccessible::Name), S(tally::kProgramTitle));
  QStringList named;
  for (int k = 0; k < window->childCount(); ++k) {
    QAccessibleInterface* child = window->child(k);
    QVERIFY(child);
    if (child->state().invisible) continue;
    const QString name = child->text(QAccessible::Name);
    QVERIFY2(!name.trimmed().isEmpty(),
             qPrintable(QStringLiteral("child %1, role %2, %3")
                            .arg(k)
                            .arg(int(child->role()))
                            .arg(child->object() ? child->object()->objectName() : QString())));
    named << name;
  }
  // Plain boxes and frames are drawn, not objects of their own.
  for (const char* decoration : {"Shape3", "shpButtonShadow0"}) {
    QWidget* w = h.Find(S(decoration));
    QVERIFY2(!w || QAccessible::queryAccessibleInterface(w)->state().invisible, decoration);
  }
  QVERIFY(named.contains(S("Calculadora")));
  QVERIFY(named.contains(S("Visor")));
  QVERIFY(named.contains(S("Grande total")));
  QVERIFY(named.contains(S("Fita de dados")));
}

void AccessibilityTest::keysAreNamedAsTheyAreRead_data() {
  QTest::addColumn<QString>("control");
  QTest::addColumn<QString>("name");
  QTest::newRow("x") << S("cmdOperator2") << S("Multiplicar");
  QTest::newRow("/") << S("cmdOperator0") << S("Dividir");
  QTest::newRow("=") << S("cmdOperator4") << S("Igual");
  QTest::newRow("sqrt") << S("cmdFunction0") << S("Raiz quadrada");
  QTest::newRow("%") << S("cmdFunction1") << S("Porcentagem");
  QTest::newRow("1/x") << S("cmdFunction2") << S("Inverso");
  QTest::newRow("+/-") << S("cmdNegitive") << S("Trocar sinal");
  QTest::newRow("a digit keeps its caption") << S("cmdNumber7") << S("7");
  QTest::newRow("Grande Total less its access key") << S("cmdGrandTotal") << S("Grande Total");
  QTest::newRow("-") << S("cmdOperator3") << S("Subtrair");
  QTest::newRow("+") << S("cmdOperator1") << S("Adicionar");
  QTest::newRow(".") << S("cmdDecimal") << S("Ponto decimal");
  QTest::newRow("C&E") << S("cmdCancelEntry") << S("Cancelar entrada");
  QTest::newRow("&C") << S("cmdCancel") << S("Cancelar operação");
  QTest::newRow("MC") << S("cmdMemory3") << S("Limpar memória");
  QTest::newRow("MR") << S("cmdMemory2") << S("Recuperar memória");
  QTest::newRow("M-") << S("cmdMemory1") << S("Subtrair da memória");
  QTest::newRow("M+") << S("cmdMemory0") << S("Adicionar à memória");
  QTest::newRow("Im&primir") << S("cmdPrint") << S("Imprimir fita");
  QTest::newRow("&Limpar") << S("cmdClear") << S("Limpar fita");
  QTest::newRow("Backspace keeps its caption") << S("cmdBackspace") << S("Backspace");
  QTest::newRow("&Sair less its access key") << S("cmdClose") << S("Sair");
  for (const char* digit : {"0", "1", "2", "3", "4", "5", "6", "8", "9"}) {
    QTest::newRow(digit) << S("cmdNumber") + S(digit) << S(digit);
  }
}

void AccessibilityTest::keysAreNamedAsTheyAreRead() {
  QFETCH(QString, control);
  QFETCH(QString, name);
  Harness h;
  QWidget* button = h.Find(control);
  QVERIFY(button);
  QCOMPARE(Name(button), name);
  QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(button);
  QCOMPARE(accessible->role(), QAccessible::Button);
  // The tooltip, where the button has one, is its description.
  if (!button->toolTip().isEmpty()) {
    QCOMPARE(accessible->text(QAccessible::Description), button->toolTip());
  }
}

void AccessibilityTest::theCalculatorsValueIsTheDisplay() {
  Harness h;
  QVERIFY(h.Active());
  QAccessibleInterface* sink = QAccessible::queryAccessibleInterface(h.Sink());
  QVERIFY(sink);
  QCOMPARE(sink->text(QAccessible::Name), S("Calculadora"));
  QVERIFY(!sink->text(QAccessible::Description).isEmpty());
  QVERIFY(sink->state().focused);
  QVERIFY(sink->valueInterface());
  QCOMPARE(sink->text(QAccessible::Value), S("0."));
  for (const QChar key : QStringLiteral("12.5*4=")) {
    h.Type(QString(key));
    QCOMPARE(sink->text(QAccessible::Value), h.Text("lblResult"));
  }
  QCOMPARE(h.Text("lblResult"), S("50"));
  QCOMPARE(sink->valueInterface()->currentValue().toDouble(), 50.0);
  // Read as a read-only text, the display as it shows.
  QVERIFY(sink->state().readOnly);
  QAccessibleTextInterface* text = sink->textInterface();
  QVERIFY(text);
  QCOMPARE(text->text(0, text->characterCount()), S("50"));
  // The operator label says its operator in words.
  h.Type(QStringLiteral("*"));
  QCOMPARE(Name(h.Find(QStringLiteral("lblOperator"))), S("Operação em uso: Multiplicar"));
}

void AccessibilityTest::eachNewDisplayIsAnnounced_data() {
  QTest::addColumn<QString>("keys");
  // The display after each key, worked out by hand; a key that leaves it as
  // it was is announced by nobody.
  QTest::addColumn<QStringList>("displays");
  QTest::newRow("an entry, an operator, the result")
      << S("12.5*4=") << L({"1.", "12.", "12.", "12.5", "12.5", "4.", "50"});
  QTest::newRow("a key the calculator does not read") << S("7q") << L({"7.", "7."});
  QTest::newRow("a new calculation, twice") << S("9cc") << L({"9.", ".", "."});
}

void AccessibilityTest::eachNewDisplayIsAnnounced() {
  QFETCH(QString, keys);
  QFETCH(QStringList, displays);
  QCOMPARE(displays.size(), keys.size());
  Harness h;
  QVERIFY(h.Active());
  const ScreenReader reader;
  if (const QString why = ScreenReader::WhyDeaf(); !why.isEmpty()) QSKIP(qPrintable(why));
  const QObject* calculator = h.Sink();
  const QObject* display = h.Find(QStringLiteral("lblResult"));
  QString shown = h.Text("lblResult");
  ScreenReader::Forget();
  for (qsizetype k = 0; k < keys.size(); ++k) {
    h.Type(keys.mid(k, 1));
    const QStringList expected = displays[k] == shown ? QStringList() : QStringList{displays[k]};
    shown = displays[k];
    QCOMPARE(h.Text("lblResult"), shown);
    // The calculator, which holds the focus, and the display itself.
    QCOMPARE(ScreenReader::TakeValues(calculator), expected);
    QCOMPARE(ScreenReader::TakeValues(display), expected);
  }
}

void AccessibilityTest::theTapeTellsItsSelection() {
  Harness h;
  QVERIFY(h.Active());
  const ScreenReader reader;
  if (const QString why = ScreenReader::WhyDeaf(); !why.isEmpty()) QSKIP(qPrintable(why));
  const QObject* tape = h.Tape();
  ScreenReader::Forget();
  // Each new line is selected in its place, the one before no longer.
  h.Type(QStringLiteral("12+"));
  QCOMPARE(ScreenReader::TakeChildren(tape, QAccessible::SelectionAdd), QList<int>{0});
  h.Type(QStringLiteral("3+"));
  QCOMPARE(ScreenReader::TakeChildren(tape, QAccessible::SelectionAdd), QList<int>{1});
  QCOMPARE(ScreenReader::TakeChildren(tape, QAccessible::SelectionRemove), QList<int>{0});
  // The line under the cursor is told as the focus only while the tape has it.
  QCOMPARE(ScreenReader::TakeChildren(tape, QAccessible::Focus), QList<int>{});
  h.Tape()->setFocus(Qt::TabFocusReason);
  ScreenReader::Forget();
  QTest::keyClick(h.Tape(), Qt::Key_Up);
  QCOMPARE(ScreenReader::TakeChildren(tape, QAccessible::Focus), QList<int>{0});
  QCOMPARE(ScreenReader::TakeChildren(tape, QAccessible::SelectionAdd), QList<int>{0});
  QCOMPARE(ScreenReader::TakeChildren(tape, QAccessible::SelectionRemove), QList<int>{1});
}

void AccessibilityTest::thePicturesAreButtonsTabReaches() {
  Harness h;
  QVERIFY(h.Active());
  const QStringList pictures{S("Image1"), S("Image2"), S("Image3")};
  QStringList reached;
  QWidget* focus = h.Sink();
  for (int k = 0; k < 80 && reached.size() < pictures.size(); ++k) {
    QTest::keyClick(focus, Qt::Key_Tab);
    focus = QApplication::focusWidget();
    if (pictures.contains(focus->objectName()) && !reached.contains(focus->objectName())) {
      reached << focus->objectName();
    }
  }
  QCOMPARE(reached, pictures);
  for (const QString& picture : pictures) {
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(h.Find(picture));
    QCOMPARE(accessible->role(), QAccessible::Button);
    QVERIFY2(!accessible->text(QAccessible::Name).isEmpty(), qPrintable(picture));
  }
  QCOMPARE(Name(h.Find(QStringLiteral("Image3"))), S("Licença de uso"));

  // Space on the focused terms picture opens the terms window.
  StopWatching();
  ModalAnswerer terms;
  QWidget* image3 = h.Find(QStringLiteral("Image3"));
  image3->setFocus(Qt::TabFocusReason);
  QTest::keyClick(image3, Qt::Key_Space);
  QCOMPARE(terms.seen.size(), 1);
  QCOMPARE(terms.seen[0].objectName, S("frmLicença"));
}

QTEST_MAIN(AccessibilityTest)
#include "accessibility_test.moc"
