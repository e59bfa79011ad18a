#pragma once
// The tape as a list model. It does not copy the lines: it reads them from
// the tape and turns each change the tape announces into the matching row
// signals, so that a view repaints only what changed and a full tape costs
// the same per key as an empty one.

#include <QAbstractListModel>

#include "tape/tape.h"

namespace tally::ui {

class TapeModel final : public QAbstractListModel, public TapeObserver {
  Q_OBJECT

 public:
  // Reads `tape`, which must outlive the model; whoever owns the tape makes
  // the model its observer.
  explicit TapeModel(const Tape& tape, QObject* parent = nullptr);

  // The line's note, empty for none.
  static constexpr int NoteRole = Qt::UserRole;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QModelIndex index(int row, int column = 0,
                    const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;

  // TapeObserver
  void BeforeAppend(std::int32_t index) override;
  void AfterAppend() override;
  void BeforeRemoveOldest(std::int32_t count) override;
  void AfterRemoveOldest() override;
  void LinesChanged(std::int32_t first, std::int32_t last) override;
  void BeforeClear() override;
  void AfterClear() override;
  void SelectionChanged(std::int32_t index) override;
  void BeforeInsert(std::int32_t index) override;
  void AfterInsert() override;
  void BeforeRemove(std::int32_t index) override;
  void AfterRemove() override;

 Q_SIGNALS:
  // The tape's selected line changed (-1: none). Selection belongs to the
  // view, so the model only passes it on.
  void tapeSelectionChanged(int row);

 private:
  const Tape& tape_;
};

}  // namespace tally::ui
