#pragma once
// The window's fonts. Sizes are in pixels, not points, so that the text
// keeps fitting its fixed control rectangles whatever DPI the desktop
// reports.

#include <QFont>
#include <QString>

namespace tally::ui {

// "Tahoma" when the free Tahoma that Debian ships with Wine can be loaded,
// otherwise a close sans-serif that every Debian desktop has.
QString UiFontFamily();

QFont UiFont(int pixelSize, bool bold = false);

}  // namespace tally::ui
