#include "host/error_log.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QSysInfo>

#include "identity.h"

namespace tally::host {
namespace {

// Appends the whole record or nothing: a short write (a full disk) is cut
// back off, so that the next record never glues onto half of this one.
bool AppendWhole(const QString& path, const QByteArray& record) {
  QDir().mkpath(QFileInfo(path).path());
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
    return false;
  }
  const qint64 before = file.size();
  if (file.write(record) == record.size()) return true;
  file.resize(before);
  return false;
}

}  // namespace

QStringList ErrorLogCandidates(const QString& executableFolder) {
  QStringList files;
  if (!executableFolder.isEmpty()) {
    files << QDir(executableFolder).filePath(QString::fromLatin1(kErrorLogFileName));
  }
  const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
  if (!dataHome.isEmpty()) {
    files << QDir(dataHome).filePath(QString::fromUtf8(kProgramTitle) + QLatin1Char('/') +
                                     QString::fromLatin1(kErrorLogFileName));
  }
  return files;
}

QString LoginName() {
  for (const char* name : {"USER", "LOGNAME"}) {
    const QString value = qEnvironmentVariable(name);
    if (!value.isEmpty()) return value;
  }
  return {};
}

QString HostName() { return QSysInfo::machineHostName(); }

LocalDateTime CurrentLocalDateTime() {
  const QDateTime now = QDateTime::currentDateTime();
  const QDate date = now.date();
  const QTime time = now.time();
  return {date.year(), date.month(), date.day(), time.hour(), time.minute(), time.second()};
}

ErrorLog::Environment ErrorLog::DefaultEnvironment(const QString& executableFolder) {
  Environment env;
  env.candidates = ErrorLogCandidates(executableFolder);
  env.userName = LoginName();
  env.computerName = HostName();
  return env;
}

ErrorLog::ErrorLog(Environment environment) : env_(std::move(environment)) {}

QString ErrorLog::Append(const ErrorInfo& error) const {
  const std::string record =
      BuildErrorLogRecord(env_.clock ? env_.clock() : CurrentLocalDateTime(), error,
                          env_.userName.toStdString(), env_.computerName.toStdString());
  const QByteArray bytes = QByteArray::fromStdString(record);
  for (const QString& file : env_.candidates) {
    if (AppendWhole(file, bytes)) return file;
  }
  return {};
}

}  // namespace tally::host
