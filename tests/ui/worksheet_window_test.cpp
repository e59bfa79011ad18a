// The tape as a worksheet in the window: notes through Ctrl+N and the menu,
// Delete on the tape, the tape moved from the calculator's keys, F2, the
// menu's greyed items, the item count and the line layout.

#include <QAccessible>
#include <QFontMetricsF>
#include <QLineEdit>

#include "ui/tape_model.h"
#include "ui/tape_view.h"
#include "window_harness.h"
#include "window_test.h"

using tally::testing::S;
using tally::ui::TapeListView;
using tally::ui::TapeModel;
using tally::ui::testing::Answers;
using tally::ui::testing::Harness;
using tally::ui::testing::ModalAnswerer;

namespace {

int Selected(Harness& h) { return h.Calc().GetTape().Selected(); }

}  // namespace

// Each test answers its own windows, with the settings in a folder of its own.
class WorksheetWindowTest : public tally::ui::testing::WindowTest {
  Q_OBJECT

 public:
  WorksheetWindowTest() : WindowTest(Dialogs::AnsweredByTheTest) {}

 private Q_SLOTS:
  void ctrlNNotesTheSelectedLine();
  void deleteOnTheTapeRemovesTheLine();
  void theCalculatorsKeysMoveOnTheTape();
  void theMenuGreysWhatCannotApply();
  void insertAndUseFromTheMenu();
  void theItemCountFollowsTheKeys();
  void linesStandInAColumnOfEqualDigits();
};

void WorksheetWindowTest::ctrlNNotesTheSelectedLine() {
  Harness h;
  QVERIFY(h.Active());
  h.Type(S("12+3="));
  QCOMPARE(Selected(h), 2);
  Answers answers;
  answers.text = S("aluguel");
  {
    ModalAnswerer answerer({}, std::ref(answers));
    h.Window().activateWindow();
    QTest::keyClick(h.FocusTarget(), Qt::Key_N, Qt::ControlModifier);
  }
  QCOMPARE(answers.prefilled, QStringList{QString()});
  QCOMPARE(QString::fromStdString(h.Calc().GetTape().Line(2).note), S("aluguel"));
  QCOMPARE(h.Window().focusWidget(), h.Sink());
  // The note is in the line's tooltip and in what a screen reader reads.
  const QModelIndex index = h.Tape()->model()->index(2, 0);
  QVERIFY(index.data(Qt::ToolTipRole).toString().contains(S("aluguel")));
  QAccessibleInterface* list = QAccessible::queryAccessibleInterface(h.Tape());
  QVERIFY(list);
  QCOMPARE(list->child(2)->text(QAccessible::Name), S("= 15, nota: aluguel"));
  QCOMPARE(list->child(1)->text(QAccessible::Name), S("+ 3"));

  // Opened again, the dialog holds the note; an empty one removes it.
  QVERIFY(h.Reactivate());
  answers.text.clear();
  {
    ModalAnswerer answerer({}, std::ref(answers));
    QTest::keyClick(h.FocusTarget(), Qt::Key_N, Qt::ControlModifier);
  }
  QCOMPARE(answers.prefilled.last(), S("aluguel"));
  QCOMPARE(h.Calc().GetTape().Line(2).note, std::string());
  QCOMPARE(list->child(2)->text(QAccessible::Name), S("= 15"));
}

void WorksheetWindowTest::deleteOnTheTapeRemovesTheLine() {
  Harness h;
  QVERIFY(h.Active());
  h.Type(S("12+5+3="));
  QTest::mouseClick(h.Tape()->viewport(), Qt::LeftButton, {},
                    h.Tape()->visualRect(h.Tape()->model()->index(1, 0)).center());
  QCOMPARE(Selected(h), 1);
  // From the calculator, Delete is no key of the tape.
  QTest::keyClick(h.FocusTarget(), Qt::Key_Delete);
  QCOMPARE(h.TapeLines(), (QStringList{S("+ 12"), S("+ 5"), S("+ 3"), S("= 20")}));
  h.Tape()->setFocus(Qt::TabFocusReason);
  QTest::keyClick(h.Tape(), Qt::Key_Delete);
  QCOMPARE(h.TapeLines(), (QStringList{S("+ 12"), S("+ 3"), S("= 15")}));
  QCOMPARE(Selected(h), 1);
  // A total line is not deleted.
  h.Tape()->setFocus(Qt::TabFocusReason);
  QTest::keyClick(h.Tape(), Qt::Key_End);
  QTest::keyClick(h.Tape(), Qt::Key_Delete);
  QCOMPARE(h.TapeLines(), (QStringList{S("+ 12"), S("+ 3"), S("= 15")}));
}

void WorksheetWindowTest::theCalculatorsKeysMoveOnTheTape() {
  Harness h;
  QVERIFY(h.Active());
  h.Type(S("1+2+3+4+"));
  QCOMPARE(h.Window().focusWidget(), h.Sink());
  const struct {
    Qt::Key key;
    int selected;
  } steps[] = {
      {Qt::Key_Up, 2},     {Qt::Key_Up, 1},      {Qt::Key_Home, 0}, {Qt::Key_Up, 0},
      {Qt::Key_Down, 1},   {Qt::Key_End, 3},     {Qt::Key_Down, 3}, {Qt::Key_PageUp, 0},
      {Qt::Key_PageDown, 3},
  };
  for (const auto& step : steps) {
    QTest::keyClick(h.Sink(), step.key);
    QCOMPARE(Selected(h), step.selected);
    QCOMPARE(h.Tape()->currentIndex().row(), step.selected);
    QCOMPARE(h.Window().focusWidget(), h.Sink());
  }
  QCOMPARE(h.Text("lblResult"), S("10"));
  // F2 opens the edit panel on the selected line, as a double click does.
  QTest::keyClick(h.Sink(), Qt::Key_Up);
  QTest::keyClick(h.Sink(), Qt::Key_F2);
  QVERIFY(h.Calc().Panel().visible);
  QCOMPARE(h.Text("lblChangeFrom"), S("+ 3"));
  QVERIFY(h.Find(S("fraChangeTape"))->isVisible());
}

void WorksheetWindowTest::theMenuGreysWhatCannotApply() {
  Harness h;
  QVERIFY(h.Active());
  h.Type(S("12+3=="));
  Answers answers;
  ModalAnswerer answerer({}, std::ref(answers));
  const QString copy = S("Desfazer|Refazer (off)|Copiar esta linha|Copiar a fita|");
  const QString rest = S("|Salvar a fita…|Abrir uma fita…|Fitas recentes (off)|Exportar CSV…|"
                         "Exportar PDF…|Imprimir…|Modo adição|Continuar de onde parei|Ajuda|"
                         "Sobre o Tallyroller");
  const struct {
    int row;
    const char* items;
  } cases[] = {
      {0, "Anotar linha…|Usar este número|Apagar linha|Inserir linha antes…"},
      {2, "Anotar linha…|Usar este número|Apagar linha (off)|Inserir linha antes… (off)"},
      {3, "Anotar linha…|Usar este número (off)|Apagar linha (off)|Inserir linha antes… (off)"},
  };
  for (const auto& c : cases) {
    h.RightClickLine(c.row);
    QCOMPARE(answers.menus.last(), copy + S(c.items) + rest);
  }
}

void WorksheetWindowTest::insertAndUseFromTheMenu() {
  Harness h;
  QVERIFY(h.Active());
  h.ChooseDecimals(2);
  h.Type(S("12+3="));
  Answers answers;
  answers.menuItem = S("Inserir linha antes…");
  {
    ModalAnswerer answerer({}, std::ref(answers));
    h.RightClickLine(1);
    QTRY_VERIFY(h.Calc().Panel().visible);
  }
  auto* field = h.Find<QLineEdit>(S("txtChangeTo"));
  QCOMPARE(field->text(), QString());
  QCOMPARE(h.Find<QComboBox>(S("cboType"))->currentText(), S("+"));
  QTest::keyClicks(field, S("5"));
  QVERIFY(h.Click(S("Gravar")));
  QCOMPARE(h.TapeLines(), (QStringList{S("+ 12,00"), S("+ 5,00"), S("+ 3,00"), S("= 20,00")}));
  QCOMPARE(Selected(h), 1);

  answers.menuItem = S("Usar este número");
  {
    ModalAnswerer answerer({}, std::ref(answers));
    h.RightClickLine(3);
    QTRY_COMPARE(h.Text("lblResult"), S("20.00"));
  }
  QCOMPARE(h.Calc().State().EntryValue, 20.0);
}

void WorksheetWindowTest::theItemCountFollowsTheKeys() {
  Harness h;
  QVERIFY(h.Active());
  QCOMPARE(h.Text("lblItems"), S("Itens: 0"));
  const struct {
    const char* keys;
    const char* shown;
  } steps[] = {
      {"12+", "Itens: 1"}, {"3+", "Itens: 2"}, {"=", "Itens: 2"},
      {"=", "Itens: 0"},   {"7+", "Itens: 1"}, {"l", "Itens: 0"},
  };
  for (const auto& step : steps) {
    h.Type(S(step.keys));
    QCOMPARE(h.Text("lblItems"), S(step.shown));
  }
  // The count stands at the foot of the tape, inside its frame.
  QWidget* items = h.Find(S("lblItems"));
  QVERIFY(items->geometry().top() >= h.Tape()->geometry().bottom());
  QVERIFY(items->geometry().left() <= h.Tape()->geometry().left() + 2);
  // Also in a window made larger.
  h.Window().resize(h.Window().size() + QSize(200, 100));
  QTRY_VERIFY(items->geometry().top() >= h.Tape()->geometry().bottom());
  QVERIFY(items->geometry().left() <= h.Tape()->geometry().left() + 2);
  QVERIFY(items->geometry().bottom() < h.Button(S("Limpar"))->geometry().top());
}

void WorksheetWindowTest::linesStandInAColumnOfEqualDigits() {
  Harness h;
  QVERIFY(h.Active());
  auto* list = static_cast<TapeListView*>(h.Tape());
  const QFontMetricsF metrics(list->font());
  const qreal zero = metrics.horizontalAdvance(QLatin1Char('0'));
  for (char digit = '1'; digit <= '9'; ++digit) {
    QCOMPARE(metrics.horizontalAdvance(QLatin1Char(digit)), zero);
  }
  h.ChooseDecimals(2);
  h.Type(S("1234.5+6+"));
  // The column is the widest line's; a note widens what is shown past it.
  const int column = list->ColumnWidth();
  QVERIFY(column > 0);
  const int before = list->ContentWidth();
  Answers answers;
  answers.text = S("uma nota comprida sobre a linha");
  {
    ModalAnswerer answerer({}, std::ref(answers));
    QTest::keyClick(h.FocusTarget(), Qt::Key_N, Qt::ControlModifier);
  }
  QCOMPARE(list->ColumnWidth(), column);
  QVERIFY(list->ContentWidth() > before);
  // The right ends of the numbers line up: the last pixel column holding
  // ink is the same on both rows.
  QVERIFY(h.Reactivate());
  const QImage shot = list->viewport()->grab().toImage();
  const auto rightmostInk = [&](int row) {
    const QRect rect = list->visualRect(list->model()->index(row, 0));
    const QColor paper = shot.pixelColor(1, rect.center().y());
    const int end = std::min(shot.width(), column + 8);
    int found = -1;
    for (int x = 0; x < end; ++x) {
      for (int y = rect.top(); y <= rect.bottom(); ++y) {
        if (shot.pixelColor(x, y) != paper) found = std::max(found, x);
      }
    }
    return found;
  };
  QVERIFY(rightmostInk(0) > 0);
  QCOMPARE(rightmostInk(0), rightmostInk(1));
  QCOMPARE(h.TapeLines(), (QStringList{S("+ 1234,50"), S("+ 6,00")}));

  // The separator, wider than the numbers, stays out of the column: the
  // numbers keep in view.
  h.Type(S("=="));
  QCOMPARE(h.TapeLines().last(), S("***********************"));
  QVERIFY(list->ColumnWidth() < metrics.horizontalAdvance(h.TapeLines().last()));
  QVERIFY(list->ContentWidth() >= metrics.horizontalAdvance(h.TapeLines().last()));
}

QTEST_MAIN(WorksheetWindowTest)
#include "worksheet_window_test.moc"
