#include "ui/accessibility.h"

#include <QAccessibleTextInterface>
#include <QAccessibleValueInterface>
#include <QAccessibleWidget>
#include <QLocale>

#include <algorithm>

#include "ui/controls.h"
#include "ui/frm_calculator.h"
#include "ui/number_label.h"
#include "ui/tape_view.h"

namespace tally::ui {
namespace {

// A widget whose value is a number shown as text: the text is the value a
// screen reader reads, the number the one it compares.
class NumberValueAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
 public:
  NumberValueAccessible(QWidget* widget, QAccessible::Role role)
      : QAccessibleWidget(widget, role) {}

  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Value) return ValueText();
    return QAccessibleWidget::text(t);
  }

  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
  }

  QVariant currentValue() const override { return SpokenNumber(ValueText()); }
  void setCurrentValue(const QVariant&) override {}
  QVariant maximumValue() const override { return {}; }
  QVariant minimumValue() const override { return {}; }
  QVariant minimumStepSize() const override { return {}; }

 protected:
  virtual QString ValueText() const = 0;
};

// The calculator as a screen reader meets it: a read-only text, the display,
// named "Calculadora". Screen readers voice a value change of the focused
// object by its role; as a text it is read as the display shows it ("12,5"),
// where a number role would read the number in its own notation.
class CalculatorAccessible final : public NumberValueAccessible, public QAccessibleTextInterface {
 public:
  explicit CalculatorAccessible(KeySink* sink)
      : NumberValueAccessible(sink, QAccessible::EditableText) {}

  using NumberValueAccessible::text;

  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
    return NumberValueAccessible::interface_cast(type);
  }

  QAccessible::State state() const override {
    QAccessible::State s = NumberValueAccessible::state();
    s.readOnly = true;
    return s;
  }

  // One line of text, with no caret or selection of its own.
  void selection(int, int* startOffset, int* endOffset) const override {
    *startOffset = *endOffset = 0;
  }
  int selectionCount() const override { return 0; }
  void addSelection(int, int) override {}
  void removeSelection(int) override {}
  void setSelection(int, int, int) override {}
  int cursorPosition() const override { return characterCount(); }
  void setCursorPosition(int) override {}
  QString text(int startOffset, int endOffset) const override {
    return ValueText().mid(startOffset, endOffset - startOffset);
  }
  QString textBeforeOffset(int offset, QAccessible::TextBoundaryType boundary, int* startOffset,
                           int* endOffset) const override {
    return Piece(boundary == QAccessible::CharBoundary ? offset - 1 : -1, boundary, startOffset,
                 endOffset);
  }
  QString textAfterOffset(int offset, QAccessible::TextBoundaryType boundary, int* startOffset,
                          int* endOffset) const override {
    return Piece(boundary == QAccessible::CharBoundary ? offset + 1 : -1, boundary, startOffset,
                 endOffset);
  }
  QString textAtOffset(int offset, QAccessible::TextBoundaryType boundary, int* startOffset,
                       int* endOffset) const override {
    return Piece(offset, boundary, startOffset, endOffset);
  }
  int characterCount() const override { return static_cast<int>(ValueText().size()); }
  QRect characterRect(int) const override { return {}; }
  int offsetAtPoint(const QPoint&) const override { return -1; }
  void scrollToSubstring(int, int) override {}
  QString attributes(int, int* startOffset, int* endOffset) const override {
    *startOffset = 0;
    *endOffset = characterCount();
    return {};
  }

 protected:
  QString ValueText() const override { return static_cast<KeySink*>(widget())->AccessibleValue(); }

 private:
  // A character at `offset`, or, for any longer unit, the whole line; empty
  // outside the text.
  QString Piece(int offset, QAccessible::TextBoundaryType boundary, int* startOffset,
                int* endOffset) const {
    const int count = characterCount();
    if (boundary != QAccessible::CharBoundary) {
      const bool inside = offset >= 0 && offset <= count;
      *startOffset = inside ? 0 : count;
      *endOffset = count;
      return inside ? ValueText() : QString();
    }
    if (offset < 0 || offset >= count) {
      *startOffset = *endOffset = std::clamp(offset, 0, count);
      return {};
    }
    *startOffset = offset;
    *endOffset = offset + 1;
    return ValueText().mid(offset, 1);
  }
};

class NumberLabelAccessible final : public NumberValueAccessible {
 public:
  explicit NumberLabelAccessible(NumberLabel* label)
      : NumberValueAccessible(label, QAccessible::StaticText) {}

  QString text(QAccessible::Text t) const override {
    // Without a name of its own the box is named by its number.
    if (t == QAccessible::Name && widget()->accessibleName().isEmpty()) return ValueText();
    return NumberValueAccessible::text(t);
  }

 protected:
  QString ValueText() const override { return static_cast<NumberLabel*>(widget())->text(); }
};

QAccessibleInterface* WindowInterfaces(const QString& className, QObject* object) {
  if (className == QLatin1String(KeySink::staticMetaObject.className())) {
    return new CalculatorAccessible(static_cast<KeySink*>(object));
  }
  if (className == QLatin1String(NumberLabel::staticMetaObject.className())) {
    return new NumberLabelAccessible(static_cast<NumberLabel*>(object));
  }
  // The main window is a window to a screen reader, not a filler.
  if (className == QLatin1String(frmCalculator::staticMetaObject.className())) {
    return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Window);
  }
  if (className == QLatin1String(Picture::staticMetaObject.className())) {
    return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Graphic);
  }
  if (className == QLatin1String(TapeListView::staticMetaObject.className())) {
    if (auto* view = qobject_cast<TapeListView*>(object)) return MakeTapeAccessible(view);
  }
  return nullptr;
}

}  // namespace

void InstallAccessibleInterfaces() {
  static const bool installed = [] {
    QAccessible::installFactory(WindowInterfaces);
    return true;
  }();
  (void)installed;
}

double SpokenNumber(const QString& text) {
  QString number = text.trimmed();
  number.replace(QLatin1Char(','), QLatin1Char('.'));
  if (number.endsWith(QLatin1Char('.'))) number.chop(1);
  bool ok = false;
  const double value = QLocale::c().toDouble(number, &ok);
  return ok ? value : 0;
}

}  // namespace tally::ui
