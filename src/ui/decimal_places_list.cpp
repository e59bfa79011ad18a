#include "ui/decimal_places_list.h"

#include <QAbstractItemView>
#include <QKeyEvent>
#include <QTimer>

#include "engine/keypad.h"
#include "ui/key_codes.h"

namespace tally::ui {

DecimalPlacesList::DecimalPlacesList(QWidget* parent) : QComboBox(parent) {}

void DecimalPlacesList::hidePopup() {
  // Also called when the list itself is hidden, with no popup open.
  const bool wasOpen = view()->window()->isVisible();
  QComboBox::hidePopup();
  if (!wasOpen) return;
  Q_EMIT popupClosed();
  // A style that fades the popup out hides it later, and the focus would
  // come back here when it does.
  if (view()->window()->isVisible()) {
    QTimer::singleShot(0, this, [this] { Q_EMIT popupClosed(); });
  }
}

void DecimalPlacesList::keyPressEvent(QKeyEvent* event) {
  const std::vector<int> codes = TypedKeyCodes(*event);
  if (forward_ && !codes.empty() && FindKeyBinding(codes.front())) {
    forward_(*event);
    // Even a key the calculator failed on must not pick an item.
    event->accept();
    return;
  }
  QComboBox::keyPressEvent(event);
}

}  // namespace tally::ui
