#include "ui/tape_model.h"

namespace tally::ui {

TapeModel::TapeModel(Tape& tape, QObject* parent)
    : QAbstractListModel(parent), tape_(tape) {
  tape_.SetObserver(this);
}

TapeModel::~TapeModel() { tape_.SetObserver(nullptr); }

int TapeModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : tape_.Count();
}

QVariant TapeModel::data(const QModelIndex& index, int role) const {
  if (!checkIndex(index, CheckIndexOption::IndexIsValid |
                             CheckIndexOption::ParentIsInvalid)) {
    return {};
  }
  if (role != Qt::DisplayRole) return {};
  return QString::fromStdString(tape_.Line(index.row()));
}

void TapeModel::BeforeAppend(std::int32_t index) {
  beginInsertRows(QModelIndex(), index, index);
}

void TapeModel::AfterAppend() { endInsertRows(); }

void TapeModel::BeforeRemoveOldest() { beginRemoveRows(QModelIndex(), 0, 0); }

void TapeModel::AfterRemoveOldest() { endRemoveRows(); }

void TapeModel::LinesChanged(std::int32_t first, std::int32_t last) {
  Q_EMIT dataChanged(index(first), index(last), {Qt::DisplayRole});
}

void TapeModel::BeforeClear() { beginResetModel(); }

void TapeModel::AfterClear() { endResetModel(); }

void TapeModel::SelectionChanged(std::int32_t index) {
  Q_EMIT tapeSelectionChanged(index);
}

}  // namespace tally::ui
