#pragma once
// The desktop's style with the sizes a control takes from the style itself,
// not from the window's layout, scaled by the window's zoom: the thickness
// of the scroll bars and the least length of their sliders. Everything is
// still drawn by the desktop's style, at the size it is given, so the bars
// stay sharp and look as the desktop's do.

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

 private:
  int zoom_ = 100;
};

}  // namespace tally::ui
