// What a screen reader gets: a name on everything a user can reach, the
// calculator (the focus sink) with the display as its value and a value
// change on every new display, keys named as they are read, pictures that
// are buttons, and no unnamed decoration in the tree.

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleTextInterface>
#include <QAccessibleValueInterface>
#include <QComboBox>
#include <QLineEdit>
#include <QSettings>

#include <memory>

#include "engine/keypad.h"
#include "ui/window_layout.h"
#include "window_harness.h"

using tally::testing::S;
using tally::ui::testing::Harness;
using tally::ui::testing::ModalAnswerer;

namespace {

// Records the values a widget announces.
class Announcements final : public QObject {
  Q_OBJECT

 public:
  QStringList values;

 public Q_SLOTS:
  void Record(const QString& value) { values << value; }
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

class AccessibilityTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void initTestCase();
  void init();
  void cleanup();

  void everythingReachableHasAName();
  void theTreeHoldsNoUnnamedObject();
  void keysAreNamedAsTheyAreRead_data();
  void keysAreNamedAsTheyAreRead();
  void theCalculatorsValueIsTheDisplay();
  void thePicturesAreButtonsTabReaches();

 private:
  QTemporaryDir settingsDir_;
  std::unique_ptr<ModalAnswerer> answerer_;
};

void AccessibilityTest::initTestCase() {
  QVERIFY(settingsDir_.isValid());
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir_.path());
}

void AccessibilityTest::init() { answerer_ = std::make_unique<ModalAnswerer>(); }

void AccessibilityTest::cleanup() {
  const bool quiet = !answerer_ || answerer_->seen.isEmpty();
  answerer_.reset();
  QVERIFY2(quiet, "no message box was expected");
}

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
  // Every row of the button table names its button.
  for (const tally::Button& b : tally::kButtons) {
    QWidget* w =
        h.Find(QString::fromUtf8(b.control.data(), static_cast<qsizetype>(b.control.size())));
    QVERIFY(w);
    QCOMPARE(Name(w), tally::ui::SpokenName(b));
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

  // Qt passes an announcement on only where a screen reader listens; the
  // sink tells each one it makes.
  Announcements changes;
  QVERIFY(QObject::connect(h.Sink(), SIGNAL(accessibleValueChanged(QString)), &changes,
                           SLOT(Record(QString))));
  QStringList displays;
  for (const QChar key : QStringLiteral("12.5*4=")) {
    h.Type(QString(key));
    QCOMPARE(sink->text(QAccessible::Value), h.Text("lblResult"));
    if (displays.isEmpty() || displays.last() != h.Text("lblResult")) {
      displays << h.Text("lblResult");
    }
  }
  QCOMPARE(h.Text("lblResult"), S("50"));
  QCOMPARE(sink->valueInterface()->currentValue().toDouble(), 50.0);
  // Read as a read-only text, the display as it shows.
  QVERIFY(sink->state().readOnly);
  QAccessibleTextInterface* text = sink->textInterface();
  QVERIFY(text);
  QCOMPARE(text->text(0, text->characterCount()), S("50"));
  // Every new display was announced, the result last.
  QCOMPARE(changes.values, displays);
  // The operator label says its operator in words.
  h.Type(QStringLiteral("*"));
  QCOMPARE(Name(h.Find(QStringLiteral("lblOperator"))), S("Operação em uso: Multiplicar"));
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
  answerer_.reset();
  ModalAnswerer terms;
  QWidget* image3 = h.Find(QStringLiteral("Image3"));
  image3->setFocus(Qt::TabFocusReason);
  QTest::keyClick(image3, Qt::Key_Space);
  QCOMPARE(terms.seen.size(), 1);
  QCOMPARE(terms.seen[0].objectName, S("frmLicença"));
}

QTEST_MAIN(AccessibilityTest)
#include "accessibility_test.moc"
