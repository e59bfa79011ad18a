#include "ui/tape_view.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QPainter>
#include <QPointer>
#include <QResizeEvent>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyleOptionSlider>

#include <algorithm>
#include <cmath>
#include <optional>

#include "tape/line_kind.h"
#include "ui/tape_model.h"

namespace tally::ui {
namespace {

// A line of the tape as a screen reader sees it: a list item named by its
// text. It stands for the line, not for a row number, so that it keeps
// meaning the same line while older lines are trimmed above it.
class TapeRowAccessible final : public QAccessibleInterface {
 public:
  TapeRowAccessible(TapeListView* view, std::int64_t line) : view_(view), line_(line) {}

  int Row() const { return view_ ? view_->RowOfLineNumber(line_) : -1; }

  bool isValid() const override { return Row() >= 0; }
  QObject* object() const override { return nullptr; }
  QWindow* window() const override { return view_ ? view_->window()->windowHandle() : nullptr; }
  QAccessibleInterface* parent() const override {
    return view_ ? QAccessible::queryAccessibleInterface(view_.data()) : nullptr;
  }
  QAccessibleInterface* child(int) const override { return nullptr; }
  int childCount() const override { return 0; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }
  QAccessible::Role role() const override { return QAccessible::ListItem; }
  void setText(QAccessible::Text, const QString&) override {}

  QString text(QAccessible::Text t) const override {
    if (t != QAccessible::Name || !isValid()) return {};
    const QModelIndex index = Index();
    const QString line = index.data(Qt::DisplayRole).toString();
    const QString note = index.data(TapeModel::NoteRole).toString();
    return note.isEmpty() ? line : line + QStringLiteral(", nota: ") + note;
  }

  QRect rect() const override {
    if (!isValid()) return {};
    QWidget* viewport = view_->viewport();
    const QRect shown = view_->visualRect(Index()) & viewport->rect();
    if (shown.isEmpty()) return {};
    return {viewport->mapToGlobal(shown.topLeft()), shown.size()};
  }

  QAccessible::State state() const override {
    QAccessible::State s;
    if (!isValid()) {
      s.invalid = true;
      return s;
    }
    const QModelIndex index = Index();
    s.selectable = true;
    s.focusable = true;
    if (QItemSelectionModel* selection = view_->selectionModel()) {
      s.selected = selection->isSelected(index);
      s.focused = view_->hasFocus() && selection->currentIndex() == index;
    }
    const QRect shown = view_->visualRect(index) & view_->viewport()->rect();
    s.invisible = shown.isEmpty();
    s.offscreen = s.invisible;
    return s;
  }

 private:
  QModelIndex Index() const { return view_->model()->index(Row(), 0, view_->rootIndex()); }

  QPointer<TapeListView> view_;
  std::int64_t line_;
};

// The tape list as a screen reader sees it: a list whose children are its
// lines. The items are made when asked for and kept by line.
class TapeAccessible final : public QAccessibleWidget {
 public:
  explicit TapeAccessible(TapeListView* view) : QAccessibleWidget(view, QAccessible::List) {}
  ~TapeAccessible() override {
    for (const auto& [line, id] : items_) QAccessible::deleteAccessibleInterface(id);
  }

  int childCount() const override {
    const QAbstractItemModel* model = View()->model();
    return model ? model->rowCount(View()->rootIndex()) : 0;
  }

  QAccessibleInterface* child(int index) const override {
    if (index < 0 || index >= childCount()) return nullptr;
    ForgetTrimmedLines();
    const std::int64_t line = View()->LineNumberOfRow(index);
    auto it = items_.find(line);
    if (it == items_.end()) {
      auto* item = new TapeRowAccessible(View(), line);
      it = items_.emplace(line, QAccessible::registerAccessibleInterface(item)).first;
      // A reader that follows the newest line asks for one more item a key:
      // the oldest items it asked for go first.
      while (items_.size() > kMaxItems && items_.begin() != it) {
        QAccessible::deleteAccessibleInterface(items_.begin()->second);
        items_.erase(items_.begin());
      }
    }
    return QAccessible::accessibleInterface(it->second);
  }

  int indexOfChild(const QAccessibleInterface* child) const override {
    const auto* item = dynamic_cast<const TapeRowAccessible*>(child);
    return item ? item->Row() : -1;
  }

  QAccessibleInterface* childAt(int x, int y) const override {
    QWidget* viewport = View()->viewport();
    const QModelIndex index = View()->indexAt(viewport->mapFromGlobal(QPoint(x, y)));
    return index.isValid() ? child(index.row()) : nullptr;
  }

  QAccessibleInterface* focusChild() const override {
    const QModelIndex current = View()->currentIndex();
    return View()->hasFocus() && current.isValid() ? child(current.row()) : nullptr;
  }

 private:
  TapeListView* View() const { return static_cast<TapeListView*>(widget()); }

  // Lines trimmed from the top, or gone with a cleared tape, are numbered
  // below the first row's number.
  void ForgetTrimmedLines() const {
    const std::int64_t first = View()->LineNumberOfRow(0);
    while (!items_.empty() && items_.begin()->first < first) {
      QAccessible::deleteAccessibleInterface(items_.begin()->second);
      items_.erase(items_.begin());
    }
  }

  static constexpr std::size_t kMaxItems = 1024;
  mutable std::map<std::int64_t, QAccessible::Id> items_;
};

}  // namespace

QAccessibleInterface* MakeTapeAccessible(TapeListView* view) { return new TapeAccessible(view); }

// A scroll bar that is repainted only when it would look different. On a
// full tape every line added moves the bar by a row and back; on any long
// tape the slider keeps its size and place while lines come. Painting it
// again each time would cost more than the rest of the key.
class TapeScrollBar final : public QScrollBar {
 public:
  explicit TapeScrollBar(Qt::Orientation orientation) : QScrollBar(orientation) {
    // Opaque, so that what lies under it is not painted again with it.
    setAutoFillBackground(true);
  }

  // Sets the whole state at once. Whether the bar is painted again is
  // decided once the events already queued have run, from its look then
  // against the look on screen, whatever it went through meanwhile.
  void Set(int maximum, int value, int page, int step) {
    if (maximum == this->maximum() && value == this->value() && page == pageStep() &&
        step == singleStep()) {
      return;
    }
    setting_ = true;
    setRange(0, maximum);
    setPageStep(page);
    setSingleStep(step);
    setValue(value);
    setting_ = false;
    if (lookPending_) return;
    lookPending_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
          lookPending_ = false;
          if (!shown_ || *shown_ != Current()) update();
        },
        Qt::QueuedConnection);
  }

 protected:
  void sliderChange(SliderChange change) override {
    if (setting_ || (shown_ && *shown_ == Current())) return;
    QScrollBar::sliderChange(change);
  }

  void paintEvent(QPaintEvent* event) override {
    shown_ = Current();
    QScrollBar::paintEvent(event);
  }

 private:
  // What a style draws from the slider's state: where the slider is, and
  // whether either end is reached (the arrows show it).
  struct Look {
    QRect slider;
    bool atMinimum = false;
    bool atMaximum = false;
    bool operator==(const Look&) const = default;
  };

  Look Current() const {
    QStyleOptionSlider option;
    initStyleOption(&option);
    return {
        style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this),
        value() == minimum(), value() == maximum()};
  }

  bool setting_ = false;
  bool lookPending_ = false;
  std::optional<Look> shown_;
};

TapeListView::TapeListView(QWidget* parent) : QAbstractItemView(parent) {
  // The view keeps the offsets; its bars only show them.
  verticalBar_ = new TapeScrollBar(Qt::Vertical);
  horizontalBar_ = new TapeScrollBar(Qt::Horizontal);
  setVerticalScrollBar(verticalBar_);
  setHorizontalScrollBar(horizontalBar_);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setAttribute(Qt::WA_InputMethodEnabled, false);
  UpdateMetrics();
  connect(this, &QAbstractItemView::clicked, this, [this](const QModelIndex& index) {
    if (index.isValid()) Q_EMIT rowChosen(index.row());
  });
}

// ------------------------------------------------------------ rows

int TapeListView::RowCount() const { return model() ? model()->rowCount(rootIndex()) : 0; }

QString TapeListView::LineText(int row) const {
  return model()->index(row, 0, rootIndex()).data(Qt::DisplayRole).toString();
}

int TapeListView::RowOfLineNumber(std::int64_t number) const {
  const std::int64_t row = number - firstLineNumber_;
  return row >= 0 && row < RowCount() ? static_cast<int>(row) : -1;
}

QString TapeListView::NoteText(int row) const {
  return model()->index(row, 0, rootIndex()).data(TapeModel::NoteRole).toString();
}

int TapeListView::ColumnWidth() const {
  return widthCounts_.empty() ? 0 : widthCounts_.rbegin()->first;
}

int TapeListView::ContentWidth() const {
  if (widthCounts_.empty() && ruleWidthCounts_.empty()) return 0;
  const int notes = noteWidthCounts_.empty() ? 0 : noteGap_ + noteWidthCounts_.rbegin()->first;
  const int rules = ruleWidthCounts_.empty() ? 0 : ruleWidthCounts_.rbegin()->first;
  return std::max(ColumnWidth() + notes, rules) + 2 * textMargin_;
}

TapeListView::RowWidth TapeListView::MeasureRow(int row) const {
  static const QString rule =
      QString::fromUtf8(kSeparatorLine.data(), static_cast<qsizetype>(kSeparatorLine.size()));
  const QString text = LineText(row);
  const QString note = NoteText(row);
  // The separator is a rule across the roll, often wider than the numbers:
  // were it in the column, it would push every number out of view.
  return {MeasureLine(text), note.isEmpty() ? 0 : MeasureLine(note), text == rule};
}

int TapeListView::MeasureLine(const QString& text) const {
  std::optional<QFontMetricsF> metrics;
  auto advance = [&](QChar c) -> float {
    if (!metrics) metrics.emplace(font());
    return static_cast<float>(metrics->horizontalAdvance(c));
  };
  float width = 0;
  for (const QChar c : text) {
    const char16_t u = c.unicode();
    if (u < latinAdvance_.size()) {
      float& known = latinAdvance_[u];
      if (known < 0) known = advance(c);
      width += known;
    } else {
      auto it = otherAdvance_.find(u);
      if (it == otherAdvance_.end()) it = otherAdvance_.emplace(u, advance(c)).first;
      width += it->second;
    }
  }
  // A pixel more for what kerning and rounding may add.
  return static_cast<int>(std::ceil(width)) + 1;
}

void TapeListView::AddRow(RowWidth width) {
  ++(width.rule ? ruleWidthCounts_ : widthCounts_)[width.line];
  if (width.note > 0) ++noteWidthCounts_[width.note];
}

void TapeListView::RemoveRow(RowWidth width) {
  const auto drop = [](std::map<int, int>& counts, int w) {
    auto it = counts.find(w);
    if (it != counts.end() && --it->second == 0) counts.erase(it);
  };
  drop(width.rule ? ruleWidthCounts_ : widthCounts_, width.line);
  if (width.note > 0) drop(noteWidthCounts_, width.note);
}

void TapeListView::RebuildRows() {
  // New numbers for every line: whatever was kept by number is stale.
  firstLineNumber_ += static_cast<std::int64_t>(widths_.size()) + 1;
  widths_.clear();
  widthCounts_.clear();
  noteWidthCounts_.clear();
  ruleWidthCounts_.clear();
  shaped_.clear();
  const int count = RowCount();
  for (int row = 0; row < count; ++row) {
    const RowWidth width = MeasureRow(row);
    widths_.push_back(width);
    AddRow(width);
  }
}

void TapeListView::UpdateMetrics() {
  QStyleOptionViewItem option;
  initViewItemOption(&option);
  option.features |= QStyleOptionViewItem::HasDisplay;
  option.text = QStringLiteral("0");
  rowHeight_ = std::max(
      1, style()->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), this).height());
  textMargin_ = style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
  textTop_ = (rowHeight_ - fontMetrics().height()) / 2;
  charStep_ = 2 * fontMetrics().averageCharWidth();
  noteGap_ = 2 * fontMetrics().averageCharWidth();
  latinAdvance_.fill(-1.0F);
  otherAdvance_.clear();
  shaped_.clear();
}

const TapeListView::Shaped& TapeListView::ShapedLine(int row, const QTransform& transform) {
  const std::int64_t number = LineNumberOfRow(row);
  auto it = shaped_.find(number);
  if (it == shaped_.end()) {
    // Laid out for the painter's transform (the screen's scale), so that
    // drawing it does not lay it out again.
    const auto shape = [&](const QString& content) {
      QStaticText text(content);
      text.setTextFormat(Qt::PlainText);
      if (!content.isEmpty()) text.prepare(transform, font());
      return text;
    };
    it = shaped_.emplace(number, Shaped{shape(LineText(row)), shape(NoteText(row))}).first;
  }
  return it->second;
}

void TapeListView::ForgetShapedLinesOutside(int firstRow, int lastRow) {
  const int shown = lastRow - firstRow + 1;
  if (static_cast<int>(shaped_.size()) <= 3 * shown + 32) return;
  // Keep a page above and below what is shown, for scrolling back.
  const std::int64_t low = LineNumberOfRow(firstRow - shown);
  const std::int64_t high = LineNumberOfRow(lastRow + shown);
  for (auto it = shaped_.begin(); it != shaped_.end();) {
    it = it->first < low || it->first > high ? shaped_.erase(it) : std::next(it);
  }
}

// ------------------------------------------------------------ model changes

void TapeListView::setModel(QAbstractItemModel* newModel) {
  disconnect(rowsRemovedConnection_);
  QAbstractItemView::setModel(newModel);
  if (newModel) {
    rowsRemovedConnection_ =
        connect(newModel, &QAbstractItemModel::rowsRemoved, this, &TapeListView::OnRowsRemoved);
  }
  RebuildRows();
  updateGeometries();
}

void TapeListView::reset() {
  QAbstractItemView::reset();
  RebuildRows();
  updateGeometries();
  viewport()->update();
}

void TapeListView::doItemsLayout() {
  // Rows of a new height (a new font: the zoom) keep the same line at the
  // top, or the newest line in view when it was.
  const int top = offsetY_ / rowHeight_;
  const bool atEnd = top >= MaxTopRow();
  UpdateMetrics();
  RebuildRows();
  offsetY_ = top * rowHeight_;
  QAbstractItemView::doItemsLayout();
  if (atEnd) SetTopRow(MaxTopRow(), Shift::Silent);
}

void TapeListView::rowsInserted(const QModelIndex& parent, int first, int last) {
  if (parent == rootIndex()) {
    const int count = RowCount();
    const bool appended = first == static_cast<int>(widths_.size()) &&
                          last - first + 1 == count - static_cast<int>(widths_.size());
    const int column = ColumnWidth();
    if (appended) {
      for (int row = first; row <= last; ++row) {
        const RowWidth width = MeasureRow(row);
        widths_.push_back(width);
        AddRow(width);
      }
      UpdateScrollRange();
      // Only the new rows are painted, and only if they show, unless the
      // column widened and every line moved.
      const QRect rows(0, first * rowHeight_ - verticalOffset(), viewport()->width(),
                       (last - first + 1) * rowHeight_);
      viewport()->update(ColumnWidth() == column ? rows & viewport()->rect() : viewport()->rect());
    } else {
      RebuildRows();
      UpdateScrollRange();
      viewport()->update();
    }
  }
  QAbstractItemView::rowsInserted(parent, first, last);
}

void TapeListView::OnRowsRemoved(const QModelIndex& parent, int first, int last) {
  if (parent != rootIndex()) return;
  const int removed = last - first + 1;
  if (first == 0 && removed <= static_cast<int>(widths_.size()) &&
      RowCount() == static_cast<int>(widths_.size()) - removed) {
    const int column = ColumnWidth();
    for (int k = 0; k < removed; ++k) {
      RemoveRow(widths_.front());
      widths_.pop_front();
    }
    firstLineNumber_ += removed;
    const int top = offsetY_ / rowHeight_;
    if (ColumnWidth() != column) {
      SetTopRow(std::max(0, top - removed), Shift::Silent);
      viewport()->update();
    } else if (removed <= top) {
      // The rows went from above what is shown: what is shown stays put.
      SetTopRow(top - removed, Shift::Silent);
    } else {
      viewport()->update();
    }
  } else {
    RebuildRows();
    viewport()->update();
  }
  UpdateScrollRange();
}

void TapeListView::dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                               const QList<int>& roles) {
  if (topLeft.isValid() && bottomRight.isValid() && topLeft.parent() == rootIndex() &&
      (roles.isEmpty() || roles.contains(Qt::DisplayRole) || roles.contains(TapeModel::NoteRole))) {
    const int first = std::max(0, topLeft.row());
    const int last = std::min(bottomRight.row(), static_cast<int>(widths_.size()) - 1);
    const int column = ColumnWidth();
    for (int row = first; row <= last; ++row) {
      const RowWidth width = MeasureRow(row);
      RemoveRow(widths_[static_cast<std::size_t>(row)]);
      widths_[static_cast<std::size_t>(row)] = width;
      AddRow(width);
    }
    if (last - first + 1 < static_cast<int>(shaped_.size())) {
      for (int row = first; row <= last; ++row) shaped_.erase(LineNumberOfRow(row));
    } else {
      const std::int64_t low = LineNumberOfRow(first);
      const std::int64_t high = LineNumberOfRow(last);
      for (auto it = shaped_.begin(); it != shaped_.end();) {
        it = it->first >= low && it->first <= high ? shaped_.erase(it) : std::next(it);
      }
    }
    UpdateScrollRange();
    if (ColumnWidth() != column) {
      // Every line stands against the column's right edge: all move.
      viewport()->update();
      return;
    }
    if (first < last) {
      // Many rows (a replay rewrites them all): only those shown are
      // painted again. The base class would ask for the place of each.
      const int shownFirst = std::max(first, offsetY_ / rowHeight_);
      const int shownLast = std::min(last, (offsetY_ + viewport()->height()) / rowHeight_);
      if (shownFirst <= shownLast) {
        viewport()->update(0, shownFirst * rowHeight_ - offsetY_, viewport()->width(),
                           (shownLast - shownFirst + 1) * rowHeight_);
      }
      return;
    }
  }
  QAbstractItemView::dataChanged(topLeft, bottomRight, roles);
}

// ------------------------------------------------------------ geometry

int TapeListView::horizontalOffset() const { return offsetX_; }

int TapeListView::verticalOffset() const { return offsetY_; }

int TapeListView::FullRowsShown() const { return std::max(1, viewport()->height() / rowHeight_); }

int TapeListView::MaxTopRow() const { return std::max(0, RowCount() - FullRowsShown()); }

int TapeListView::MaxHorizontalOffset() const {
  return std::max(0, ContentWidth() - viewport()->width());
}

QRect TapeListView::visualRect(const QModelIndex& index) const {
  if (!index.isValid() || index.parent() != rootIndex() || index.column() != 0) return {};
  return {-offsetX_, index.row() * rowHeight_ - offsetY_,
          std::max(viewport()->width(), ContentWidth()), rowHeight_};
}

QModelIndex TapeListView::indexAt(const QPoint& point) const {
  const int y = point.y() + offsetY_;
  if (point.y() < 0 || y < 0) return {};
  const int row = y / rowHeight_;
  if (row >= RowCount()) return {};
  return model()->index(row, 0, rootIndex());
}

void TapeListView::scrollTo(const QModelIndex& index, ScrollHint hint) {
  if (!index.isValid() || index.parent() != rootIndex()) return;
  const int row = index.row();
  const int shown = FullRowsShown();
  int top = offsetY_ / rowHeight_;
  switch (hint) {
    case EnsureVisible:
      if (row < top) {
        top = row;
      } else if (row >= top + shown) {
        top = row - shown + 1;
      }
      break;
    case PositionAtTop: top = row; break;
    case PositionAtBottom: top = row - shown + 1; break;
    case PositionAtCenter: top = row - shown / 2; break;
  }
  SetTopRow(top, Shift::Scroll);
  // A line scrolled out of view sideways is brought back, its end showing.
  if (static_cast<std::size_t>(row) < widths_.size()) {
    const int note = widths_[static_cast<std::size_t>(row)].note;
    const int textEnd = textMargin_ + ColumnWidth() + (note > 0 ? noteGap_ + note : 0);
    if (textEnd <= offsetX_) {
      SetHorizontalOffset(textEnd + textMargin_ - viewport()->width());
    }
  }
}

void TapeListView::SetTopRow(int row, Shift shift) {
  const int value = std::clamp(row, 0, MaxTopRow()) * rowHeight_;
  const int dy = offsetY_ - value;
  offsetY_ = value;
  if (dy != 0 && shift == Shift::Scroll) {
    // The rows already drawn are moved; only the strip uncovered is painted.
    scrollDirtyRegion(0, dy);
    viewport()->scroll(0, dy);
  }
  SyncScrollBars();
}

void TapeListView::SetHorizontalOffset(int value) {
  value = std::clamp(value, 0, MaxHorizontalOffset());
  const int dx = offsetX_ - value;
  offsetX_ = value;
  if (dx != 0) {
    scrollDirtyRegion(dx, 0);
    viewport()->scroll(dx, 0);
  }
  SyncScrollBars();
}

void TapeListView::SyncScrollBars() {
  // The bars show the offsets the view keeps. They are set without their
  // signals, so that a row added and the oldest taken away leave the bars
  // as they were, with no relayout and no repaint; only a bar that has to
  // appear or go makes the scroll area lay itself out again.
  if (!verticalBar_ || !horizontalBar_) return;  // not made yet
  const QSize shown = viewport()->size();
  bool barComesOrGoes = false;
  auto sync = [&](TapeScrollBar* bar, int maximum, int value, int page, int step) {
    barComesOrGoes |= (bar->maximum() > bar->minimum()) != (maximum > 0);
    const QSignalBlocker quiet(bar);
    bar->Set(maximum, value, std::max(1, page), std::max(1, step));
  };
  sync(verticalBar_, MaxTopRow(), offsetY_ / rowHeight_, FullRowsShown(), 1);
  sync(horizontalBar_, MaxHorizontalOffset(), offsetX_, shown.width(), charStep_);
  if (barComesOrGoes) {
    setVerticalScrollBarPolicy(verticalScrollBarPolicy());
  }
}

void TapeListView::scrollContentsBy(int, int) {
  // A bar moved by the user (or by the scroll area): the view follows it.
  const int dx = offsetX_ - horizontalScrollBar()->value();
  const int dy = offsetY_ - verticalScrollBar()->value() * rowHeight_;
  offsetX_ = horizontalScrollBar()->value();
  offsetY_ = verticalScrollBar()->value() * rowHeight_;
  if (dx != 0 || dy != 0) {
    scrollDirtyRegion(dx, dy);
    viewport()->scroll(dx, dy);
  }
}

void TapeListView::updateGeometries() {
  UpdateScrollRange();
  QAbstractItemView::updateGeometries();
}

void TapeListView::UpdateScrollRange() {
  // What the view can show shrank: the offsets come back within it.
  SetTopRow(offsetY_ / rowHeight_, Shift::Scroll);
  SetHorizontalOffset(offsetX_);
}

QSize TapeListView::viewportSizeHint() const { return {ContentWidth(), RowCount() * rowHeight_}; }

void TapeListView::resizeEvent(QResizeEvent* event) {
  // A view showing the newest line keeps showing it when it grows or shrinks
  // (a horizontal scroll bar that comes takes height from it).
  const int oldShown = std::max(1, event->oldSize().height() / rowHeight_);
  const bool atEnd = event->oldSize().isValid() && offsetY_ / rowHeight_ >= RowCount() - oldShown;
  QAbstractItemView::resizeEvent(event);
  if (atEnd) SetTopRow(MaxTopRow(), Shift::Scroll);
}

void TapeListView::verticalScrollbarValueChanged(int) {
  // Nothing to fetch and no hover look to follow: the base class would ask
  // the window system where the pointer is on every scroll.
}

void TapeListView::horizontalScrollbarValueChanged(int) {}

// ------------------------------------------------------------ selection

QModelIndex TapeListView::moveCursor(CursorAction action, Qt::KeyboardModifiers) {
  const int count = RowCount();
  if (count == 0) return {};
  const QModelIndex current = currentIndex();
  int row = current.isValid() ? current.row() : -1;
  const int page = FullRowsShown();
  switch (action) {
    case MoveUp:
    case MovePrevious: row = row < 0 ? 0 : row - 1; break;
    case MoveDown:
    case MoveNext: row = row + 1; break;
    case MovePageUp: row = row < 0 ? 0 : row - page; break;
    case MovePageDown: row = row < 0 ? 0 : row + page; break;
    case MoveHome: row = 0; break;
    case MoveEnd: row = count - 1; break;
    case MoveLeft:
    case MoveRight: return current;
  }
  return model()->index(std::clamp(row, 0, count - 1), 0, rootIndex());
}

void TapeListView::setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) {
  const int count = RowCount();
  if (count == 0 || !selectionModel()) return;
  const QRect area = rect.normalized();
  const int first = std::max(0, (area.top() + verticalOffset()) / rowHeight_);
  const int last = std::min(count - 1, (area.bottom() + verticalOffset()) / rowHeight_);
  if (first > last) {
    selectionModel()->select(QItemSelection(), command);
    return;
  }
  const QModelIndex top = model()->index(first, 0, rootIndex());
  const QModelIndex bottom = model()->index(last, 0, rootIndex());
  selectionModel()->select(QItemSelection(top, bottom), command);
}

QRegion TapeListView::visualRegionForSelection(const QItemSelection& selection) const {
  QRegion region;
  const int firstShown = verticalOffset() / rowHeight_;
  const int lastShown = (verticalOffset() + viewport()->height()) / rowHeight_;
  for (const QItemSelectionRange& range : selection) {
    if (!range.isValid() || range.parent() != rootIndex()) continue;
    const int first = std::max(range.top(), firstShown);
    const int last = std::min(range.bottom(), lastShown);
    if (first > last) continue;
    region += QRect(0, first * rowHeight_ - verticalOffset(), viewport()->width(),
                    (last - first + 1) * rowHeight_);
  }
  return region;
}

void TapeListView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
  QAbstractItemView::currentChanged(current, previous);
  if (QAccessible::isActive() && current.isValid() && hasFocus()) {
    QAccessibleEvent event(this, QAccessible::Focus);
    event.setChild(current.row());
    QAccessible::updateAccessibility(&event);
  }
}

void TapeListView::selectionChanged(const QItemSelection& selected,
                                    const QItemSelection& deselected) {
  QAbstractItemView::selectionChanged(selected, deselected);
  if (!QAccessible::isActive()) return;
  if (!selected.isEmpty() && selected.first().isValid()) {
    QAccessibleEvent event(this, QAccessible::SelectionAdd);
    event.setChild(selected.first().top());
    QAccessible::updateAccessibility(&event);
  }
  if (!deselected.isEmpty() && deselected.first().isValid()) {
    QAccessibleEvent event(this, QAccessible::SelectionRemove);
    event.setChild(deselected.first().top());
    QAccessible::updateAccessibility(&event);
  }
}

// ------------------------------------------------------------ painting and input

void TapeListView::paintEvent(QPaintEvent* event) {
  const int count = RowCount();
  if (count == 0) return;
  const QRect area = event->rect();
  const int top = verticalOffset();
  const int first = std::max(0, (area.top() + top) / rowHeight_);
  const int last = std::min(count - 1, (area.bottom() + top) / rowHeight_);
  if (first <= last) {
    QPainter painter(viewport());
    painter.setFont(font());
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    // The colours an item view uses: the inactive ones while the focus is
    // elsewhere, which is most of the time here.
    const QPalette::ColorGroup group = !isEnabled()                          ? QPalette::Disabled
                                       : option.state & QStyle::State_Active ? QPalette::Active
                                                                             : QPalette::Inactive;
    const QModelIndex current = currentIndex();
    const QItemSelectionModel* selection = selectionModel();
    const int width = std::max(viewport()->width(), ContentWidth());
    const int column = ColumnWidth();
    const QStyle::State plain = option.state;
    for (int row = first; row <= last; ++row) {
      const QModelIndex index = model()->index(row, 0, rootIndex());
      const QRect rect(-horizontalOffset(), row * rowHeight_ - top, width, rowHeight_);
      const bool selected = selection && selection->isSelected(index);
      option.rect = rect;
      option.index = index;
      option.state = plain;
      if (selected) {
        option.state |= QStyle::State_Selected;
        style()->drawPrimitive(QStyle::PE_PanelItemViewItem, &option, &painter, this);
      }
      const QColor ink =
          option.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text);
      painter.setPen(ink);
      const Shaped& shaped = ShapedLine(row, painter.combinedTransform());
      // Right-aligned in the column of the widest line, so that numbers
      // with the same places have their separators one under the other.
      const RowWidth width = static_cast<std::size_t>(row) < widths_.size()
                                 ? widths_[static_cast<std::size_t>(row)]
                                 : RowWidth{column, 0};
      const int x = rect.left() + textMargin_ + (width.rule ? 0 : column - width.line);
      painter.drawStaticText(x, rect.top() + textTop_, shaped.line);
      if (!shaped.note.text().isEmpty()) {
        // The note in a quieter colour: the text's colour taken part way
        // towards the background's, readable on light and dark alike.
        const QColor paper =
            option.palette.color(group, selected ? QPalette::Highlight : QPalette::Base);
        const auto mix = [](int a, int b) { return (a * 3 + b * 2) / 5; };
        painter.setPen(QColor(mix(ink.red(), paper.red()), mix(ink.green(), paper.green()),
                              mix(ink.blue(), paper.blue())));
        painter.drawStaticText(rect.left() + textMargin_ + column + noteGap_, rect.top() + textTop_,
                               shaped.note);
      }
      if (index == current && hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.QStyleOption::operator=(option);
        focus.state |= QStyle::State_HasFocus;
        focus.backgroundColor =
            option.palette.color(group, selected ? QPalette::Highlight : QPalette::Base);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
      }
    }
  }
  const int shownFirst = top / rowHeight_;
  const int shownLast = std::min(count - 1, (top + viewport()->height()) / rowHeight_);
  ForgetShapedLinesOutside(shownFirst, shownLast);
}

void TapeListView::keyPressEvent(QKeyEvent* event) {
  const KeyForward result = forward_ ? forward_(*event) : KeyForward::NotTyped;
  if (result == KeyForward::Consumed) {
    event->accept();
    return;
  }
  if (result == KeyForward::NotTyped && event->modifiers() == Qt::NoModifier &&
      (event->key() == Qt::Key_Left || event->key() == Qt::Key_Right)) {
    // Sideways along a long line.
    const int step = horizontalScrollBar()->singleStep();
    SetHorizontalOffset(offsetX_ + (event->key() == Qt::Key_Left ? -step : step));
    event->accept();
    return;
  }
  const QModelIndex before = currentIndex();
  QAbstractItemView::keyPressEvent(event);
  const QModelIndex after = currentIndex();
  if (result == KeyForward::NotTyped && after.isValid() && after != before) {
    Q_EMIT rowChosen(after.row());
  }
}

void TapeListView::changeEvent(QEvent* event) {
  QAbstractItemView::changeEvent(event);
  if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
    doItemsLayout();
  }
}

}  // namespace tally::ui
