#pragma once
// The tape list: a view of one column of text lines, all of one height, that
// follows its model row by row. An appended line, a trimmed oldest line, a
// selection that moves and a line rewritten in place each cost the same
// whatever the number of lines: the view keeps no per-row layout, paints only
// the rows that changed, and shapes the text of a line once (while it is
// shown), not on every repaint. A line wider than the view is reached with the
// horizontal scroll bar; its tooltip shows the whole line.
//
// Typed characters go to the calculator; the navigation keys and a click
// choose a line, which is reported as rowChosen.

#include <QAbstractItemView>
#include <QStaticText>

#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <unordered_map>

#include "ui/controls.h"

class QAccessibleInterface;

namespace tally::ui {

class TapeScrollBar;

class TapeListView final : public QAbstractItemView {
  Q_OBJECT

 public:
  explicit TapeListView(QWidget* parent = nullptr);
  void SetKeyForwarder(KeyForwarder forwarder) { forward_ = std::move(forwarder); }

  void setModel(QAbstractItemModel* model) override;
  QRect visualRect(const QModelIndex& index) const override;
  void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
  QModelIndex indexAt(const QPoint& point) const override;
  void reset() override;
  void doItemsLayout() override;

  // The height of every row, in pixels.
  int RowHeight() const { return rowHeight_; }
  // The width the widest line needs, margins included, and its note after
  // it when any line has one.
  int ContentWidth() const;
  // The width of the column the lines are right-aligned in: the widest
  // line's.
  int ColumnWidth() const;

  // Identifies a row across trims of the oldest rows: the number of a line
  // stays the same while the rows above it go. Used by the accessibility
  // interface to keep one object per line.
  std::int64_t LineNumberOfRow(int row) const { return firstLineNumber_ + row; }
  int RowOfLineNumber(std::int64_t number) const;

 Q_SIGNALS:
  void rowChosen(int row);

 protected:
  QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
  int horizontalOffset() const override;
  int verticalOffset() const override;
  bool isIndexHidden(const QModelIndex&) const override { return false; }
  void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) override;
  QRegion visualRegionForSelection(const QItemSelection& selection) const override;
  QSize viewportSizeHint() const override;

  void updateGeometries() override;
  void rowsInserted(const QModelIndex& parent, int first, int last) override;
  void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                   const QList<int>& roles = QList<int>()) override;
  void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
  void selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) override;
  void verticalScrollbarValueChanged(int value) override;
  void horizontalScrollbarValueChanged(int value) override;

  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void keyPressEvent(QKeyEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  int RowCount() const;
  QString LineText(int row) const;
  QString NoteText(int row) const;
  struct RowWidth {
    int line = 0;
    int note = 0;       // 0 for a line without a note
    bool rule = false;  // the separator: drawn from the left, outside the column
  };
  RowWidth MeasureRow(int row) const;
  void AddRow(RowWidth width);
  void RemoveRow(RowWidth width);
  // Width of a line's text from the advances of its characters: no shaping,
  // so that a rewrite of every line stays cheap.
  int MeasureLine(const QString& text) const;
  // Rebuilds everything the view knows of its rows; for changes other than
  // an append at the end, a removal at the top or a rewrite.
  void RebuildRows();
  void UpdateMetrics();
  struct Shaped {
    QStaticText line;
    QStaticText note;
  };
  const Shaped& ShapedLine(int row, const QTransform& transform);
  void ForgetShapedLinesOutside(int firstRow, int lastRow);
  void OnRowsRemoved(const QModelIndex& parent, int first, int last);
  // How a change of offset reaches the screen: the rows shown move with it,
  // or (rows taken away above) they stay where they are.
  enum class Shift { Scroll, Silent };
  // The list scrolls by whole rows, as a list box does: the top row shown
  // is always whole.
  void SetTopRow(int row, Shift shift);
  void SetHorizontalOffset(int value);
  int FullRowsShown() const;
  int MaxTopRow() const;
  int MaxHorizontalOffset() const;
  void SyncScrollBars();
  // The scroll range after a change of rows, without the base class's
  // geometry work.
  void UpdateScrollRange();

  KeyForwarder forward_;
  int rowHeight_ = 1;
  int textMargin_ = 0;
  int textTop_ = 0;   // from the top of a row to the top of its text
  int charStep_ = 1;  // a step of the horizontal bar
  // Width of each row's text, oldest first, and how many rows have each
  // width, so that the widest is known after any change of one row.
  std::deque<RowWidth> widths_;
  std::map<int, int> widthCounts_;
  std::map<int, int> noteWidthCounts_;
  std::map<int, int> ruleWidthCounts_;
  int noteGap_ = 0;  // between a line's column and its note
  mutable std::array<float, 256> latinAdvance_{};
  mutable std::unordered_map<char16_t, float> otherAdvance_;
  // Shaped text of the lines shown lately, by line number.
  std::unordered_map<std::int64_t, Shaped> shaped_;
  std::int64_t firstLineNumber_ = 0;
  // The scroll offsets, in pixels (the vertical one a whole number of rows).
  // The view keeps them and the bars follow, so that changes that cancel
  // out within a key never reach the bars.
  int offsetX_ = 0;
  int offsetY_ = 0;
  TapeScrollBar* verticalBar_ = nullptr;
  TapeScrollBar* horizontalBar_ = nullptr;
  QMetaObject::Connection rowsRemovedConnection_;
};

// What a screen reader is told of the tape: a list whose items are the
// lines; made by the factory of accessibility.cpp.
QAccessibleInterface* MakeTapeAccessible(TapeListView* view);

}  // namespace tally::ui
