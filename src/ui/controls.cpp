#include "ui/controls.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QPainter>
#include <QStyleOptionFocusRect>
#include <QStylePainter>

#include <algorithm>

namespace tally::ui {

KeySink::KeySink(QWidget* parent) : QWidget(parent) {
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_InputMethodEnabled, false);
}

void KeySink::SetAccessibleValue(const QString& value) {
  if (value == value_) return;
  value_ = value;
  if (QAccessible::isActive()) {
    QAccessibleValueChangeEvent event(this, value_);
    QAccessible::updateAccessibility(&event);
  }
}

void KeySink::keyPressEvent(QKeyEvent* event) {
  const KeyForward result = forward_ ? forward_(*event) : KeyForward::NotTyped;
  if (result == KeyForward::NotTyped) {
    QWidget::keyPressEvent(event);
  } else {
    // A key the calculator left as typed is the sink's own, and the sink
    // does nothing with keys.
    event->accept();
  }
}

bool KeyDiscarder::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (keys_.empty()) return key != Qt::Key_Tab && key != Qt::Key_Backtab;
    if (std::find(keys_.begin(), keys_.end(), key) != keys_.end()) return true;
  }
  return QObject::eventFilter(watched, event);
}

bool KeyAction::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == key_) {
    if (action_) action_();
    return true;
  }
  return QObject::eventFilter(watched, event);
}

ClickablePicture::ClickablePicture(Painter painter, QWidget* parent)
    : QAbstractButton(parent), painter_(std::move(painter)) {
  setFocusPolicy(Qt::TabFocus);
  setCursor(Qt::PointingHandCursor);
}

void ClickablePicture::paintEvent(QPaintEvent*) {
  QStylePainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  if (painter_) painter_(p, QRectF(rect()));
  if (hasFocus()) {
    QStyleOptionFocusRect focus;
    focus.initFrom(this);
    p.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
  }
}

Picture::Picture(PicturePainter painter, QWidget* parent)
    : QWidget(parent), painter_(std::move(painter)) {}

void Picture::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  if (painter_) painter_(p, QRectF(rect()));
}

}  // namespace tally::ui
