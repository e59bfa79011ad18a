// Add mode in the real window: the item of the tape's menu, the mark beside
// the operator label, and the setting that brings it back at the next start.

#include <QAccessible>
#include <QFile>
#include <QMenu>
#include <QSettings>

#include "host/settings.h"
#include "window_harness.h"

using tally::testing::L;
using tally::testing::S;
using tally::ui::testing::Answers;
using tally::ui::testing::Harness;
using tally::ui::testing::ModalAnswerer;

namespace {

// Opens the tape's menu from the keyboard and picks "Modo adição", or only
// looks at it; says whether the item was checked when the menu opened.
bool AddModeItem(Harness& h, bool pick) {
  const QString item = S("Modo adição");
  bool checked = false;
  bool found = false;
  Answers answers;
  if (pick) answers.menuItem = item;
  const auto look = [&](QWidget* shown) {
    auto* menu = qobject_cast<QMenu*>(shown);
    if (!menu) return;
    for (QAction* action : menu->actions()) {
      if (action->text() != item) continue;
      found = action->isCheckable() && action->isEnabled();
      checked = action->isChecked();
    }
  };
  ModalAnswerer answerer(look, std::ref(answers));
  QTest::keyClick(h.FocusTarget(), Qt::Key_F10, Qt::ShiftModifier);
  [&] { QVERIFY(h.Reactivate()); }();
  [&] { QVERIFY2(found, "no checkable item \"Modo adição\" in the tape's menu"); }();
  return checked;
}

}  // namespace

class AddModeWindowTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void init();
  void theItemTheMarkAndTheSettingAcrossARestart();
  void theMarkStandsBesideTheOperatorLabel();
  void theSettingDecidesOverAKeptSession();

 private:
  // The settings file as text, not through the program's own reading of it.
  QString SettingsText() const {
    QFile file(dir_.filePath(S("config/Tallyroller/Tallyroller.conf")));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
  }

  QTemporaryDir dir_;
};

void AddModeWindowTest::init() {
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir_.filePath(S("config")));
  QFile::remove(dir_.filePath(S("config/Tallyroller/Tallyroller.conf")));
}

void AddModeWindowTest::theItemTheMarkAndTheSettingAcrossARestart() {
  {
    Harness h;
    QVERIFY(h.Active());
    QWidget* mark = h.Find(S("lblAddMode"));
    QVERIFY(mark);
    QVERIFY(!mark->isVisible());
    QVERIFY(!AddModeItem(h, false));
    QVERIFY(!SettingsText().contains(S("AddMode")));

    h.ChooseDecimals(2);
    QVERIFY(!AddModeItem(h, true));
    QVERIFY(mark->isVisible());
    QCOMPARE(h.Text("lblAddMode"), S("A"));
    QAccessibleInterface* spoken = QAccessible::queryAccessibleInterface(mark);
    QVERIFY(spoken);
    QCOMPARE(spoken->text(QAccessible::Name), S("Modo adição ligado"));
    QVERIFY(SettingsText().contains(S("[Options]")));
    QVERIFY(SettingsText().contains(S("AddMode=1")));
    QCOMPARE(h.Window().focusWidget(), h.Sink());

    h.Type(S("1234+5="));
    QCOMPARE(h.TapeLines(), L({"+ 12,34", "+ 0,05", "= 12,39"}));
    QCOMPARE(h.Text("lblResult"), S("12,39"));
    h.Window().close();
  }
  {
    // The next start is in add mode.
    Harness again;
    QVERIFY(again.Active());
    QVERIFY(again.Find(S("lblAddMode"))->isVisible());
    QVERIFY(AddModeItem(again, false));
    again.ChooseDecimals(2);
    again.Type(S("2550-"));
    QCOMPARE(again.TapeLines(), L({"+ 25,50"}));

    // Turned off, keys are whole numbers again, and that is kept too.
    QVERIFY(AddModeItem(again, true));
    QVERIFY(!again.Find(S("lblAddMode"))->isVisible());
    QVERIFY(SettingsText().contains(S("AddMode=0")));
    again.Type(S("100="));
    QCOMPARE(again.TapeLines(), L({"+ 25,50", "– 100,00", "= -74,50"}));
    again.Window().close();
  }
  Harness third;
  QVERIFY(third.Active());
  QVERIFY(!third.Find(S("lblAddMode"))->isVisible());
  QVERIFY(!AddModeItem(third, false));
}

void AddModeWindowTest::theMarkStandsBesideTheOperatorLabel() {
  Harness h;
  QVERIFY(h.Active());
  QVERIFY(!AddModeItem(h, true));
  h.Type(S("12*"));
  auto* mark = h.Find<QLabel>(S("lblAddMode"));
  QWidget* op = h.Find(S("lblOperator"));
  QWidget* display = h.Find(S("lblResult"));
  QVERIFY(mark->isVisible());
  // Within the operator label's column, clear of the display, and the whole
  // "A" fits in it.
  QVERIFY(mark->geometry().left() >= op->geometry().left());
  QVERIFY(mark->geometry().right() <= op->geometry().right() + 1);
  QVERIFY(mark->geometry().right() < display->geometry().left());
  QVERIFY(mark->geometry().top() >= op->geometry().top());
  const QFontMetrics metrics(mark->font());
  QVERIFY(metrics.horizontalAdvance(S("A")) <= mark->contentsRect().width());
  QVERIFY(metrics.height() <= mark->contentsRect().height());
  QCOMPARE(h.Text("lblOperator"), S("x"));
}

void AddModeWindowTest::theSettingDecidesOverAKeptSession() {
  tally::host::StoreKeepSession(true);
  tally::ui::frmCalculator::Options options;
  options.decimalSeparator = ",";
  options.keptSession = dir_.filePath(S("data/KeptSession.journal"));
  {
    Harness h(options);
    QVERIFY(h.Active());
    QVERIFY(!AddModeItem(h, true));
    h.Type(S("12"));
    h.Window().close();
  }
  {
    // Kept and set: the entry goes on in add mode.
    Harness again(options);
    QVERIFY(again.Active());
    QVERIFY(again.Find(S("lblAddMode"))->isVisible());
    QCOMPARE(again.Text("lblResult"), S("12."));
    again.Window().close();
  }
  // The session still says on; the setting, changed meanwhile, says off.
  tally::host::StoreAddMode(false);
  Harness third(options);
  QVERIFY(third.Active());
  QVERIFY(!third.Find(S("lblAddMode"))->isVisible());
  third.Type(S("34+"));
  QCOMPARE(third.TapeLines(), L({"+ 1234"}));
  tally::host::StoreKeepSession(false);
}

QTEST_MAIN(AddModeWindowTest)
#include "add_mode_window_test.moc"
