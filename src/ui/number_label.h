#pragma once
// A label for a number that must never be shown cut: the display and the
// grand total box. A number wider than the box is drawn in a smaller font,
// down to a size that stays legible; one still too wide loses its leftmost
// digits to a leading "…", and the whole number stays in the tooltip and the
// accessible value, so nothing that looks like a number is a wrong one.
//
// Only what fits is measured and drawn: an entry of thousands of digits
// costs a key no more than a short one.

#include <QColor>
#include <QFont>
#include <QLabel>
#include <QRect>
#include <QString>

namespace tally::ui {

class NumberLabel final : public QLabel {
  Q_OBJECT
  // What the box draws (the whole text, or "…" and its right end), in which
  // font, and within which rectangle.
  Q_PROPERTY(QString shownText READ ShownText)
  Q_PROPERTY(QFont shownFont READ ShownFont)
  Q_PROPERTY(QRect textArea READ TextArea)

 public:
  // Where the colours come from: a text field's (the palette's Base and
  // Text, so that the box follows the desktop's colour scheme) or the
  // label's own Window and WindowText, which whoever sets one sets both.
  enum class Colours { Field, Window };

  NumberLabel(const QFont& font, const QFont& smallest, Colours colours, QWidget* parent = nullptr);

  // Shows a number; `tip` is the tooltip while the whole number shows.
  void SetNumber(const QString& text);
  void SetTip(const QString& tip);
  // The font a number is shown in, and the smallest it may shrink to.
  void SetFonts(const QFont& font, const QFont& smallest);

  QString ShownText() const { return shown_; }
  QFont ShownFont() const { return shownFont_; }
  bool Elided() const { return elided_; }
  // Where the text goes, inside the frame and margins.
  QRect TextArea() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void Fit();
  QFont FontOfSize(int pixelSize) const;
  // The most characters of a number that could fit at the smallest size.
  int MostCharacters(int width) const;

  QFont smallest_;
  Colours colours_;
  QString tip_;
  QString shown_;
  QFont shownFont_;
  bool elided_ = false;
};

}  // namespace tally::ui
