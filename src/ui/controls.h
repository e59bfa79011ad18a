#pragma once
// Small widgets of the main window: the focus sink, the clickable pictures
// and the decorative rectangles. The tape list is in tape_view.h.

#include <QColor>
#include <QWidget>

#include <functional>
#include <optional>
#include <vector>

class QKeyEvent;
class QPainter;

namespace tally::ui {

// What became of a key handed to the calculator's keyboard handling.
enum class KeyForward {
  NotTyped,     // the key types nothing the calculator reads
  Consumed,     // the calculator took it
  LeftAsTyped,  // the calculator failed on it: the control gets the key
};
using KeyForwarder = std::function<KeyForward(const QKeyEvent&)>;

// The invisible widget that holds the keyboard focus so that typed keys reach
// the calculator.
class KeySink final : public QWidget {
  Q_OBJECT

 public:
  explicit KeySink(QWidget* parent = nullptr);
  void SetKeyForwarder(KeyForwarder forwarder) { forward_ = std::move(forwarder); }

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  KeyForwarder forward_;
};

// A picture drawn by code at whatever size it is given, with a click.
class ClickablePicture final : public QWidget {
  Q_OBJECT

 public:
  using Painter = std::function<void(QPainter&, const QRectF&)>;
  ClickablePicture(Painter painter, QWidget* parent = nullptr);

 Q_SIGNALS:
  void clicked();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  Painter painter_;
  bool pressed_ = false;
};

// Swallows the key presses of the widgets it watches: `keys` empty means every
// key, otherwise only those.
class KeyDiscarder final : public QObject {
 public:
  explicit KeyDiscarder(std::vector<int> keys = {}, QObject* parent = nullptr)
      : QObject(parent), keys_(std::move(keys)) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::vector<int> keys_;
};

// A plain rectangle drawn behind other controls; takes no input.
class ShapeRect final : public QWidget {
  Q_OBJECT

 public:
  ShapeRect(QColor border, std::optional<QColor> fill, QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QColor border_;
  std::optional<QColor> fill_;
};

}  // namespace tally::ui
