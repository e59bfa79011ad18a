#include "ui/accessibility.h"

#include <QAccessibleValueInterface>
#include <QAccessibleWidget>
#include <QLocale>

#include "ui/controls.h"
#include "ui/number_label.h"

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

class CalculatorAccessible final : public NumberValueAccessible {
 public:
  explicit CalculatorAccessible(KeySink* sink)
      : NumberValueAccessible(sink, QAccessible::StaticText) {}

 protected:
  QString ValueText() const override { return static_cast<KeySink*>(widget())->AccessibleValue(); }
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
  if (className == QLatin1String(Picture::staticMetaObject.className())) {
    return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Graphic);
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
