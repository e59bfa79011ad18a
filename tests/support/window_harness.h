#pragma once
// Helpers for tests that drive the real main window offscreen: a window whose
// error log points into a temporary folder, widgets found by name or caption,
// the tape as the list shows it, an answerer for modal windows, and the
// answers a test gives them.

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDialog>
#include <QFile>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

#include "qt_text.h"
#include "ui/frm_calculator.h"

namespace tally::ui::testing {

using tally::testing::L;
using tally::testing::S;

inline const char* const kUser = "tester";
inline const char* const kComputer = "bench-01";

class Harness {
 public:
  Harness() {
    frmCalculator::Options options;
    options.decimalSeparator = ",";
    options.errorLog.candidates = {LogPath()};
    options.errorLog.userName = QString::fromUtf8(kUser);
    options.errorLog.computerName = QString::fromUtf8(kComputer);
    Open(std::move(options));
  }
  explicit Harness(frmCalculator::Options options) { Open(std::move(options)); }

  frmCalculator& Window() { return *window_; }
  const Calculator& Calc() { return window_->calculator(); }
  QString LogPath() const { return dir_.filePath(QStringLiteral("ErrorLog.txt")); }
  QString TempPath(const QString& name) const { return dir_.filePath(name); }
  bool Active() const { return active_; }
  // After a dialog or a menu closed: the offscreen platform does not give
  // the activation back to the window by itself, as a desktop does.
  bool Reactivate() {
    window_->activateWindow();
    return QTest::qWaitForWindowActive(window_.get());
  }

  template <class T = QWidget>
  T* Find(const QString& name) {
    return window_->findChild<T*>(name);
  }
  QWidget* Sink() { return Find(QStringLiteral("picSetFocus")); }
  QAbstractItemView* Tape() { return Find<QAbstractItemView>(QStringLiteral("lstTape")); }
  QString Text(const char* labelName) {
    auto* label = Find<QLabel>(QString::fromLatin1(labelName));
    return label ? label->text() : QStringLiteral("<missing %1>").arg(QLatin1StringView(labelName));
  }

  // The button whose caption, less its access-key mark, is `caption`.
  QPushButton* Button(const QString& caption) {
    for (auto* button : window_->findChildren<QPushButton*>()) {
      if (button->text().remove(QLatin1Char('&')) == caption) return button;
    }
    return nullptr;
  }
  bool Click(const QString& caption) {
    QPushButton* button = Button(caption);
    if (!button) return false;
    QTest::mouseClick(button, Qt::LeftButton);
    return true;
  }
  bool ClickAll(const QStringList& captions) {
    for (const QString& caption : captions) {
      if (!Click(caption)) return false;
    }
    return true;
  }

  // Types into whatever holds the keyboard focus, as a user would.
  void Type(const QString& keys) {
    for (const QChar c : keys) {
      QTest::keyClick(FocusTarget(), c.toLatin1());
    }
  }
  QWidget* FocusTarget() {
    if (QWidget* focus = QApplication::focusWidget()) return focus;
    return window_->focusWidget() ? window_->focusWidget() : window_.get();
  }

  // Chooses a number of decimal places as a mouse user does.
  void ChooseDecimals(int places) {
    Find<QComboBox>(QStringLiteral("cboDecPlace"))->setCurrentIndex(places);
  }

  // Selects a tape line with a click, then double-clicks it, as a user opens
  // the edit panel.
  void DoubleClickLine(int row) {
    QAbstractItemView* list = Tape();
    const QModelIndex index = list->model()->index(row, 0);
    list->scrollTo(index);
    const QPoint at = list->visualRect(index).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
  }

  // A right click on a tape line, which opens the tape's menu there.
  void RightClickLine(int row) {
    QAbstractItemView* list = Tape();
    const QPoint at = list->visualRect(list->model()->index(row, 0)).center();
    QContextMenuEvent click(QContextMenuEvent::Mouse, at, list->viewport()->mapToGlobal(at));
    QApplication::sendEvent(list->viewport(), &click);
  }

  // The tape lines as the list shows them.
  QStringList TapeLines() {
    QStringList lines;
    const QAbstractItemModel* model = Tape()->model();
    for (int row = 0; row < model->rowCount(); ++row) {
      lines << model->index(row, 0).data().toString();
    }
    return lines;
  }

 private:
  void Open(frmCalculator::Options options) {
    window_ = std::make_unique<frmCalculator>(std::move(options));
    window_->show();
    active_ = QTest::qWaitForWindowActive(window_.get());
  }

  QTemporaryDir dir_;
  std::unique_ptr<frmCalculator> window_;
  bool active_ = false;
};

// Watches for modal windows and menus while it lives; records each one
// and answers it (Yes or OK on a message box, "OK" on the terms window,
// otherwise closes it), after an optional look at it while it is still open.
class ModalAnswerer final : public QObject {
 public:
  struct Seen {
    QString objectName;
    QString className;
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    bool modal = false;
  };
  using Inspect = std::function<void(QWidget*)>;
  using Answer = std::function<void(QWidget*)>;

  explicit ModalAnswerer(Inspect inspect = {}, Answer answer = {})
      : inspect_(std::move(inspect)), answer_(std::move(answer)) {
    timer_.setInterval(5);
    connect(&timer_, &QTimer::timeout, this, [this] { Poll(); });
    timer_.start();
  }

  QList<Seen> seen;

  static void AnswerOk(QWidget* modal) {
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      QAbstractButton* yes = box->button(QMessageBox::Yes);
      QTest::mouseClick(yes ? yes : box->button(QMessageBox::Ok), Qt::LeftButton);
    } else if (auto* ok = modal->findChild<QPushButton*>(QStringLiteral("Command1"))) {
      QTest::mouseClick(ok, Qt::LeftButton);
    } else {
      modal->close();
    }
  }

 private:
  void Poll() {
    // Menus are answered; a list's own popup is the test's business.
    QWidget* modal = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (!modal) modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible()) return;
    Seen s;
    s.objectName = modal->objectName();
    s.className = QString::fromLatin1(modal->metaObject()->className());
    s.title = modal->windowTitle();
    s.modal = modal->isModal();
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      s.text = box->text();
      s.icon = box->icon();
    }
    seen.append(s);
    if (inspect_) inspect_(modal);
    (answer_ ? answer_ : AnswerOk)(modal);
  }

  QTimer timer_;
  Inspect inspect_;
  Answer answer_;
};

// A text file's contents; empty when it cannot be read.
inline QString ReadFile(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// A menu's items as the user sees them, "(off)" after a greyed one, without
// separators.
inline QStringList MenuItems(const QMenu* menu) {
  QStringList items;
  for (QAction* action : menu->actions()) {
    if (action->isSeparator()) continue;
    items << action->text() + (action->isEnabled() ? QString() : QStringLiteral(" (off)"));
  }
  return items;
}

// Picks the enabled item `text` of a menu that is showing, as the keyboard
// would, from a callback of its own (what the item opens, a file dialog, must
// be answerable while it runs); closes the menu when there is no such item.
inline void PickMenuItem(QMenu* menu, const QString& text) {
  QAction* pick = nullptr;
  for (QAction* action : menu->actions()) {
    if (!action->isSeparator() && action->isEnabled() && action->text() == text) pick = action;
  }
  if (!pick) {
    menu->close();
    return;
  }
  QTimer::singleShot(0, menu, [menu, pick] {
    menu->setActiveAction(pick);
    QTest::keyClick(menu, Qt::Key_Return);
  });
}

// Answers what the window shows, given to a ModalAnswerer (through std::ref,
// to read what it recorded): a menu by the item to pick, a file dialog by
// the path to choose, a text dialog by the text to enter, a question by yes
// (or no, else its cancel), anything else as the ModalAnswerer does.
struct Answers {
  QString menuItem;
  QString file;
  QString text;
  bool yes = true;
  QStringList menus;      // the items of every menu shown, "|" between them
  QStringList prefilled;  // what every text dialog held when it opened
  QStringList questions;  // the text of every question asked
  QStringList buttons;    // each question's buttons, sorted, the default marked "*"

  void operator()(QWidget* shown) {
    if (auto* menu = qobject_cast<QMenu*>(shown)) {
      menus << MenuItems(menu).join(QLatin1Char('|'));
      PickMenuItem(menu, menuItem);
    } else if (auto* files = qobject_cast<QFileDialog*>(shown)) {
      files->selectFile(file);
      static_cast<QDialog*>(files)->accept();
    } else if (auto* input = qobject_cast<QInputDialog*>(shown)) {
      prefilled << input->textValue();
      input->setTextValue(text);
      input->accept();
    } else if (auto* box = qobject_cast<QMessageBox*>(shown)) {
      questions << box->text();
      QStringList names;
      for (QAbstractButton* b : box->buttons()) {
        names << b->text() + (b == box->defaultButton() ? QStringLiteral("*") : QString());
      }
      names.sort();
      buttons << names.join(QLatin1Char('|'));
      QAbstractButton* button = box->button(yes ? QMessageBox::Yes : QMessageBox::No);
      if (!button && !yes) button = box->button(QMessageBox::Cancel);
      QTest::mouseClick(button ? button : box->button(QMessageBox::Ok), Qt::LeftButton);
    } else {
      ModalAnswerer::AnswerOk(shown);
    }
  }
};

}  // namespace tally::ui::testing
