// The clipboard shortcuts, the tape's menu, saving, opening and exporting
// the tape through the window's dialogs, and the offer of a PDF when no
// printer is there.

#include <QClipboard>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QPrinterInfo>

#include "host/settings.h"
#include "window_harness.h"

using tally::testing::L;
using tally::testing::S;
using tally::ui::testing::Answers;
using tally::ui::testing::Harness;
using tally::ui::testing::ModalAnswerer;
using tally::ui::testing::ReadFile;

class TapeDocumentsWindowTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void initTestCase();
  void clipboardShortcutsAreNotKeysOfTheCalculator();
  void pasteRefusesWhatIsNotANumber();
  void thePanelsFieldKeepsItsOwnClipboard();
  void theTapesMenuFromTheMouseAndTheKeyboard();
  void savedAndOpenedThroughTheDialogs();
  void exportsFromTheMenu();
  void noPrinterOffersAPdf();
};

void TapeDocumentsWindowTest::initTestCase() {
  // No tape opened or saved by an earlier run is among the recent ones.
  for (const QString& path : tally::host::StoredRecentTapes()) tally::host::RemoveRecentTape(path);
}

void TapeDocumentsWindowTest::clipboardShortcutsAreNotKeysOfTheCalculator() {
  Harness h;
  QVERIFY(h.Active());
  QClipboard* clipboard = QGuiApplication::clipboard();
  h.Type(S("12+3=4.5"));
  QTest::keyClick(h.FocusTarget(), Qt::Key_C, Qt::ControlModifier);
  QCOMPARE(clipboard->text(), S("4,5"));
  QCOMPARE(h.Text("lblResult"), S("4.5"));  // "C" did not cancel
  QTest::keyClick(h.FocusTarget(), Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
  QCOMPARE(clipboard->text(), S("+ 12\n+ 3\n= 15\n***********************\n"));

  clipboard->setText(S("R$ 1.234,56"));
  QTest::keyClick(h.FocusTarget(), Qt::Key_V, Qt::ControlModifier);
  QCOMPARE(h.Text("lblResult"), S("1234.56"));
  h.Type(S("+"));
  QCOMPARE(h.TapeLines().last(), S("+ 1234,56"));
  QCOMPARE(h.Window().focusWidget(), h.Sink());
}

void TapeDocumentsWindowTest::pasteRefusesWhatIsNotANumber() {
  Harness h;
  h.Type(S("7"));
  QGuiApplication::clipboard()->setText(S("sete reais"));
  ModalAnswerer answerer;
  QTest::keyClick(h.FocusTarget(), Qt::Key_V, Qt::ControlModifier);
  QCOMPARE(answerer.seen.size(), 1);
  QCOMPARE(answerer.seen[0].title, S(tally::kProgramTitle));
  QCOMPARE(answerer.seen[0].text, S(tally::kNotANumberText));
  QCOMPARE(h.Text("lblResult"), S("7."));
  h.Type(S("+"));
  QCOMPARE(h.TapeLines(), L({"+ 7"}));
}

void TapeDocumentsWindowTest::thePanelsFieldKeepsItsOwnClipboard() {
  Harness h;
  h.Type(S("4+4="));
  h.DoubleClickLine(0);
  auto* field = h.Find<QLineEdit>(S("txtChangeTo"));
  QCOMPARE(QApplication::focusWidget(), field);
  QGuiApplication::clipboard()->setText(S("99"));
  QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
  QCOMPARE(field->text(), S("99"));
  QCOMPARE(h.Text("lblResult"), S("8"));
}

void TapeDocumentsWindowTest::theTapesMenuFromTheMouseAndTheKeyboard() {
  Harness h;
  QVERIFY(h.Active());
  h.Type(S("12+3="));
  Answers answers;
  answers.menuItem = S("Copiar esta linha");
  ModalAnswerer answerer({}, std::ref(answers));

  // A right click on the second line copies that line.
  h.RightClickLine(1);
  QCOMPARE(answers.menus.size(), 1);
  QCOMPARE(answers.menus[0], S("Desfazer|Refazer (off)|Copiar esta linha|Copiar a fita|Anotar linha…|"
                               "Usar este número|Apagar linha|Inserir linha antes…|Salvar a fita…|"
                               "Abrir uma fita…|Fitas recentes (off)|Exportar CSV…|Exportar PDF…|"
                               "Imprimir…|Modo adição|Continuar de onde parei|Ajuda|"
                               "Sobre o Tallyroller"));
  QCOMPARE(QGuiApplication::clipboard()->text(), S("+ 3"));
  QCOMPARE(h.Window().focusWidget(), h.Sink());

  // Shift+F10, and the Menu key (a context menu event from the keyboard):
  // the selected line is the newest one.
  QTest::keyClick(h.FocusTarget(), Qt::Key_F10, Qt::ShiftModifier);
  QCOMPARE(answers.menus.size(), 2);
  QCOMPARE(QGuiApplication::clipboard()->text(), S("= 15"));
  QContextMenuEvent key(QContextMenuEvent::Keyboard, QPoint(), QPoint());
  QApplication::sendEvent(h.Sink(), &key);
  QCOMPARE(answers.menus.size(), 3);

  // On an empty tape only opening is offered.
  h.Type(S("l"));
  QTest::keyClick(h.FocusTarget(), Qt::Key_F10, Qt::ShiftModifier);
  QCOMPARE(answers.menus.last(),
           S("Desfazer|Refazer (off)|Copiar esta linha (off)|Copiar a fita (off)|Anotar linha… (off)|"
             "Usar este número (off)|Apagar linha (off)|Inserir linha antes… (off)|"
             "Salvar a fita… (off)|Abrir uma fita…|Fitas recentes (off)|Exportar CSV… (off)|"
             "Exportar PDF… (off)|Imprimir… (off)|Modo adição|Continuar de onde parei|Ajuda|"
             "Sobre o Tallyroller"));
  QCOMPARE(h.Text("lblResult"), S("15"));
}

void TapeDocumentsWindowTest::savedAndOpenedThroughTheDialogs() {
  Harness h;
  QVERIFY(h.Active());
  h.ChooseDecimals(2);
  h.Type(S("12+3.5=+4=="));
  const QStringList tape = h.TapeLines();
  const QString path = h.TempPath(S("fita"));
  Answers answers;
  answers.file = path;
  ModalAnswerer answerer({}, std::ref(answers));

  QTest::keyClick(h.FocusTarget(), Qt::Key_S, Qt::ControlModifier);
  // The dialog adds the tape files' suffix.
  QCOMPARE(ReadFile(path + S(".fita")), tape.join(QLatin1Char('\n')) + QLatin1Char('\n'));
  QCOMPARE(h.Window().focusWidget(), h.Sink());

  answers.file = path + S(".fita");
  QVERIFY(h.Reactivate());
  h.Type(S("l"));
  QVERIFY(h.TapeLines().isEmpty());
  QTest::keyClick(h.FocusTarget(), Qt::Key_O, Qt::ControlModifier);
  QCOMPARE(h.TapeLines(), tape);
  QCOMPARE(h.Text("lblGrandTotal"), S("19,50 "));
  QCOMPARE(h.Text("lblResult"), S("."));
  QCOMPARE(answerer.seen.size(), 2);  // two file dialogs, no question on an empty tape

  // Over a tape that is not empty the user is asked; No changes nothing.
  QVERIFY(h.Reactivate());
  h.Type(S("7+"));
  answers.yes = false;
  QTest::keyClick(h.FocusTarget(), Qt::Key_O, Qt::ControlModifier);
  QCOMPARE(answerer.seen.last().className, S("QMessageBox"));
  QCOMPARE(h.TapeLines().last(), S("+ 7,00"));
}

void TapeDocumentsWindowTest::exportsFromTheMenu() {
  Harness h;
  QVERIFY(h.Active());
  h.Type(S("12+3="));
  Answers answers;
  ModalAnswerer answerer({}, std::ref(answers));
  for (const auto& [item, name] : {std::pair{S("Exportar CSV…"), S("fita.csv")},
                                   std::pair{S("Exportar PDF…"), S("fita.pdf")}}) {
    answers.menuItem = item;
    answers.file = h.TempPath(name);
    QVERIFY(h.Reactivate());
    QTest::keyClick(h.FocusTarget(), Qt::Key_F10, Qt::ShiftModifier);
    QVERIFY2(QFileInfo(answers.file).size() > 0, qPrintable(name));
  }
  QVERIFY(ReadFile(h.TempPath(S("fita.csv"))).contains(S("3;total;=;15;\r\n")));
  QFile pdf(h.TempPath(S("fita.pdf")));
  QVERIFY(pdf.open(QIODevice::ReadOnly));
  QVERIFY(pdf.read(5) == "%PDF-");
}

void TapeDocumentsWindowTest::noPrinterOffersAPdf() {
  if (!QPrinterInfo::defaultPrinter().isNull()) QSKIP("this machine has a printer");
  Harness h;
  QVERIFY(h.Active());
  h.Type(S("12+3="));
  Answers answers;
  answers.yes = false;
  ModalAnswerer answerer({}, std::ref(answers));
  QVERIFY(h.Click(S("Imprimir")));
  QCOMPARE(answerer.seen.size(), 1);
  QCOMPARE(answerer.seen[0].text,
           S("Nenhuma impressora está disponível. Deseja salvar a fita como PDF?"));
  QVERIFY(h.Window().isEnabled());
  QCOMPARE(h.Window().focusWidget(), h.Sink());

  answers.yes = true;
  answers.file = h.TempPath(S("fita.pdf"));
  h.Type(S("p"));
  QCOMPARE(answerer.seen.size(), 3);  // the question, then the file dialog
  QVERIFY(QFileInfo(answers.file).size() > 0);
  QCOMPARE(h.TapeLines(), L({"+ 12", "+ 3", "= 15"}));
  QCOMPARE(h.Window().focusWidget(), h.Sink());
}

QTEST_MAIN(TapeDocumentsWindowTest)
#include "tape_documents_window_test.moc"
