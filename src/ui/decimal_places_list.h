#pragma once
// The decimal places list. It never keeps the keyboard focus once its popup
// closes, whatever closed it (a new choice, the same one, Escape, a click
// elsewhere): the focus goes back to the calculator. Keys of the
// calculator's key table typed while Tab has put the focus here go to the
// calculator too, so that a digit never picks a number of places; the arrow
// keys on the closed list still change the choice.

#include <QComboBox>

#include "ui/controls.h"

namespace tally::ui {

class DecimalPlacesList final : public QComboBox {
  Q_OBJECT

 public:
  explicit DecimalPlacesList(QWidget* parent = nullptr);
  void SetKeyForwarder(KeyForwarder forwarder) { forward_ = std::move(forwarder); }

  void hidePopup() override;

 Q_SIGNALS:
  void popupClosed();

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  KeyForwarder forward_;
};

}  // namespace tally::ui
