#include "host/settings.h"

#include <QSettings>

#include "identity.h"

namespace tally::host {
namespace {

const QString kDecimalPlacesKey = QStringLiteral("Options/CalculatorFP");
const QString kKeepSessionKey = QStringLiteral("Options/KeepSession");
const QString kAddModeKey = QStringLiteral("Options/AddMode");

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

void StoreKeepSession(bool keep) {
  QSettings settings = Store();
  settings.setValue(kKeepSessionKey, keep ? QStringLiteral("1") : QStringLiteral("0"));
  settings.sync();
}

bool StoredKeepSession() {
  QSettings settings = Store();
  return settings.value(kKeepSessionKey).toString() == QLatin1String("1");
}

void StoreAddMode(bool on) {
  QSettings settings = Store();
  settings.setValue(kAddModeKey, on ? QStringLiteral("1") : QStringLiteral("0"));
  settings.sync();
}

bool StoredAddMode() {
  QSettings settings = Store();
  return settings.value(kAddModeKey).toString() == QLatin1String("1");
}

}  // namespace tally::host
