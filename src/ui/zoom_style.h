#pragma once
// The desktop's style as it would draw on a screen of the zoom times its
// dots per inch, for the controls whose sizes and marks come from the style
// rather than from the window's layout: the scroll bars and the drop-down
// lists. The bars get the style's thickness at the zoom, and the bars and
// lists draw their arrows, edges and sliders as the style draws them at
// that density: sharp, and in the desktop's own look.

#include <QProxyStyle>

namespace tally::ui {

class ZoomStyle final : public QProxyStyle {
 public:
  // A fresh instance of the application's style, at 100%.
  explicit ZoomStyle(QObject* parent);

  void SetZoom(int percent) { zoom_ = percent; }
  int Zoom() const { return zoom_; }

  int pixelMetric(PixelMetric metric, const QStyleOption* option,
                  const QWidget* widget) const override;
  void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                          QPainter* painter, const QWidget* widget) const override;
  QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl sub,
                       const QWidget* widget) const override;
  SubControl hitTestComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                                   const QPoint& at, const QWidget* widget) const override;

 private:
  // Calls `call` with `option` at the zoom when it is a scroll bar's or a
  // drop-down list's, else with `option` as it is.
  template <class Call>
  auto WithZoom(ComplexControl control, const QStyleOptionComplex* option, const QWidget* widget,
                Call call) const;

  int zoom_ = 100;
};

}  // namespace tally::ui
