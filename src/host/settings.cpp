#include "host/settings.h"

#include <QSettings>

#include "identity.h"

namespace tally::host {
namespace {

const QString kDecimalPlacesKey = QStringLiteral("Options/CalculatorFP");

// Returned as a prvalue: QSettings cannot be copied or moved.
QSettings Store() {
  return QSettings(QSettings::NativeFormat, QSettings::UserScope, QString::fromUtf8(kProgramTitle),
                   QString::fromUtf8(kProgramTitle));
}

}  // namespace

void StoreDecimalPlaces(int places) {
  QSettings settings = Store();
  settings.setValue(kDecimalPlacesKey, QString::number(places));
  settings.sync();
}

std::optional<QString> StoredDecimalPlaces() {
  QSettings settings = Store();
  const QVariant value = settings.value(kDecimalPlacesKey);
  if (!value.isValid()) return std::nullopt;
  return value.toString();
}

}  // namespace tally::host
