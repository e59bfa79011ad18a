#include "host/settings.h"

#include <QSettings>

#include "identity.h"

namespace tally::host {
namespace {

const QString kDecimalPlacesKey = QStringLiteral("Options/CalculatorFP");
const QString kKeepSessionKey = QStringLiteral("Options/KeepSession");
const QString kAddModeKey = QStringLiteral("Options/AddMode");
const QString kLastFolderKey = QStringLiteral("Files/LastFolder");
const QString kRecentTapesKey = QStringLiteral("Files/RecentTapes");
const QString kZoomKey = QStringLiteral("View/Zoom");

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

void StoreLastFolder(const QString& folder) {
  QSettings settings = Store();
  settings.setValue(kLastFolderKey, folder);
  settings.sync();
}

QString StoredLastFolder() {
  QSettings settings = Store();
  return settings.value(kLastFolderKey).toString();
}

QStringList StoredRecentTapes() {
  QSettings settings = Store();
  QStringList tapes = settings.value(kRecentTapesKey).toStringList();
  tapes.removeAll(QString());
  // A list edited by hand may be longer than the menu shows.
  if (tapes.size() > kRecentTapesKept) tapes.resize(kRecentTapesKept);
  return tapes;
}

QStringList WithRecentTape(QStringList tapes, const QString& path) {
  tapes.removeAll(path);
  tapes.prepend(path);
  if (tapes.size() > kRecentTapesKept) tapes.resize(kRecentTapesKept);
  return tapes;
}

namespace {

QStringList StoreRecentTapes(const QStringList& tapes) {
  QSettings settings = Store();
  settings.setValue(kRecentTapesKey, tapes);
  settings.sync();
  return tapes;
}

}  // namespace

QStringList AddRecentTape(const QString& path) {
  return StoreRecentTapes(WithRecentTape(StoredRecentTapes(), path));
}

QStringList RemoveRecentTape(const QString& path) {
  QStringList tapes = StoredRecentTapes();
  tapes.removeAll(path);
  return StoreRecentTapes(tapes);
}

void StoreZoom(int percent) {
  QSettings settings = Store();
  settings.setValue(kZoomKey, QString::number(percent));
  settings.sync();
}

int StoredZoom() {
  QSettings settings = Store();
  bool ok = false;
  const int percent = settings.value(kZoomKey).toString().toInt(&ok);
  return ok ? percent : 100;
}

}  // namespace tally::host
