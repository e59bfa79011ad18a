#include "ui/zoom_style.h"

#include <QApplication>
#include <QPaintDevice>
#include <QStyleFactory>
#include <QStyleOption>
#include <QWidget>

#include "ui/window_layout.h"

namespace tally::ui {
namespace {

// Tells only its dots per inch: font metrics made for it carry them, and a
// style sizes what it draws from the dots per inch of an option's metrics.
class DensityDevice final : public QPaintDevice {
 public:
  explicit DensityDevice(int dpi) : dpi_(dpi) {}
  QPaintEngine* paintEngine() const override { return nullptr; }

 protected:
  int metric(PaintDeviceMetric metric) const override {
    switch (metric) {
      case PdmDpiX:
      case PdmDpiY:
      case PdmPhysicalDpiX:
      case PdmPhysicalDpiY: return dpi_;
      default: return QPaintDevice::metric(metric);
    }
  }

 private:
  int dpi_;
};

// `option` with font metrics of the widget's font at `zoom` percent of the
// widget's dots per inch: the same whether `option` had them already.
template <class Option>
Option AtZoom(const Option& option, const QWidget* widget, int zoom) {
  const QFont font = widget ? widget->font() : QApplication::font();
  const QFontMetrics metrics = widget ? widget->fontMetrics() : QFontMetrics(font);
  const DensityDevice device(Zoomed(metrics.fontDpi() > 0 ? qRound(metrics.fontDpi()) : 96, zoom));
  Option copy(option);
  copy.fontMetrics = QFontMetrics(font, &device);
  return copy;
}

}  // namespace

// The style the application runs with, by its name; a style without one in
// the factory leaves the choice to the proxy, which takes the desktop's.
ZoomStyle::ZoomStyle(QObject* parent)
    : QProxyStyle(QStyleFactory::create(QApplication::style()->name())) {
  setParent(parent);
}

template <class Call>
auto ZoomStyle::WithZoom(ComplexControl control, const QStyleOptionComplex* option,
                         const QWidget* widget, Call call) const {
  if (zoom_ != 100 && (control == CC_ScrollBar || control == CC_ComboBox)) {
    if (const auto* slider = qstyleoption_cast<const QStyleOptionSlider*>(option)) {
      const QStyleOptionSlider zoomed = AtZoom(*slider, widget, zoom_);
      return call(&zoomed);
    }
    if (const auto* box = qstyleoption_cast<const QStyleOptionComboBox*>(option)) {
      const QStyleOptionComboBox zoomed = AtZoom(*box, widget, zoom_);
      return call(&zoomed);
    }
  }
  return call(option);
}

int ZoomStyle::pixelMetric(PixelMetric metric, const QStyleOption* option,
                           const QWidget* widget) const {
  if (zoom_ == 100 || (metric != PM_ScrollBarExtent && metric != PM_ScrollBarSliderMin)) {
    return QProxyStyle::pixelMetric(metric, option, widget);
  }
  // From the style's size at 100%, so that a style that sizes bars by the
  // dots per inch and one that does not both come out at the zoom.
  const QStyleOption plain = AtZoom(option ? *option : QStyleOption(), widget, 100);
  return Zoomed(QProxyStyle::pixelMetric(metric, &plain, widget), zoom_);
}

void ZoomStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                                   QPainter* painter, const QWidget* widget) const {
  WithZoom(control, option, widget, [&](const QStyleOptionComplex* zoomed) {
    QProxyStyle::drawComplexControl(control, zoomed, painter, widget);
  });
}

QRect ZoomStyle::subControlRect(ComplexControl control, const QStyleOptionComplex* option,
                                SubControl sub, const QWidget* widget) const {
  return WithZoom(control, option, widget, [&](const QStyleOptionComplex* zoomed) {
    return QProxyStyle::subControlRect(control, zoomed, sub, widget);
  });
}

QStyle::SubControl ZoomStyle::hitTestComplexControl(ComplexControl control,
                                                    const QStyleOptionComplex* option,
                                                    const QPoint& at, const QWidget* widget) const {
  return WithZoom(control, option, widget, [&](const QStyleOptionComplex* zoomed) {
    return QProxyStyle::hitTestComplexControl(control, zoomed, at, widget);
  });
}

}  // namespace tally::ui
