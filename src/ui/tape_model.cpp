#include "ui/tape_model.h"

#include "qt_text.h"

namespace tally::ui {

TapeModel::TapeModel(const Tape& tape, QObject* parent) : QAbstractListModel(parent), tape_(tape) {}

int TapeModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : tape_.Count();
}

QModelIndex TapeModel::index(int row, int column, const QModelIndex& parent) const {
  // The list reads every line after a replay: the generic checks, two
  // virtual calls a row, would be a good part of that.
  if (parent.isValid() || column != 0 || row < 0 || row >= tape_.Count()) return {};
  return createIndex(row, 0);
}

QVariant TapeModel::data(const QModelIndex& index, int role) const {
  if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) {
    return {};
  }
  const TapeLine& line = tape_.Line(index.row());
  switch (role) {
    case Qt::DisplayRole: return ToQString(line.text);
    case NoteRole: return ToQString(line.note);
    // The tooltip is the whole line, for a line wider than the list, and
    // its note.
    case Qt::ToolTipRole:
      if (line.note.empty()) return ToQString(line.text);
      return ToQString(line.text) + QStringLiteral("\n") + ToQString(line.note);
    default: return {};
  }
}

void TapeModel::BeforeAppend(std::int32_t index) { beginInsertRows(QModelIndex(), index, index); }

void TapeModel::AfterAppend() { endInsertRows(); }

void TapeModel::BeforeRemoveOldest(std::int32_t count) {
  beginRemoveRows(QModelIndex(), 0, count - 1);
}

void TapeModel::AfterRemoveOldest() { endRemoveRows(); }

void TapeModel::LinesChanged(std::int32_t first, std::int32_t last) {
  Q_EMIT dataChanged(index(first), index(last), {Qt::DisplayRole, Qt::ToolTipRole, NoteRole});
}

void TapeModel::BeforeClear() { beginResetModel(); }

void TapeModel::AfterClear() { endResetModel(); }

void TapeModel::SelectionChanged(std::int32_t index) { Q_EMIT tapeSelectionChanged(index); }

void TapeModel::BeforeInsert(std::int32_t index) { beginInsertRows(QModelIndex(), index, index); }

void TapeModel::AfterInsert() { endInsertRows(); }

void TapeModel::BeforeRemove(std::int32_t index) { beginRemoveRows(QModelIndex(), index, index); }

void TapeModel::AfterRemove() { endRemoveRows(); }

}  // namespace tally::ui
