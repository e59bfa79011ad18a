// The window as a desktop program: a tape named on the command line, a tape
// file dropped on the window, the recent tapes, and the file dialog's
// suggested name and kept folder.

#include <QAction>
#include <QCommandLineParser>
#include <QDate>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QMimeData>
#include <QScopeGuard>
#include <QScrollBar>
#include <QStandardPaths>
#include <QStyle>
#include <QUrl>

#include <string>
#include <utility>
#include <vector>

#include "host/settings.h"
#include "tape/tape_file.h"
#include "ui/command_line.h"
#include "ui/window_layout.h"
#include "window_harness.h"

using tally::testing::L;
using tally::testing::S;
using tally::ui::testing::Harness;
using tally::ui::testing::ModalAnswerer;
using tally::ui::testing::ReadFile;

namespace {

bool WriteFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// A tape file of the lines "+ a", "+ b", "= a+b", as the window saves it.
QByteArray TapeOf(int a, int b) {
  Harness h;
  h.Type(QString::number(a) + S("+") + QString::number(b) + S("="));
  return QByteArray::fromStdString(tally::TapeFileText(h.Calc().GetTape()));
}

QString SettingsFile() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
         S("/Tallyroller/Tallyroller.conf");
}

QStringList MenuTexts(const QMenu* menu) {
  QStringList texts;
  for (const QAction* action : menu->actions()) texts << action->text();
  return texts;
}

// How many of a control's pixels are dark: the arrows a style draws on a
// scroll bar or a drop-down list, which nothing else there is as dark as.
int Ink(QWidget* control) {
  const QImage image = control->grab().toImage();
  int dark = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) dark += qGray(image.pixel(x, y)) < 128 ? 1 : 0;
  }
  return dark;
}

void Drop(QWidget* window, QMimeData* data, bool* entered) {
  const QPoint at(window->width() / 2, window->height() / 2);
  QDragEnterEvent enter(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(window, &enter);
  *entered = enter.isAccepted();
  if (!*entered) return;
  QDropEvent drop(QPointF(at), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(window, &drop);
}

}  // namespace

class DesktopWindowTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void init();
  void theCommandLineNamesATape();
  void aTapeNamedAtStartOpens();
  void aBadTapeAtStartIsRefusedAndTheTapeStaysEmpty();
  void aDroppedTapeOpensAsOpenDoes();
  void whatIsNoFileIsNotTakenByADrop();
  void recentTapesKeepTheLatestEight();
  void aMissingRecentTapeIsDroppedWithAMessage();
  void savingSuggestsTodaysNameInTheKeptFolder();
  void textFilesStillOpen();
  void zoomScalesTheWholeWindowAndIsKept();
  void zoomScalesTheScrollBarsAndTheListsArrows();

 private:
  QTemporaryDir dir_;
};

void DesktopWindowTest::init() {
  // Every test starts from no settings at all.
  QFile::remove(SettingsFile());
  QVERIFY(dir_.isValid());
}

void DesktopWindowTest::theCommandLineNamesATape() {
  const struct {
    QStringList arguments;
    QString file;
  } cases[] = {
      {{S("tallyroller")}, QString()},
      {{S("tallyroller"), S("caixa.fita")}, S("caixa.fita")},
      {{S("tallyroller"), S("/tmp/a b.txt")}, S("/tmp/a b.txt")},
      {{S("tallyroller"), S("--"), S("-x.fita")}, S("-x.fita")},
  };
  for (const auto& c : cases) {
    QCommandLineParser parser;
    tally::ui::DescribeCommandLine(parser);
    QVERIFY2(parser.parse(c.arguments), qPrintable(c.arguments.join(QLatin1Char(' '))));
    QCOMPARE(tally::ui::FileArgument(parser), c.file);
  }
}

void DesktopWindowTest::aTapeNamedAtStartOpens() {
  const QString path = dir_.filePath(S("caixa.fita"));
  QVERIFY(WriteFile(path, TapeOf(12, 3)));
  Harness h;
  ModalAnswerer answerer;
  h.Window().OpenAtStart(path);
  QTRY_COMPARE(h.TapeLines(), L({"+ 12", "+ 3", "= 15"}));
  QVERIFY(answerer.seen.isEmpty());
  QCOMPARE(tally::host::StoredRecentTapes(), QStringList{path});
}

void DesktopWindowTest::aBadTapeAtStartIsRefusedAndTheTapeStaysEmpty() {
  const QString missing = dir_.filePath(S("faltando.fita"));
  const QString notATape = dir_.filePath(S("carta.fita"));
  QVERIFY(WriteFile(notATape, "Prezado senhor,\n"));
  for (const QString& path : {missing, notATape}) {
    Harness h;
    ModalAnswerer answerer;
    h.Window().OpenAtStart(path);
    QTRY_COMPARE(answerer.seen.size(), 1);
    QVERIFY2(answerer.seen[0].text.startsWith(S("Não foi possível abrir \"") + path + S("\": ")),
             qPrintable(answerer.seen[0].text));
    QVERIFY(h.TapeLines().isEmpty());
    // The calculator works as after any start.
    h.Type(S("2+"));
    QCOMPARE(h.TapeLines(), L({"+ 2"}));
  }
  QVERIFY(tally::host::StoredRecentTapes().isEmpty());
}

void DesktopWindowTest::aDroppedTapeOpensAsOpenDoes() {
  const QString path = dir_.filePath(S("solto.fita"));
  QVERIFY(WriteFile(path, TapeOf(4, 6)));
  Harness h;
  h.Type(S("7+"));
  ModalAnswerer answerer;
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(path)});
  bool entered = false;
  Drop(&h.Window(), &data, &entered);
  QVERIFY(entered);
  // The tape had a line: the usual question first (answered yes).
  QTRY_COMPARE(h.TapeLines(), L({"+ 4", "+ 6", "= 10"}));
  QCOMPARE(answerer.seen.size(), 1);
  QCOMPARE(answerer.seen[0].text,
           S("A fita atual será substituída pela fita do arquivo. Deseja continuar?"));
  QCOMPARE(tally::host::StoredRecentTapes(), QStringList{path});
}

void DesktopWindowTest::whatIsNoFileIsNotTakenByADrop() {
  Harness h;
  QMimeData text;
  text.setText(S("+ 12"));
  QMimeData web;
  web.setUrls({QUrl(S("https://example.org/fita.fita"))});
  for (QMimeData* data : {&text, &web}) {
    bool entered = true;
    Drop(&h.Window(), data, &entered);
    QVERIFY(!entered);
  }
  // Nor while the edit panel covers the window.
  h.Type(S("3+"));
  h.DoubleClickLine(0);
  QMimeData file;
  file.setUrls({QUrl::fromLocalFile(dir_.filePath(S("x.fita")))});
  bool entered = true;
  Drop(&h.Window(), &file, &entered);
  QVERIFY(!entered);
}

void DesktopWindowTest::recentTapesKeepTheLatestEight() {
  Harness h;
  ModalAnswerer answerer;  // says yes to every replacement
  QStringList paths;
  for (int i = 1; i <= 9; ++i) {
    paths << dir_.filePath(QStringLiteral("t%1.fita").arg(i));
    QVERIFY(WriteFile(paths.last(), TapeOf(i, i)));
    h.Window().OpenAtStart(paths.last());
    QTRY_COMPARE(h.TapeLines().value(0), QStringLiteral("+ %1").arg(i));
  }
  // Opened again: it moves to the front, once.
  h.Window().OpenAtStart(paths[4]);
  QTRY_COMPARE(h.TapeLines().value(0), S("+ 5"));
  const QStringList expected = {paths[4], paths[8], paths[7], paths[6],
                                paths[5], paths[3], paths[2], paths[1]};
  QCOMPARE(tally::host::StoredRecentTapes(), expected);

  // The submenu of the tape's menu lists them, numbered.
  QTest::keyClick(h.FocusTarget(), Qt::Key_F10, Qt::ShiftModifier);
  auto* recent = h.Find<QMenu>(S("mnuRecentTapes"));
  QVERIFY(recent);
  const QStringList texts = MenuTexts(recent);
  QCOMPARE(texts.size(), 8);
  QCOMPARE(texts[0], S("&1 t5.fita (") + QDir::toNativeSeparators(dir_.path()) + S(")"));
  QCOMPARE(texts[7], S("&8 t2.fita (") + QDir::toNativeSeparators(dir_.path()) + S(")"));

  // A new window finds the list in the settings, and choosing opens it.
  Harness again;
  ModalAnswerer answerAgain;
  QTest::keyClick(again.FocusTarget(), Qt::Key_F10, Qt::ShiftModifier);
  recent = again.Find<QMenu>(S("mnuRecentTapes"));
  QCOMPARE(recent->actions().size(), 8);
  recent->actions()[3]->trigger();
  QCOMPARE(again.TapeLines(), L({"+ 7", "+ 7", "= 14"}));
  QCOMPARE(tally::host::StoredRecentTapes().value(0), paths[6]);
}

void DesktopWindowTest::aMissingRecentTapeIsDroppedWithAMessage() {
  const QString kept = dir_.filePath(S("fica.fita"));
  const QString gone = dir_.filePath(S("some.fita"));
  QVERIFY(WriteFile(kept, TapeOf(1, 2)));
  tally::host::AddRecentTape(kept);
  tally::host::AddRecentTape(gone);
  Harness h;
  {
    ModalAnswerer answerer;
    QTest::keyClick(h.FocusTarget(), Qt::Key_F10, Qt::ShiftModifier);
    auto* recent = h.Find<QMenu>(S("mnuRecentTapes"));
    QCOMPARE(recent->actions().size(), 2);
    const int seenBefore = answerer.seen.size();  // the tape's menu
    recent->actions()[0]->trigger();
    QCOMPARE(answerer.seen.size(), seenBefore + 1);
    QCOMPARE(answerer.seen.last().text,
             S("A fita \"") + gone + S("\" não existe mais e foi retirada das fitas recentes."));
    QVERIFY(h.TapeLines().isEmpty());
    QCOMPARE(tally::host::StoredRecentTapes(), QStringList{kept});
  }

  // With none left the submenu is offered but cannot be opened.
  tally::host::RemoveRecentTape(kept);
  QStringList items;
  ModalAnswerer look([&items](QWidget* shown) {
    if (auto* menu = qobject_cast<QMenu*>(shown)) {
      for (QAction* action : menu->actions()) {
        if (action->menu()) items << action->text() + (action->isEnabled() ? S("") : S(" (off)"));
      }
    }
  });
  QVERIFY(h.Reactivate());
  QTest::keyClick(h.FocusTarget(), Qt::Key_F10, Qt::ShiftModifier);
  QCOMPARE(items, L({"Fitas recentes (off)"}));
}

void DesktopWindowTest::savingSuggestsTodaysNameInTheKeptFolder() {
  const QString folder = dir_.filePath(S("contas"));
  QVERIFY(QDir().mkpath(folder));
  const QString today = S("fita-") + QDate::currentDate().toString(S("yyyy-MM-dd")) + S(".fita");
  QString suggested;
  QString shownFolder;
  QString typed;  // the name the user types, without its suffix
  auto answer = [&](QWidget* shown) {
    if (auto* dialog = qobject_cast<QFileDialog*>(shown)) {
      suggested = dialog->selectedFiles().value(0);
      shownFolder = dialog->directory().absolutePath();
      dialog->selectFile(typed);
      static_cast<QDialog*>(dialog)->accept();
    } else {
      ModalAnswerer::AnswerOk(shown);
    }
  };
  {
    Harness h;
    h.Type(S("5+"));
    ModalAnswerer answerer({}, answer);
    typed = folder + S("/sexta");
    h.Find<QAction>(S("actSaveTape"))->trigger();
    QCOMPARE(QFileInfo(suggested).fileName(), today);
    QCOMPARE(shownFolder, QDir::homePath());
    QCOMPARE(ReadFile(folder + S("/sexta.fita")), S("+ 5\n"));
  }
  // The folder is in the settings, and the next start's dialog opens there.
  QVERIFY2(ReadFile(SettingsFile()).contains(S("LastFolder=") + folder),
           qPrintable(ReadFile(SettingsFile())));
  Harness h;
  h.Type(S("6+"));
  ModalAnswerer answerer({}, answer);
  typed = folder + S("/sabado.fita");
  h.Find<QAction>(S("actSaveTape"))->trigger();
  QCOMPARE(suggested, folder + S("/") + today);
  QCOMPARE(shownFolder, folder);
  QCOMPARE(tally::host::StoredRecentTapes(),
           (QStringList{folder + S("/sabado.fita"), folder + S("/sexta.fita")}));
}

void DesktopWindowTest::textFilesStillOpen() {
  const QString path = dir_.filePath(S("antiga.txt"));
  QVERIFY(WriteFile(path, TapeOf(8, 1)));
  QStringList filters;
  Harness h;
  ModalAnswerer answerer({}, [&](QWidget* shown) {
    if (auto* dialog = qobject_cast<QFileDialog*>(shown)) {
      filters = dialog->nameFilters();
      dialog->selectFile(path);
      static_cast<QDialog*>(dialog)->accept();
    } else {
      ModalAnswerer::AnswerOk(shown);
    }
  });
  h.Find<QAction>(S("actOpenTape"))->trigger();
  QCOMPARE(filters, L({"Fitas (*.fita *.txt)", "Todos os arquivos (*)"}));
  QCOMPARE(h.TapeLines(), L({"+ 8", "+ 1", "= 9"}));
}

void DesktopWindowTest::zoomScalesTheWholeWindowAndIsKept() {
  auto displayPx = [](Harness& h) {
    return h.Find<tally::ui::NumberLabel>(S("lblResult"))->ShownFont().pixelSize();
  };
  auto key = [](Harness& h, Qt::Key k, int times = 1) {
    for (int i = 0; i < times; ++i) QTest::keyClick(h.FocusTarget(), k, Qt::ControlModifier);
  };
  // Every control of the window's table, where it stands.
  auto places = [](Harness& h) {
    std::vector<std::pair<QString, QRect>> found;
    for (const tally::ui::ControlPlace& row : tally::ui::kControlPlaces) {
      const QString name = QString::fromUtf8(row.control.data(), qsizetype(row.control.size()));
      if (QWidget* widget = h.Find(name)) found.emplace_back(name, widget->geometry());
    }
    return found;
  };
  QSize smallest;
  int font = 0;
  QRect seven;
  {
    Harness h;
    QVERIFY(h.Active());
    smallest = h.Window().minimumSize();
    QCOMPARE(h.Window().size(), smallest);
    font = displayPx(h);
    seven = h.Find(S("cmdNumber7"))->geometry();
    const auto designed = places(h);
    QVERIFY(designed.size() == tally::ui::kControlPlaces.size());
    const QRect tape = h.Tape()->geometry();

    // Ctrl++ and Ctrl+= both: 100% to 200% in four steps.
    key(h, Qt::Key_Plus, 3);
    key(h, Qt::Key_Equal);
    QCOMPARE(h.Window().Zoom(), 200);
    QCOMPARE(h.Window().minimumSize(), smallest * 2);
    QCOMPARE(h.Window().size(), smallest * 2);
    QCOMPARE(displayPx(h), font * 2);
    // Placed from the designed twips, so within a pixel of twice the place.
    const QRect seven2 = h.Find(S("cmdNumber7"))->geometry();
    for (const auto& [now, before] : {std::pair{seven2.x(), seven.x()},
                                      {seven2.y(), seven.y()},
                                      {seven2.width(), seven.width()},
                                      {seven2.height(), seven.height()}}) {
      QVERIFY2(std::abs(now - 2 * before) <= 1, qPrintable(QString::number(now)));
    }
    QCOMPARE(h.Tape()->geometry(), QRect(tape.topLeft() * 2, tape.size() * 2));
    const auto zoomed = places(h);
    for (std::size_t i = 0; i < designed.size(); ++i) {
      const QRect& before = designed[i].second;
      const QRect& now = zoomed[i].second;
      const bool twice = std::abs(now.x() - 2 * before.x()) <= 1 &&
                         std::abs(now.y() - 2 * before.y()) <= 1 &&
                         std::abs(now.width() - 2 * before.width()) <= 1 &&
                         std::abs(now.height() - 2 * before.height()) <= 1;
      QVERIFY2(twice, qPrintable(designed[i].first));
    }
    QCOMPARE(h.Find(S("cmdNumber7"))->font().pixelSize(), 28);
    QVERIFY2(ReadFile(SettingsFile()).contains(S("Zoom=200")),
             qPrintable(ReadFile(SettingsFile())));
    // The keys typed still reach the calculator.
    h.Type(S("7+"));
    QCOMPARE(h.TapeLines(), L({"+ 7"}));

    // No further than 300%, then one step back.
    key(h, Qt::Key_Plus, 10);
    QCOMPARE(h.Window().Zoom(), 300);
    QCOMPARE(h.Window().minimumSize(), smallest * 3);
    key(h, Qt::Key_Minus);
    QCOMPARE(h.Window().Zoom(), 275);
  }
  // The next start is at the kept zoom; Ctrl+0 goes back to 100%.
  Harness h;
  QCOMPARE(h.Window().Zoom(), 275);
  QCOMPARE(h.Window().minimumSize(),
           QSize(qRound(smallest.width() * 2.75), qRound(smallest.height() * 2.75)));
  key(h, Qt::Key_0);
  QCOMPARE(h.Window().Zoom(), 100);
  QCOMPARE(h.Window().minimumSize(), smallest);
  QCOMPARE(h.Window().size(), smallest);
  QCOMPARE(displayPx(h), font);
  QCOMPARE(h.Find(S("cmdNumber7"))->geometry(), seven);
  key(h, Qt::Key_Minus);
  QCOMPARE(h.Window().Zoom(), 100);
}

void DesktopWindowTest::zoomScalesTheScrollBarsAndTheListsArrows() {
  // The test's main pins the styles to 96 dots per inch; the program's
  // styles read them from what they are given.
  QCoreApplication::setAttribute(Qt::AA_Use96Dpi, false);
  const auto pinAgain = qScopeGuard([] { QCoreApplication::setAttribute(Qt::AA_Use96Dpi); });
  Harness h;
  QVERIFY(h.Active());
  // More lines than the tape shows, and one wider than it.
  for (int i = 1; i <= 40; ++i) h.Type(QString::number(i) + S("+"));
  tally::Calculator& calc = h.Window().calculator();
  calc.MoveSelection(0);
  QVERIFY(calc.SetSelectedNote(std::string(150, 'n')));
  calc.MoveSelection(39);
  QAbstractItemView* tape = h.Tape();
  QScrollBar* vertical = tape->verticalScrollBar();
  QScrollBar* horizontal = tape->horizontalScrollBar();
  QTRY_VERIFY(vertical->isVisible() && horizontal->isVisible());
  // At 100% the bars are the desktop style's own.
  const int extent = QApplication::style()->pixelMetric(QStyle::PM_ScrollBarExtent);
  QCOMPARE(vertical->width(), extent);
  QCOMPARE(horizontal->height(), extent);
  auto* decimals = h.Find(S("cboDecPlace"));
  const int barInk = Ink(vertical);
  const int listInk = Ink(decimals);
  QVERIFY(barInk > 0 && listInk > 0);

  const auto zoom = [&](Qt::Key key, int times) {
    for (int i = 0; i < times; ++i) QTest::keyClick(h.FocusTarget(), key, Qt::ControlModifier);
  };
  // 200%, then 300%: the bars grow with the rest, within a pixel.
  for (const auto& [steps, percent] : {std::pair{4, 200}, {4, 300}}) {
    zoom(Qt::Key_Plus, steps);
    QCOMPARE(h.Window().Zoom(), percent);
    const int expected = extent * percent / 100;
    QTRY_VERIFY2(std::abs(vertical->width() - expected) <= 1,
                 qPrintable(QString::number(vertical->width())));
    QTRY_VERIFY2(std::abs(horizontal->height() - expected) <= 1,
                 qPrintable(QString::number(horizontal->height())));
    // Their arrows and the list's grow too: by the square of the zoom, as
    // any drawing does, give or take the edges.
    const double area = percent * percent / 10000.0;
    QVERIFY2(Ink(vertical) >= barInk * area * 0.6,
             qPrintable(QStringLiteral("%1 from %2").arg(Ink(vertical)).arg(barInk)));
    QVERIFY2(Ink(decimals) >= listInk * area * 0.6,
             qPrintable(QStringLiteral("%1 from %2").arg(Ink(decimals)).arg(listInk)));
    // The tape keeps the room its bars leave, and its newest line in view.
    QCOMPARE(tape->viewport()->width(), tape->contentsRect().width() - vertical->width());
    const QRect newest = tape->visualRect(tape->currentIndex());
    QCOMPARE(tape->currentIndex().row(), 39);
    QVERIFY2(newest.top() >= 0 && newest.bottom() < tape->viewport()->height(),
             qPrintable(QString::number(newest.top())));
  }
  // Back at 100%, the desktop's size again.
  zoom(Qt::Key_0, 1);
  QTRY_COMPARE(vertical->width(), extent);
  QTRY_COMPARE(horizontal->height(), extent);
}

QTEST_MAIN(DesktopWindowTest)
#include "desktop_window_test.moc"
