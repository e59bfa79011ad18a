#include "host/document_file.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace tally::host {
namespace {

bool Fail(QString* error, const QString& why) {
  if (error) *error = why;
  return false;
}

// Device files and descriptor aliases (/dev/stdout, /proc/self/fd/1) are
// written in place: renaming over them would replace what they stand for.
bool WrittenInPlace(const QFileInfo& info) {
  const QString path = info.absoluteFilePath();
  if (path.startsWith(QLatin1String("/dev/")) || path.startsWith(QLatin1String("/proc/"))) {
    return true;
  }
  return info.exists() && !info.isFile();
}

}  // namespace

bool WriteDocument(const QString& path, const std::function<bool(QIODevice&)>& fill,
                   QString* error) {
  const QFileInfo info(path);
  if (info.isDir()) return Fail(error, QStringLiteral("é uma pasta"));
  if (WrittenInPlace(info)) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return Fail(error, file.errorString());
    if (!fill(file) || !file.flush()) return Fail(error, file.errorString());
    file.close();
    if (file.error() != QFileDevice::NoError) return Fail(error, file.errorString());
    return true;
  }
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return Fail(error, file.errorString());
  if (!fill(file)) {
    const QString why = file.errorString();
    file.cancelWriting();
    return Fail(error, why);
  }
  if (!file.commit()) return Fail(error, file.errorString());
  return true;
}

}  // namespace tally::host
