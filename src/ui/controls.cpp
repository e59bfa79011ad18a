#include "ui/controls.h"

#include <QKeyEvent>

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace tally::ui {

KeySink::KeySink(QWidget* parent) : QWidget(parent) {
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_InputMethodEnabled, false);
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
    if (keys_.empty() || std::find(keys_.begin(), keys_.end(), key) != keys_.end()) {
      return true;
    }
  }
  return QObject::eventFilter(watched, event);
}

ClickablePicture::ClickablePicture(Painter painter, QWidget* parent)
    : QWidget(parent), painter_(std::move(painter)) {
  setFocusPolicy(Qt::NoFocus);
  setCursor(Qt::PointingHandCursor);
}

void ClickablePicture::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  if (painter_) painter_(p, QRectF(rect()));
}

void ClickablePicture::mousePressEvent(QMouseEvent* event) {
  pressed_ = event->button() == Qt::LeftButton;
  event->accept();
}

void ClickablePicture::mouseReleaseEvent(QMouseEvent* event) {
  const bool click =
      pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
  pressed_ = false;
  event->accept();
  if (click) Q_EMIT clicked();
}

ShapeRect::ShapeRect(QColor border, std::optional<QColor> fill, QWidget* parent)
    : QWidget(parent), border_(border), fill_(fill) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setFocusPolicy(Qt::NoFocus);
}

void ShapeRect::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QRect r = rect().adjusted(0, 0, -1, -1);
  if (fill_) p.fillRect(r, *fill_);
  p.setPen(border_);
  p.drawRect(r);
}

}  // namespace tally::ui
