#include "ui/fonts.h"

#include <QFile>
#include <QFontDatabase>
#include <QStringList>

#include <algorithm>

namespace tally::ui {
namespace {

QString LoadFamily() {
  // fontconfig does not index Wine's font folder, so the file is added to
  // the application's own font database. Only the regular face: text set in
  // Wine's bold file comes out in a fallback font, while the bold that Qt
  // synthesises from the regular face looks right.
  const QString path = QStringLiteral("/usr/share/wine/fonts/tahoma.ttf");
  if (QFile::exists(path)) {
    const QStringList families =
        QFontDatabase::applicationFontFamilies(QFontDatabase::addApplicationFont(path));
    if (!families.isEmpty()) return families.first();
  }
  return QStringLiteral("DejaVu Sans");
}

}  // namespace

QString UiFontFamily() {
  static const QString family = LoadFamily();
  return family;
}

QFont UiFont(int pixelSize, bool bold) {
  const QString family = UiFontFamily();
  QFont font(family);
  // The fallback is wider than Tahoma; a smaller size keeps the captions
  // inside their controls.
  const bool tahoma = family == QLatin1String("Tahoma");
  font.setPixelSize(tahoma ? pixelSize : std::max(8, qRound(pixelSize * 0.85)));
  font.setBold(bold);
  font.setStyleHint(QFont::SansSerif);
  return font;
}

}  // namespace tally::ui
