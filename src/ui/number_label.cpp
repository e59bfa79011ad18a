#include "ui/number_label.h"

#include <QAccessible>
#include <QEvent>
#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace tally::ui {
namespace {

const QChar kEllipsis(0x2026);

// Every character a number on the display or in the grand total box can
// hold; the narrowest of them bounds how many can fit.
const QString kNumberCharacters = QStringLiteral("0123456789.,-+E ");

}  // namespace

NumberLabel::NumberLabel(const QFont& font, const QFont& smallest, Colours colours, QWidget* parent)
    : QLabel(parent), smallest_(smallest), colours_(colours) {
  setTextFormat(Qt::PlainText);
  setFont(font);
  shownFont_ = font;
}

void NumberLabel::SetNumber(const QString& text) {
  if (text == this->text()) return;
  setText(text);
  Fit();
  if (QAccessible::isActive()) {
    QAccessibleValueChangeEvent event(this, text);
    QAccessible::updateAccessibility(&event);
  }
}

void NumberLabel::SetFonts(const QFont& font, const QFont& smallest) {
  smallest_ = smallest;
  shownFont_ = font;
  setFont(font);
  Fit();
}

void NumberLabel::SetTip(const QString& tip) {
  tip_ = tip;
  Fit();
}

QRect NumberLabel::TextArea() const {
  QRect area = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
  // As a framed label indents its text by half an "x" on its aligned side.
  if (indent() < 0 && frameWidth() > 0) {
    const int x = QFontMetrics(font()).horizontalAdvance(QLatin1Char('x')) / 2;
    if (alignment() & Qt::AlignRight) area.setRight(area.right() - x);
    if (alignment() & Qt::AlignLeft) area.setLeft(area.left() + x);
  }
  return area;
}

QFont NumberLabel::FontOfSize(int pixelSize) const {
  QFont f = font();
  f.setPixelSize(pixelSize);
  return f;
}

int NumberLabel::MostCharacters(int width) const {
  const QFontMetricsF metrics(FontOfSize(smallest_.pixelSize()));
  qreal narrowest = metrics.horizontalAdvance(kNumberCharacters.front());
  for (const QChar c : kNumberCharacters) {
    narrowest = std::min(narrowest, metrics.horizontalAdvance(c));
  }
  return narrowest > 0 ? static_cast<int>(width / narrowest) + 1 : 0;
}

void NumberLabel::Fit() {
  const QString& whole = text();
  const int width = TextArea().width();
  shown_ = whole;
  shownFont_ = font();
  elided_ = false;

  if (!whole.isEmpty() && width > 0) {
    const int largest = font().pixelSize();
    const int least = std::min(largest, smallest_.pixelSize());
    // A text longer than the most characters that fit at the smallest size
    // is not measured at all: only its end is.
    bool fits = false;
    if (whole.size() <= MostCharacters(width)) {
      int size = largest;
      while (!fits) {
        const QFont f = FontOfSize(size);
        const qreal needed = QFontMetricsF(f).horizontalAdvance(whole);
        if (needed <= width) {
          shownFont_ = f;
          fits = true;
        } else if (size == least) {
          break;
        } else {
          // Widths grow about in step with the size: jump near the one that
          // fits, then step down.
          const int estimate = static_cast<int>(std::floor(size * width / needed));
          size = std::clamp(estimate, least, size - 1);
        }
      }
    }
    if (!fits) {
      shownFont_ = FontOfSize(least);
      const QFontMetricsF metrics(shownFont_);
      const qreal room = width - metrics.horizontalAdvance(kEllipsis);
      qreal used = 0;
      qsizetype first = whole.size();
      while (first > 0) {
        const qreal advance = metrics.horizontalAdvance(whole.at(first - 1));
        if (used + advance > room) break;
        used += advance;
        --first;
      }
      shown_ = kEllipsis + whole.mid(first);
      // Kerning can make the whole a little wider than its parts.
      while (shown_.size() > 1 && metrics.horizontalAdvance(shown_) > width) shown_.remove(1, 1);
      elided_ = true;
    }
  }

  QString tip = tip_;
  if (elided_) {
    if (!tip.isEmpty()) tip += QLatin1Char('\n');
    tip += whole;
  }
  if (tip != toolTip()) setToolTip(tip);
  update();
}

void NumberLabel::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const bool field = colours_ == Colours::Field;
  p.fillRect(rect(), palette().color(field ? QPalette::Base : QPalette::Window));
  drawFrame(&p);
  p.setFont(shownFont_);
  p.setPen(palette().color(field ? QPalette::Text : QPalette::WindowText));
  p.drawText(TextArea(), static_cast<int>(alignment()), shown_);
}

void NumberLabel::resizeEvent(QResizeEvent* event) {
  QLabel::resizeEvent(event);
  Fit();
}

void NumberLabel::changeEvent(QEvent* event) {
  QLabel::changeEvent(event);
  if (event->type() == QEvent::FontChange) Fit();
}

}  // namespace tally::ui
