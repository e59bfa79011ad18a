#include "ui/zoom_style.h"

#include <QApplication>
#include <QStyleFactory>

#include "ui/window_layout.h"

namespace tally::ui {

// The style the application runs with, by its name; a style without one in
// the factory leaves the choice to the proxy, which takes the desktop's.
ZoomStyle::ZoomStyle(QObject* parent)
    : QProxyStyle(QStyleFactory::create(QApplication::style()->name())) {
  setParent(parent);
}

int ZoomStyle::pixelMetric(PixelMetric metric, const QStyleOption* option,
                           const QWidget* widget) const {
  const int designed = QProxyStyle::pixelMetric(metric, option, widget);
  switch (metric) {
    case PM_ScrollBarExtent:
    case PM_ScrollBarSliderMin: return Zoomed(designed, zoom_);
    default: return designed;
  }
}

}  // namespace tally::ui
