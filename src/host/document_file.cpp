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
  // What is still buffered is written out here and its failure caught:
  // commit() would flush it too but rename a short file into place when
  // the disk fills up just then.
  if (!fill(file) || !file.flush()) {
    // A write the disk cut short leaves no cause behind; trying the rest
    // again meets it ("No space left on device").
    if (file.error() != QFileDevice::NoError) file.flush();
    const QString why = file.error() != QFileDevice::NoError
                            ? file.errorString()
                            : QStringLiteral("o documento não pôde ser gerado");
    file.cancelWriting();
    return Fail(error, why);
  }
  if (!file.commit()) return Fail(error, file.errorString());
  return true;
}

}  // namespace tally::host
