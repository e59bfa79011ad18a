// Undo and redo in the window (Ctrl+Z, Ctrl+Shift+Z, Ctrl+Y and the tape's
// menu), and the question before a typed letter closes an unsaved tape.

#include <QFile>
#include <QSettings>

#include "host/settings.h"
#include "tape/tape.h"
#include "tape/tape_file.h"
#include "window_harness.h"

using tally::testing::L;
using tally::testing::S;
using tally::ui::frmCalculator;
using tally::ui::testing::Answers;
using tally::ui::testing::Harness;
using tally::ui::testing::ModalAnswerer;

namespace {

const char* const kQuestion = "Fechar o Tallyroller? A fita não foi salva e será perdida.";

}  // namespace

class UndoWindowTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void clearOfAFullTapeIsUndone();
  void shortcutsAndTheMenusItems();
  void undoShowsTheDecimalPlacesWithoutStoringThem();
  void aTypedLetterAsksBeforeLosingTheTape();
  void enterAndEscapeKeepTheWindow();
  void noQuestionAfterSavingWithKeepingOrForSair();
};

void UndoWindowTest::clearOfAFullTapeIsUndone() {
  Harness h;
  QVERIFY(h.Active());
  tally::Tape full;
  for (int k = 0; k < tally::Tape::kMaxLines; ++k) {
    full.AppendDirect(tally::TapeLine("+ " + std::to_string(k % 97 + 1)));
  }
  const QString path = h.TempPath(S("cheia.txt"));
  {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray::fromStdString(tally::TapeFileText(full)));
  }
  Answers answers;
  answers.file = path;
  ModalAnswerer answerer({}, std::ref(answers));
  QTest::keyClick(h.FocusTarget(), Qt::Key_O, Qt::ControlModifier);
  QCOMPARE(h.Calc().GetTape().Count(), tally::Tape::kMaxLines);
  QVERIFY(h.Reactivate());
  const QModelIndex line = h.Tape()->model()->index(1234, 0);
  h.Tape()->scrollTo(line);
  QTest::mouseClick(h.Tape()->viewport(), Qt::LeftButton, {}, h.Tape()->visualRect(line).center());
  QCOMPARE(h.Calc().GetTape().Selected(), 1234);

  h.Type(S("l"));
  QCOMPARE(h.Tape()->model()->rowCount(), 0);
  QTest::keyClick(h.FocusTarget(), Qt::Key_Z, Qt::ControlModifier);
  QCOMPARE(h.Tape()->model()->rowCount(), tally::Tape::kMaxLines);
  QCOMPARE(h.Calc().GetTape().Selected(), 1234);
  QCOMPARE(h.Tape()->selectionModel()->currentIndex().row(), 1234);
  QCOMPARE(h.TapeLines().first(), S("+ 1"));
  QCOMPARE(h.TapeLines().last(), S("+ 77"));
  // Redone, the tape is empty again.
  QTest::keyClick(h.FocusTarget(), Qt::Key_Y, Qt::ControlModifier);
  QCOMPARE(h.Tape()->model()->rowCount(), 0);
}

void UndoWindowTest::shortcutsAndTheMenusItems() {
  Harness h;
  QVERIFY(h.Active());
  Answers answers;
  ModalAnswerer answerer({}, std::ref(answers));
  const auto menu = [&] {
    QTest::keyClick(h.FocusTarget(), Qt::Key_F10, Qt::ShiftModifier);
    // The window's shortcuts wait until it is active again after the menu.
    h.Reactivate();
    // Undo and redo lead the menu.
    return answers.menus.isEmpty() ? QString()
                                   : answers.menus.last().section(QLatin1Char('|'), 0, 1);
  };
  QCOMPARE(menu(), S("Desfazer (off)|Refazer (off)"));
  h.Type(S("12+3+"));
  QCOMPARE(menu(), S("Desfazer|Refazer (off)"));
  QTest::keyClick(h.FocusTarget(), Qt::Key_Z, Qt::ControlModifier);
  QCOMPARE(h.TapeLines(), L({"+ 12"}));
  QCOMPARE(h.Text("lblResult"), S("3."));
  QCOMPARE(menu(), S("Desfazer|Refazer"));
  QTest::keyClick(h.FocusTarget(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  QCOMPARE(h.TapeLines(), L({"+ 12", "+ 3"}));
  QCOMPARE(menu(), S("Desfazer|Refazer (off)"));
  // From the menu itself.
  answers.menuItem = S("Desfazer");
  menu();
  QCOMPARE(h.TapeLines(), L({"+ 12"}));
  answers.menuItem = S("Refazer");
  menu();
  QCOMPARE(h.TapeLines(), L({"+ 12", "+ 3"}));
  answers.menuItem.clear();
  // Five keys, five steps: all undone, nothing is left to undo.
  for (int k = 0; k < 5; ++k) QTest::keyClick(h.FocusTarget(), Qt::Key_Z, Qt::ControlModifier);
  QCOMPARE(h.TapeLines(), QStringList());
  QCOMPARE(menu(), S("Desfazer (off)|Refazer"));
  // The screen reader's value follows the display an undo brought back.
  for (int k = 0; k < 2; ++k) QTest::keyClick(h.FocusTarget(), Qt::Key_Y, Qt::ControlModifier);
  QCOMPARE(h.Text("lblResult"), S("12."));
  // A new key drops what could be redone.
  h.Type(S("5"));
  QCOMPARE(menu(), S("Desfazer|Refazer (off)"));
}

void UndoWindowTest::undoShowsTheDecimalPlacesWithoutStoringThem() {
  Harness h;
  QVERIFY(h.Active());
  h.ChooseDecimals(2);
  h.ChooseDecimals(4);
  auto* list = h.Find<QComboBox>(S("cboDecPlace"));
  const auto stored = [] {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, S(tally::kProgramTitle),
                     S(tally::kProgramTitle))
        .value(S("Options/CalculatorFP"))
        .toInt();
  };
  QCOMPARE(stored(), 4);
  QTest::keyClick(h.FocusTarget(), Qt::Key_Z, Qt::ControlModifier);
  QCOMPARE(list->currentIndex(), 2);
  QCOMPARE(h.Calc().State().NumberFormat, std::string("#0.00"));
  QTest::keyClick(h.FocusTarget(), Qt::Key_Z, Qt::ControlModifier);
  QCOMPARE(list->currentIndex(), -1);
  QCOMPARE(stored(), 4);
}

void UndoWindowTest::aTypedLetterAsksBeforeLosingTheTape() {
  for (const char* letter : {"x", "X", "s", "S"}) {
    Harness h;
    QVERIFY(h.Active());
    h.Type(S("12+"));
    Answers answers;
    answers.yes = false;
    ModalAnswerer answerer({}, std::ref(answers));
    h.Type(S(letter));
    QCOMPARE(answers.questions, QStringList{S(kQuestion)});
    QCOMPARE(answers.buttons, QStringList{S("Cancelar*|Fechar")});
    QVERIFY(h.Window().isVisible());
    QCOMPARE(h.TapeLines(), L({"+ 12"}));
    answers.yes = true;
    QVERIFY(h.Reactivate());
    h.Type(S(letter));
    QCOMPARE(answers.questions.size(), 2);
    QVERIFY(!h.Window().isVisible());
  }
}

void UndoWindowTest::enterAndEscapeKeepTheWindow() {
  for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
    Harness h;
    QVERIFY(h.Active());
    h.Type(S("12+"));
    QString seen;
    ModalAnswerer answerer({}, [&](QWidget* shown) {
      seen =
          qobject_cast<QMessageBox*>(shown) ? qobject_cast<QMessageBox*>(shown)->text() : QString();
      QTest::keyClick(shown, key);
    });
    h.Type(S("x"));
    QCOMPARE(seen, S(kQuestion));
    QVERIFY(h.Window().isVisible());
  }
}

void UndoWindowTest::noQuestionAfterSavingWithKeepingOrForSair() {
  {  // Saved: nothing to lose.
    Harness h;
    QVERIFY(h.Active());
    h.Type(S("12+"));
    Answers answers;
    answers.file = h.TempPath(S("fita.txt"));
    ModalAnswerer answerer({}, std::ref(answers));
    QTest::keyClick(h.FocusTarget(), Qt::Key_S, Qt::ControlModifier);
    QVERIFY(QFile::exists(answers.file));
    QVERIFY(h.Reactivate());
    h.Type(S("x"));
    QCOMPARE(answers.questions, QStringList());
    QVERIFY(!h.Window().isVisible());
  }
  {  // An empty tape, then keeping on.
    Harness h;
    QVERIFY(h.Active());
    Answers answers;
    ModalAnswerer answerer({}, std::ref(answers));
    h.Type(S("12+l"));
    h.Type(S("x"));
    QCOMPARE(answers.questions, QStringList());
    QVERIFY(!h.Window().isVisible());
  }
  {
    frmCalculator::Options options;
    options.decimalSeparator = ",";
    QTemporaryDir dir;
    options.keptSession = dir.filePath(S("sessao"));
    tally::host::StoreKeepSession(true);
    Harness h(std::move(options));
    tally::host::StoreKeepSession(false);
    QVERIFY(h.Active());
    Answers answers;
    ModalAnswerer answerer({}, std::ref(answers));
    h.Type(S("12+x"));
    QCOMPARE(answers.questions, QStringList());
    QVERIFY(!h.Window().isVisible());
  }
  {  // "Sair" closes as before.
    Harness h;
    QVERIFY(h.Active());
    Answers answers;
    ModalAnswerer answerer({}, std::ref(answers));
    h.Type(S("12+"));
    QVERIFY(h.Click(S("Sair")));
    QCOMPARE(answers.questions, QStringList());
    QVERIFY(!h.Window().isVisible());
  }
}

QTEST_MAIN(UndoWindowTest)
#include "undo_window_test.moc"
