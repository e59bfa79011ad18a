#include "host/document_file.h"

#include <QBuffer>
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

// Unbuffered, so that a short write (a full disk, a file size limit) shows
// in what write() returns: a buffered QFileDevice reports it as written.
bool WriteAll(QFileDevice& file, const QByteArray& bytes, QString* error) {
  qint64 done = 0;
  while (done < bytes.size()) {
    const qint64 n = file.write(bytes.constData() + done, bytes.size() - done);
    if (n <= 0) {
      return Fail(error, file.error() != QFileDevice::NoError
                             ? file.errorString()
                             : QStringLiteral("o disco está cheio ou o arquivo passou do limite"));
    }
    done += n;
  }
  return true;
}

}  // namespace

bool WriteDocument(const QString& path, const std::function<bool(QIODevice&)>& fill,
                   QString* error) {
  // The document is made whole in memory first: whatever writes it may not
  // look at what each write returns.
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  if (!fill(buffer)) return Fail(error, QStringLiteral("o documento não pôde ser feito"));
  return WriteDocument(path, buffer.data(), error);
}

bool WriteDocument(const QString& path, const QByteArray& bytes, QString* error) {
  const QFileInfo info(path);
  if (info.isDir()) return Fail(error, QStringLiteral("é uma pasta"));

  if (WrittenInPlace(info)) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
      return Fail(error, file.errorString());
    }
    return WriteAll(file, bytes, error);
  }
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
    return Fail(error, file.errorString());
  }
  if (!WriteAll(file, bytes, error)) {
    file.cancelWriting();
    return false;
  }
  if (!file.commit()) return Fail(error, file.errorString());
  return true;
}

}  // namespace tally::host
