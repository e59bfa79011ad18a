// The tape list: a change of the tape costs the view the same whatever the
// length of the tape (it asks the model only about the rows concerned, and
// never for a line's text again once it has shaped it); a line wider than the
// list scrolls sideways; a line's tooltip is the whole line; a screen reader
// sees a list of the lines.

#include <QAccessible>
#include <QHelpEvent>
#include <QIdentityProxyModel>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStringListModel>
#include <QTest>
#include <QToolTip>

#include <functional>
#include <memory>
#include <string>

#include "ui/accessibility.h"
#include "ui/tape_model.h"
#include "ui/tape_view.h"
#include "window_harness.h"

using tally::Tape;
using tally::testing::L;
using tally::testing::S;
using tally::ui::TapeListView;
using tally::ui::TapeModel;
using tally::ui::testing::Harness;

using TapeAction = std::function<void(Tape&)>;
Q_DECLARE_METATYPE(TapeAction)

namespace {

void Settle() {
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents();
}

// Counts what a view asks of the model.
class CountingModel final : public QIdentityProxyModel {
 public:
  QVariant data(const QModelIndex& index, int role) const override {
    if (role == Qt::DisplayRole) ++textReads;
    return QIdentityProxyModel::data(index, role);
  }
  QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override {
    ++indexes;
    return QIdentityProxyModel::index(row, column, parent);
  }
  void Reset() { textReads = indexes = 0; }

  mutable int textReads = 0;
  mutable int indexes = 0;
};

// A tape shown in a list of its own, the newest line selected and in view
// after each change, as the window does it.
class Fixture {
 public:
  explicit Fixture(int lines, QSize size = QSize(110, 200)) : model_(tape_) {
    for (int k = 0; k < lines; ++k) tape_.AppendDirect("+ " + std::to_string(k));
    tape_.SetObserver(&model_);
    counting_.setSourceModel(&model_);
    view_.setModel(&counting_);
    view_.resize(size);
    view_.show();
    if (!QTest::qWaitForWindowExposed(&view_)) qWarning("the list was not shown");
    tape_.Select(tape_.Count() - 1);
    Follow();
  }

  Tape& tape() { return tape_; }
  TapeListView& view() { return view_; }
  CountingModel& counting() { return counting_; }

  // What the window does once an operation is over.
  void Follow() {
    const int row = tape_.Selected();
    if (row >= 0) {
      const QModelIndex index = counting_.index(row, 0);
      view_.scrollTo(index);
      view_.selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    } else {
      view_.selectionModel()->clear();
    }
    Settle();
  }

  // The newest line is the current one, and shows from top to bottom.
  bool NewestShown() {
    const QRect shown = view_.visualRect(view_.currentIndex());
    return view_.currentIndex().row() == tape_.Count() - 1 && shown.top() >= 0 &&
           shown.bottom() < view_.viewport()->height();
  }

 private:
  Tape tape_;
  TapeModel model_;
  CountingModel counting_;
  TapeListView view_;
};

QString LongLine() { return S("+ ") + QString(60, QLatin1Char('7')) + S(",00"); }

}  // namespace

class TapeViewTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void initTestCase() { tally::ui::InstallAccessibleInterfaces(); }
  void aChangeAsksOnlyAboutItsRows_data();
  void aChangeAsksOnlyAboutItsRows();
  void theViewFollowsTheNewestLineAtAnySize();
  void aNewFontKeepsTheSameLinesInView();
  void theNavigationKeysChooseALine();
  void rowsRemovedAtTheTopLeaveTheShownRowsInPlace();
  void aWideLineScrollsSideways();
  void aLineShowsItselfInItsTooltip();
  void aScreenReaderSeesTheLines();
  void aLineKeepsItsAccessibleItemWhileOlderLinesGo();
};

void TapeViewTest::aChangeAsksOnlyAboutItsRows_data() {
  QTest::addColumn<int>("lines");
  QTest::addColumn<TapeAction>("action");
  QTest::addColumn<int>("textReads");  // the changed line, measured and shaped

  const TapeAction append = [](Tape& t) { t.AddTapeLine("+ 5,00"); };
  const TapeAction rewrite = [](Tape& t) { t.SetLine(t.Count() - 1, "= 9,00 sub total"); };
  const TapeAction select = [](Tape& t) { t.Select(t.Count() - 3); };
  const TapeAction nothing = [](Tape&) {};
  for (const int lines : {100, 20000, Tape::kMaxLines}) {
    const QByteArray n = QByteArray::number(lines);
    QTest::newRow("append, " + n + " lines") << lines << append << 2;
    QTest::newRow("rewrite in place, " + n + " lines") << lines << rewrite << 2;
    QTest::newRow("selection moves, " + n + " lines") << lines << select << 0;
    QTest::newRow("repaint of every row shown, " + n + " lines") << lines << nothing << 0;
  }
}

void TapeViewTest::aChangeAsksOnlyAboutItsRows() {
  QFETCH(int, lines);
  QFETCH(TapeAction, action);
  QFETCH(int, textReads);

  Fixture f(lines);
  f.counting().Reset();
  action(f.tape());
  f.Follow();
  f.view().viewport()->repaint();

  // A line added to a full tape also trims the oldest: still the same work.
  QCOMPARE(f.counting().textReads, textReads);
  // Painting the rows shown, scrolling and selecting: a few dozen indexes,
  // never one for every row.
  QVERIFY2(f.counting().indexes < 100, qPrintable(QString::number(f.counting().indexes)));
  QVERIFY(f.NewestShown() || f.tape().Selected() != f.tape().Count() - 1);
}

void TapeViewTest::theViewFollowsTheNewestLineAtAnySize() {
  Fixture f(500);
  QVERIFY(f.NewestShown());
  for (const QSize size : {QSize(300, 600), QSize(80, 60), QSize(110, 200)}) {
    f.view().resize(size);
    Settle();
    QVERIFY2(f.NewestShown(),
             qPrintable(QStringLiteral("%1x%2").arg(size.width()).arg(size.height())));
    f.tape().AddTapeLine("+ 1,00");
    f.Follow();
    QVERIFY(f.NewestShown());
  }
  // Taller than the whole tape: every line shows from the top.
  Fixture few(3, QSize(110, 300));
  QCOMPARE(few.view().indexAt(QPoint(5, 1)).row(), 0);
  QCOMPARE(few.view().verticalScrollBar()->maximum(), 0);
}

void TapeViewTest::aNewFontKeepsTheSameLinesInView() {
  // As the zoom sets it: larger, then back.
  Fixture f(500);
  QFont font = f.view().font();
  for (const int px : {24, 36, 12}) {
    font.setPixelSize(px);
    f.view().setFont(font);
    Settle();
    QVERIFY2(f.NewestShown(), qPrintable(QString::number(px)));
  }
  // Scrolled back, the line at the top stays there.
  f.view().scrollTo(f.view().model()->index(100, 0), QAbstractItemView::PositionAtTop);
  QCOMPARE(f.view().indexAt(QPoint(5, 1)).row(), 100);
  for (const int px : {30, 12}) {
    font.setPixelSize(px);
    f.view().setFont(font);
    Settle();
    QCOMPARE(f.view().indexAt(QPoint(5, 1)).row(), 100);
    QCOMPARE(f.view().verticalScrollBar()->value(), 100);
  }
}

void TapeViewTest::theNavigationKeysChooseALine() {
  Fixture f(200);
  QSignalSpy chosen(&f.view(), &TapeListView::rowChosen);
  const int page = f.view().viewport()->height() / f.view().RowHeight();
  QTest::keyClick(&f.view(), Qt::Key_Up);
  QTest::keyClick(&f.view(), Qt::Key_PageUp);
  QTest::keyClick(&f.view(), Qt::Key_Home);
  QTest::keyClick(&f.view(), Qt::Key_Down);
  QTest::keyClick(&f.view(), Qt::Key_End);
  const QList<int> rows{198, 198 - page, 0, 1, 199};
  QCOMPARE(chosen.size(), rows.size());
  for (int k = 0; k < rows.size(); ++k) QCOMPARE(chosen.at(k).at(0).toInt(), rows[k]);
  // The chosen line is scrolled into view, whole.
  QTest::keyClick(&f.view(), Qt::Key_Home);
  QCOMPARE(f.view().indexAt(QPoint(5, 0)).row(), 0);
  QCOMPARE(f.view().visualRect(f.view().currentIndex()).top(), 0);
}

void TapeViewTest::rowsRemovedAtTheTopLeaveTheShownRowsInPlace() {
  // Several oldest lines at once; the widest line is the seventh.
  QStringList lines;
  for (int k = 0; k < 300; ++k) lines << QStringLiteral("+ %1").arg(k);
  lines[6] = LongLine();
  QStringListModel model(lines);
  TapeListView view;
  view.setModel(&model);
  view.resize(110, 200);
  view.show();
  QVERIFY(QTest::qWaitForWindowExposed(&view));
  // The newest line is the current one, as on the tape.
  view.setCurrentIndex(model.index(299, 0));
  Settle();
  const QModelIndex shown = view.indexAt(QPoint(5, 0));
  const QString topText = shown.data().toString();

  model.removeRows(0, 5);
  Settle();
  const QModelIndex after = view.indexAt(QPoint(5, 0));
  QCOMPARE(after.data().toString(), topText);
  QCOMPARE(after.row(), shown.row() - 5);
  QVERIFY(view.horizontalScrollBar()->maximum() > 0);

  // The widest line goes: so does the horizontal bar, and the list, a row
  // taller, still ends with the newest line.
  model.removeRows(0, 3);
  Settle();
  QCOMPARE(view.horizontalScrollBar()->maximum(), 0);
  QTRY_VERIFY(!view.horizontalScrollBar()->isVisible());
  const QRect newest = view.visualRect(view.currentIndex());
  QCOMPARE(view.currentIndex().row(), 291);
  QVERIFY(newest.top() >= 0 && newest.bottom() < view.viewport()->height());
}

void TapeViewTest::aWideLineScrollsSideways() {
  Fixture f(5);
  QScrollBar* bar = f.view().horizontalScrollBar();
  QCOMPARE(bar->maximum(), 0);
  QVERIFY(!bar->isVisible());

  const QString wide = LongLine();
  f.tape().AddTapeLine(wide.toStdString());
  f.Follow();
  QTRY_VERIFY(bar->isVisible());
  // The bar reaches the end of the line, and its coming left the new line
  // in view.
  const int textWidth = QFontMetrics(f.view().font()).horizontalAdvance(wide);
  QVERIFY(f.view().ContentWidth() >= textWidth);
  QCOMPARE(bar->maximum(), f.view().ContentWidth() - f.view().viewport()->width());
  QVERIFY(f.NewestShown());

  // The arrow keys move along the line; the rows move with the bar.
  QTest::keyClick(&f.view(), Qt::Key_Right);
  QVERIFY(bar->value() > 0);
  QCOMPARE(f.view().visualRect(f.view().currentIndex()).left(), -bar->value());
  bar->setValue(bar->maximum());
  QCOMPARE(f.view().visualRect(f.view().currentIndex()).right(),
           f.view().ContentWidth() - bar->maximum() - 1);
  QTest::keyClick(&f.view(), Qt::Key_Left);
  QVERIFY(bar->value() < bar->maximum());

  // A wide line rewritten short, or taken away, takes the bar with it.
  f.tape().SetLine(f.tape().Count() - 1, "+ 1,00");
  Settle();
  QCOMPARE(bar->maximum(), 0);
  QTRY_VERIFY(!bar->isVisible());
  f.tape().AddTapeLine(wide.toStdString());
  f.Follow();
  QTRY_VERIFY(bar->isVisible());
  f.tape().Clear();
  f.Follow();
  QCOMPARE(bar->maximum(), 0);
  QTRY_VERIFY(!bar->isVisible());
}

void TapeViewTest::aLineShowsItselfInItsTooltip() {
  Harness h;
  QVERIFY(h.Active());
  h.ChooseDecimals(6);
  h.Type(QStringLiteral("12+999999999999999+"));
  QAbstractItemView* list = h.Tape();
  QWidget* viewport = list->viewport();
  auto tipAt = [&](int row, QPoint at) {
    if (row >= 0) at = list->visualRect(list->model()->index(row, 0)).center();
    QHelpEvent help(QEvent::ToolTip, at, viewport->mapToGlobal(at));
    QApplication::sendEvent(viewport, &help);
    return QToolTip::isVisible() ? QToolTip::text() : QString();
  };
  const QStringList lines = h.TapeLines();
  QCOMPARE(lines.size(), 2);
  QCOMPARE(tipAt(0, {}), lines[0]);
  QCOMPARE(tipAt(1, {}), lines[1]);
  // The whole line, though the list shows only its start.
  QVERIFY(QFontMetrics(list->font()).horizontalAdvance(lines[1]) > viewport->width());
  // Below the last line: the list's own tooltip.
  QCOMPARE(tipAt(-1, QPoint(5, viewport->height() - 2)), S("Fita de dados"));
  QToolTip::hideText();
}

void TapeViewTest::aScreenReaderSeesTheLines() {
  Harness h;
  QVERIFY(h.Active());
  h.Type(QStringLiteral("1+2+3+"));
  QAbstractItemView* list = h.Tape();
  QAccessibleInterface* tape = QAccessible::queryAccessibleInterface(list);
  QVERIFY(tape);
  QCOMPARE(tape->role(), QAccessible::List);
  QCOMPARE(tape->text(QAccessible::Name), S("Fita de dados"));
  QCOMPARE(tape->childCount(), 3);
  const QStringList lines = h.TapeLines();
  for (int row = 0; row < 3; ++row) {
    QAccessibleInterface* line = tape->child(row);
    QVERIFY(line && line->isValid());
    QCOMPARE(line->role(), QAccessible::ListItem);
    QCOMPARE(line->text(QAccessible::Name), lines[row]);
    QCOMPARE(line->parent(), tape);
    QCOMPARE(tape->indexOfChild(line), row);
    QCOMPARE(line->state().selected, row == 2);
    QVERIFY(!line->rect().isEmpty());
    QCOMPARE(tape->childAt(line->rect().center().x(), line->rect().center().y()), line);
  }
  QVERIFY(!tape->child(3));
}

void TapeViewTest::aLineKeepsItsAccessibleItemWhileOlderLinesGo() {
  Fixture f(Tape::kMaxLines);
  QAccessibleInterface* tape = QAccessible::queryAccessibleInterface(&f.view());
  QAccessibleInterface* oldest = tape->child(0);
  QAccessibleInterface* tenth = tape->child(10);
  const QString text = tenth->text(QAccessible::Name);
  QCOMPARE(text, S("+ 10"));

  f.tape().AddTapeLine("+ 5,00");  // the oldest line goes
  f.Follow();
  QVERIFY(!oldest->isValid());
  QVERIFY(tenth->isValid());
  QCOMPARE(tenth->text(QAccessible::Name), text);
  QCOMPARE(tape->indexOfChild(tenth), 9);
  QCOMPARE(tape->child(9), tenth);
  QCOMPARE(tape->child(Tape::kMaxLines - 1)->text(QAccessible::Name), S("+ 5,00"));
  QVERIFY(tape->child(Tape::kMaxLines - 1)->state().selected);

  f.tape().Clear();
  f.Follow();
  QVERIFY(!tenth->isValid());
  QCOMPARE(tape->childCount(), 0);
}

QTEST_MAIN(TapeViewTest)
#include "tape_view_test.moc"
