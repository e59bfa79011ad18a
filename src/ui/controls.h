#pragma once
// Small widgets of the main window: the focus sink and the pictures. The tape
// list is in tape_view.h.

#include <QAbstractButton>
#include <QString>
#include <QWidget>

#include <functional>
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
// the calculator. To a screen reader it is the calculator itself, and its
// value is what the display shows.
class KeySink final : public QWidget {
  Q_OBJECT

 public:
  explicit KeySink(QWidget* parent = nullptr);
  void SetKeyForwarder(KeyForwarder forwarder) { forward_ = std::move(forwarder); }

  // Announces each change to screen readers.
  void SetAccessibleValue(const QString& value);
  const QString& AccessibleValue() const { return value_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  KeyForwarder forward_;
  QString value_;
};

using PicturePainter = std::function<void(QPainter&, const QRectF&)>;

// A picture drawn by code at whatever size it is given, that is a button: a
// click or, once Tab has reached it, Space runs it. A click leaves the focus
// where it was.
class ClickablePicture final : public QAbstractButton {
  Q_OBJECT

 public:
  using Painter = PicturePainter;
  ClickablePicture(Painter painter, QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  Painter painter_;
};

// A picture that does nothing.
class Picture final : public QWidget {
  Q_OBJECT

 public:
  Picture(PicturePainter painter, QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  PicturePainter painter_;
};

// Swallows the key presses of the widgets it watches: `keys` empty means every
// key but Tab and Shift+Tab, which still move the focus on; otherwise only
// those keys.
class KeyDiscarder final : public QObject {
 public:
  explicit KeyDiscarder(std::vector<int> keys = {}, QObject* parent = nullptr)
      : QObject(parent), keys_(std::move(keys)) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::vector<int> keys_;
};

// Runs an action for one key pressed in the widgets it watches, and swallows
// that key.
class KeyAction final : public QObject {
 public:
  KeyAction(int key, std::function<void()> action, QObject* parent = nullptr)
      : QObject(parent), key_(key), action_(std::move(action)) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  int key_;
  std::function<void()> action_;
};

}  // namespace tally::ui
