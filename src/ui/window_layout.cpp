#include "ui/window_layout.h"

#include <QWidget>

#include <algorithm>
#include <cstdlib>

#include "qt_text.h"

namespace tally::ui {
namespace {

constexpr double kTwipsPerPixel = 15.0;

}  // namespace

const ControlPlace& PlaceOf(std::string_view control) {
  const auto it = std::find_if(kControlPlaces.begin(), kControlPlaces.end(),
                               [&](const ControlPlace& c) { return c.control == control; });
  // A control without a row is a fault of this table, found by the first
  // test that opens the window.
  if (it == kControlPlaces.end()) std::abort();
  return *it;
}

int Px(int twips, int zoom) { return qRound(twips * zoom / (100 * kTwipsPerPixel)); }

QRect Twips(const TwipsRect& r, int zoom) {
  return {Px(r.left, zoom), Px(r.top, zoom), Px(r.width, zoom), Px(r.height, zoom)};
}

int ValidZoom(int percent) {
  const int clamped = std::clamp(percent, kZoomMin, kZoomMax);
  return kZoomMin + (clamped - kZoomMin + kZoomStep / 2) / kZoomStep * kZoomStep;
}

int Zoomed(int pixels, int zoom) { return qRound(pixels * zoom / 100.0); }

QString SpokenName(const Button& button) {
  const ControlPlace& row = PlaceOf(button.control);
  return row.accessibleName.empty() ? ToQString(ClickName(button)) : ToQString(row.accessibleName);
}

void Place(QWidget* widget, std::string_view control) {
  const ControlPlace& row = PlaceOf(control);
  widget->setObjectName(ToQString(row.control));
  if (!row.toolTip.empty()) widget->setToolTip(ToQString(row.toolTip));
  if (!row.accessibleName.empty()) widget->setAccessibleName(ToQString(row.accessibleName));
  widget->setGeometry(Twips(row.place));
}

}  // namespace tally::ui
